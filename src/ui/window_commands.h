#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>

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

// Ctrl+V in `field` is the field's own paste while the clipboard holds a
// single number; when it holds at least one whole row, the key goes on to
// the window's shortcut, which pastes rows.
void PassRowPasteToWindow(QWidget& field);

} // namespace quorva
