#pragma once

#include <functional>
#include <string>

namespace quorva::test {

// Permission cases need a user the permissions apply to. Run as root (as CI
// runs), they are run in a child that drops to `nobody`; otherwise as the
// user running the tests.

// Whether the cases can run: not root, or root on a machine with `nobody`.
bool CanRunUnprivileged();

// Gives everything under `folder` (the folder included) to the user the
// cases run as, so that it may work there as in its own folder.
void HandToUnprivileged(const std::string& folder);

// The user and group ids the cases run as.
unsigned UnprivilegedUid();
unsigned UnprivilegedGid();

// Makes this process (a child) that user, with its own state folder.
void BecomeUnprivileged();

// Runs `action` as that user in a child process; returns the message of the
// exception it raised, "" when it raised none.
std::string RunUnprivileged(const std::function<void()>& action);

} // namespace quorva::test
