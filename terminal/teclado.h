#pragma once

#include <QWidget>

class QPushButton;

namespace horalia {

// A touch keyboard of our own for stations without a physical one: standard layout, grey
// gradient, and keys delivered to whichever control holds the keyboard focus. Its buttons
// never take the focus themselves, so the control being typed into keeps it.
class TouchKeyboard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 737;
    static constexpr int kHeight = 282;

    explicit TouchKeyboard(QWidget* parent = nullptr);

    // Sends one key (press and release) to the focused control, as the button for it does.
    static void sendKey(int key, const QString& text, Qt::KeyboardModifiers modifiers = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct KeyDef {
        QString label;
        int key;
        QString text;  // what a character key types; empty for the others
        int width;     // in quarter keys
    };
    void addRow(const QList<KeyDef>& keys);
    void press(const KeyDef& key);
    void setShift(bool on);

    bool shift_ = false;
    QList<QPushButton*> shiftButtons_;
};

}  // namespace horalia
