#pragma once

namespace quorva {

// Makes assistive technology announce the tool's window as an application
// window (role frame), as it does for a main window, rather than as a plain
// filler panel. Safe to call more than once.
void AnnounceFormAsWindow();

// Makes assistive technology announce the tool's error dialog as an alert,
// as it does the system's message box, so that a screen reader reads it out
// at once. Safe to call more than once.
void AnnounceErrorDialogAsAlert();

} // namespace quorva
