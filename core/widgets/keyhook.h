#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

namespace horalia {

// The program-wide key hook: installed as an event filter on the application, it makes Enter
// (and Down in edit fields) move to the next control in every window, the way a data-entry
// station is used, by the kind of the focused control:
//   Down:  a combo box opens its list; an edit field (line, memo, spin/date box) moves on.
//   Enter: a line edit, a memo without Ctrl, a closed combo box, a radio button, a grid that
//          is read-only or without Ctrl, a list, a tab bar move on. In an editable grid,
//          Ctrl+Enter stays Enter and selects the next column (Shift: the previous one),
//          wrapping at both ends; Ctrl+Enter in a memo stays Enter (a new line).
// "Move on" means exactly what Tab does there: the focus goes to the next control in the tab
// order, and the original key is dropped.
class KeyHook : public QObject {
    Q_OBJECT
public:
    explicit KeyHook(QObject* parent = nullptr);

    // Looks at one event; true when the key was replaced and must go no further.
    bool handle(QObject* receiver, QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool down(QWidget* focused);
    bool enter(QWidget* focused, const QKeyEvent& key);

    bool forwarding_ = false;  // a key the hook itself passes on is not looked at again
};

// Moves the focus from `widget` to the next control of its window as a Tab key press would,
// also from controls that would otherwise keep a Tab for themselves (memos, grids).
void sendTab(QWidget* widget);

}  // namespace horalia
