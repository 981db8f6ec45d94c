#pragma once

#include <QMainWindow>

namespace horalia {

// The terminal window: the program's main window, the screen that workers see.
class Tprincipal : public QMainWindow {
    Q_OBJECT
public:
    explicit Tprincipal(QWidget* parent = nullptr);
};

}  // namespace horalia
