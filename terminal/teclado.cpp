#include "teclado.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace horalia {

namespace {
constexpr int kKey = 4;  // a character key is four quarters wide

int keyOf(QChar c) {
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
        return Qt::Key_A + (c.unicode() - 'A');
    }
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        return Qt::Key_0 + (c.unicode() - '0');
    }
    switch (c.unicode()) {
        case 0x00D1:
            return Qt::Key_Ntilde;
        case ',':
            return Qt::Key_Comma;
        case '.':
            return Qt::Key_Period;
        case '-':
            return Qt::Key_Minus;
        default:
            return Qt::Key_unknown;
    }
}
}  // namespace

TouchKeyboard::TouchKeyboard(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("teclado"));
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::NoFocus);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 6, 6, 6);
    rows->setSpacing(4);

    auto characters = [](const QString& keys) {
        QList<KeyDef> row;
        for (QChar c : keys) {
            row.append({QString(c), keyOf(c), QString(c), kKey});
        }
        return row;
    };
    addRow(characters(QStringLiteral("1234567890")) +
           QList<KeyDef>{{QStringLiteral("\u232B"), Qt::Key_Backspace, {}, 2 * kKey}});
    addRow(QList<KeyDef>{{QStringLiteral("Tab"), Qt::Key_Tab, {}, 6}} +
           characters(QStringLiteral("QWERTYUIOP")) +
           QList<KeyDef>{{QStringLiteral("Supr"), Qt::Key_Delete, {}, 6}});
    addRow(characters(QStringLiteral("ASDFGHJKL\u00D1")) +
           QList<KeyDef>{{QStringLiteral("Intro"), Qt::Key_Return, {}, 2 * kKey}});
    addRow(QList<KeyDef>{{QStringLiteral("\u21E7"), Qt::Key_Shift, {}, 6}} +
           characters(QStringLiteral("ZXCVBNM,.-")) +
           QList<KeyDef>{{QStringLiteral("\u21E7"), Qt::Key_Shift, {}, 6}});
    addRow({{QStringLiteral("\u2190"), Qt::Key_Left, {}, kKey},
            {QStringLiteral("\u2192"), Qt::Key_Right, {}, kKey},
            {QString(), Qt::Key_Space, QStringLiteral(" "), 8 * kKey}});
}

void TouchKeyboard::addRow(const QList<KeyDef>& keys) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(16);
    font.setBold(true);
    for (const KeyDef& key : keys) {
        auto* button = new QPushButton(key.label, this);
        // The control being typed into must keep the focus while its keys are pressed here.
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(font);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        button->setAutoRepeat(key.key == Qt::Key_Backspace || key.key == Qt::Key_Left ||
                              key.key == Qt::Key_Right);
        if (key.key == Qt::Key_Shift) {
            button->setCheckable(true);
            shiftButtons_ << button;
        }
        connect(button, &QPushButton::clicked, this, [this, key] { press(key); });
        row->addWidget(button, key.width);
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void TouchKeyboard::setShift(bool on) {
    shift_ = on;
    for (QPushButton* b : std::as_const(shiftButtons_)) {
        b->setChecked(on);
    }
}

void TouchKeyboard::press(const KeyDef& key) {
    if (key.key == Qt::Key_Shift) {
        setShift(!shift_);
        return;
    }
    QString text = key.text;
    Qt::KeyboardModifiers modifiers;
    if (shift_ && !text.isEmpty()) {
        modifiers = Qt::ShiftModifier;
    } else {
        text = text.toLower();
    }
    if (key.key == Qt::Key_Return) {
        text = QStringLiteral("\r");
    } else if (key.key == Qt::Key_Backspace) {
        text = QStringLiteral("\b");
    } else if (key.key == Qt::Key_Tab) {
        text = QStringLiteral("\t");
    }
    sendKey(key.key, text, modifiers);
    // Shift holds for one character, as on a phone.
    if (!key.text.isEmpty()) {
        setShift(false);
    }
}

void TouchKeyboard::sendKey(int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        return;
    }
    // Sent through the application like a real key, so the program-wide key hook sees it too
    // (the keyboard's Enter submits a code as a physical Enter does).
    QKeyEvent pressEvent(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &pressEvent);
    if (QWidget* now = QApplication::focusWidget()) {
        QKeyEvent releaseEvent(QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::sendEvent(now, &releaseEvent);
    }
}

void TouchKeyboard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(128, 128, 128));
    gradient.setColorAt(1, QColor(192, 192, 192));
    painter.fillRect(rect(), gradient);
}

}  // namespace horalia
