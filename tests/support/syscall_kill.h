#pragma once

#include <functional>

#include "support/child_process.h"

namespace quorva::test {

// A moment in a process's run, told by the system calls it makes: the
// `count`-th entry into (or return from) system call `number`, counting only
// once system call `after` has been entered (-1: from the start).
struct TSyscallMoment {
    long number = 0;
    bool onReturn = false;
    int count = 1;
    long after = -1;
};

// Runs `action` in a child that this process traces (ptrace) and stops at
// `moment`. There `atMoment` runs while the child waits, and the child then
// goes on; without it the child is killed with SIGKILL, as a crash or a power
// cut would end it there. A child whose moment never comes ends normally.
// Processes that `atMoment` forks are waited for before this returns.
// The child's end and message are returned as RunInChild returns them.
TChildEnd RunInterruptedAt(const TSyscallMoment& moment, const std::function<void()>& action,
                           const std::function<void()>& atMoment = nullptr);

} // namespace quorva::test
