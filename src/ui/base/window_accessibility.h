#pragma once

#include <QAccessible>

class QString;
class QWidget;
struct QMetaObject;

namespace quorva {

// Makes assistive technology announce every widget of the class `type` in
// `role`: the tool's window as an application window (role frame), as it
// does a main window, rather than as a plain filler panel; its error dialog
// as an alert, as it does the system's message box. Call before the first
// such widget reaches assistive technology, which keeps the first
// description it gets of an object. Safe to call more than once.
void AnnounceClassAs(const QMetaObject& type, QAccessible::Role role);

// Makes assistive technology announce `notice` as an alert, named by its
// `text`, each time it is shown, so that a screen reader reads it out though
// the focus is elsewhere. Call before the notice is first shown.
void AnnounceAsAlert(QWidget& notice, const QString& text);

// Tells assistive technology `text` as an alert of `window`'s own, leaving
// the focus where it is: what a screen reader says after a change that
// following the focus would not hear of. The alert is a child of the window
// with no size, in no tab order, in place of the one before.
void AnnounceFrom(QWidget& window, const QString& text);

} // namespace quorva
