#pragma once

namespace quorva {

// Makes assistive technology announce the tool's window as an application
// window (role frame), as it does for a main window, rather than as a plain
// filler panel. Safe to call more than once.
void AnnounceFormAsWindow();

} // namespace quorva
