#include "keyhook.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>

#include "errorreport.h"

namespace horalia {

namespace {

bool isMemo(const QWidget* w) {
    return qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w);
}

// Single-line edit fields: line edits, and spin and date boxes (whose inner line edit is
// normally the one that holds the focus).
bool isLineField(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// Selects the next column of the grid's current row (or the previous one), wrapping at both
// ends and skipping hidden columns.
void moveColumn(QTableView* grid, bool forward) {
    QAbstractItemModel* model = grid->model();
    if (!model) {
        return;
    }
    const int columns = model->columnCount(grid->rootIndex());
    if (columns == 0) {
        return;
    }
    const QModelIndex current = grid->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    if (model->rowCount(grid->rootIndex()) == 0) {
        return;
    }
    int column = current.isValid() ? current.column() : (forward ? columns - 1 : 0);
    for (int step = 0; step < columns; ++step) {
        column = (column + (forward ? 1 : columns - 1)) % columns;
        if (!grid->isColumnHidden(column)) {
            break;
        }
    }
    grid->setCurrentIndex(model->index(row, column, grid->rootIndex()));
}

}  // namespace

void sendTab(QWidget* widget) {
    // The Tab goes to the control's window, which moves the focus on from its focused
    // control: memos, grids and date boxes would otherwise keep a Tab of their own (a tab
    // character, the next cell, the next part of the date).
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(widget->window(), &press);
}

KeyHook::KeyHook(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("AppMessage"));
}

bool KeyHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    // The hook runs inside the event loop for every window: nothing it raises may cross it.
    bool replaced = false;
    ErrorReport::guard([&] { replaced = handle(watched, event); });
    return replaced;
}

bool KeyHook::handle(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::KeyPress || forwarding_) {
        return false;
    }
    // A key that its control ignores travels on to the parents; only its first stop, the
    // focused control, decides. Open popups (a combo's list, a menu) keep their keys.
    auto* focused = qobject_cast<QWidget*>(receiver);
    if (!focused || focused != focused->window()->focusWidget() ||
        QApplication::activePopupWidget()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Down:
            return down(focused);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return enter(focused, *key);
        default:
            return false;
    }
}

bool KeyHook::down(QWidget* focused) {
    if (auto* combo = qobject_cast<QComboBox*>(focused)) {
        // The list opens as its own popup; a Down reaching the closed box as well would also
        // step the current item behind it, so the key ends here.
        combo->showPopup();
        return true;
    }
    if (isLineField(focused) || isMemo(focused)) {
        sendTab(focused);
        return true;
    }
    return false;
}

bool KeyHook::enter(QWidget* focused, const QKeyEvent& key) {
    const bool ctrl = key.modifiers() & Qt::ControlModifier;
    if (isLineField(focused)) {
        sendTab(focused);
        return true;
    }
    if (isMemo(focused)) {
        if (!ctrl) {
            sendTab(focused);
            return true;
        }
        // Ctrl+Enter is the memo's own new line; Qt's text controls ignore Enter with Ctrl
        // held, so the memo gets it as a plain Enter.
        QKeyEvent plain(QEvent::KeyPress, key.key(), Qt::NoModifier, QStringLiteral("\r"));
        const QScopedValueRollback<bool> forwarding(forwarding_, true);
        QCoreApplication::sendEvent(focused, &plain);
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(focused)) {
        if (combo->view() && combo->view()->isVisible()) {
            return false;  // Enter takes the item from the open list
        }
        sendTab(focused);
        return true;
    }
    if (qobject_cast<QRadioButton*>(focused)) {
        sendTab(focused);
        return true;
    }
    if (auto* grid = qobject_cast<QTableView*>(focused)) {
        const bool readOnly = grid->editTriggers() == QAbstractItemView::NoEditTriggers;
        if (readOnly || !ctrl) {
            sendTab(focused);
            return true;
        }
        moveColumn(grid, !(key.modifiers() & Qt::ShiftModifier));
        return false;
    }
    if (qobject_cast<QAbstractItemView*>(focused)) {
        sendTab(focused);
        return true;
    }
    if (qobject_cast<QTabBar*>(focused) || qobject_cast<QTabWidget*>(focused)) {
        sendTab(focused);
        return true;
    }
    return false;
}

}  // namespace horalia
