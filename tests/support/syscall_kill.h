#pragma once

#include <functional>

#include "support/child_process.h"

namespace quorva::test {

// A moment in a process's run: the `count`-th entry into (or return from)
// system call `number`, counted from the first entry into `after` (-1: from
// the start).
struct TSyscallMoment {
    long number = 0;
    bool onReturn = false;
    int count = 1;
    long after = -1;
};

// Runs `action` in a child traced (ptrace) up to `moment`, where `atMoment`
// runs while the child waits; without it the child is killed there with
// SIGKILL, as a crash would end it. Processes `atMoment` forks are waited
// for. Returns the child's end as RunInChild does.
TChildEnd RunInterruptedAt(const TSyscallMoment& moment, const std::function<void()>& action,
                           const std::function<void()>& atMoment = nullptr);

} // namespace quorva::test
