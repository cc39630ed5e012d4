#pragma once

class QString;
class QWidget;

namespace quorva {

// Makes assistive technology announce the tool's window as an application
// window (role frame), as it does for a main window, rather than as a plain
// filler panel. Safe to call more than once.
void AnnounceFormAsWindow();

// Makes assistive technology announce `notice` as an alert, named by its
// `text`, each time it is shown, so that a screen reader reads it out though
// the focus is elsewhere. Call before the notice is first shown.
void AnnounceAsAlert(QWidget& notice, const QString& text);

// Makes assistive technology announce the tool's error dialog as an alert,
// as it does the system's message box, so that a screen reader reads it out
// at once. Safe to call more than once.
void AnnounceErrorDialogAsAlert();

} // namespace quorva
