#include "principal.h"

#include <QLabel>

namespace horalia {

Tprincipal::Tprincipal(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("principal"));
    setWindowTitle(QStringLiteral("Control Horario"));
    auto* placeholder = new QLabel(QStringLiteral("Control Horario"), this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);
}

}  // namespace horalia
