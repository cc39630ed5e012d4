#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>

class QAbstractSpinBox;
class QAction;
class QWidget;

namespace quorva {

// One command of the window that the keyboard reaches: an action with its
// shortcut, added to `owner`, active while the focus is in `owner`
// (Qt::WidgetShortcut) or anywhere in its window (Qt::WindowShortcut). Its
// text carries no mnemonic; menus that hold it show its shortcut.
QAction* AddCommand(QWidget& owner, const char* objectName, const QString& text,
                    const QKeySequence& keys, Qt::ShortcutContext context,
                    std::function<void()> run);

// Keys that a number field would take for its text but that act on the rows
// instead, through the window's shortcuts:
// - Ctrl+V is the field's own paste while the clipboard holds a single
//   number, and pastes rows when it holds at least one whole row;
// - Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y, are the field's own undo and redo
//   only while it holds typing not yet added (see ForgetTyping); otherwise
//   they take back and redo steps of the rows.
void PassRowKeysToWindow(QAbstractSpinBox& field);

// Once Add has taken what was typed in `field`, its own undo has nothing
// left to take back.
void ForgetTyping(QAbstractSpinBox& field);

} // namespace quorva
