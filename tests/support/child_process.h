#pragma once

#include <functional>
#include <string>

namespace quorva::test {

// How a child process ended, and the message it sent before that.
struct TChildEnd {
    bool exited = false; // ended by _exit rather than by a signal
    int signal = 0;      // the signal that ended it, when not exited
    std::string message; // what(): of the exception `action` raised, "" for none
};

// Runs `action` in a forked child, so that it may change what only a process
// can (limits, user, mount namespace) or die without taking the test along.
// The child sends the message of any exception it raises back to the parent.
TChildEnd RunInChild(const std::function<void()>& action);

// The same, for an action that must end normally: returns its message, or
// throws when the child died.
std::string MessageFromChild(const std::function<void()>& action);

} // namespace quorva::test
