#pragma once

namespace quorva {

// Who the program is to the desktop: its names (the window's WM_CLASS, which
// the desktop entry names as StartupWMClass), where its settings live
// (~/.config/quorva/), and its windows' icon, the theme's "quorva" or else
// the one built in. Settings an earlier version kept under "Unknown
// Organization" are taken over once, and left where they are.
void SetUpApplicationIdentity();

} // namespace quorva
