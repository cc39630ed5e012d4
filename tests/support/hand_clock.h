#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "model/base/deadline_clock.h"

namespace quorva::test {

// A clock that stands still until the test moves it, and wakes a thread
// waiting for a deadline only when the clock has passed it, as the steady
// clock would: a thread that waits with no deadline is not woken by time.
class THandClock final : public TDeadlineClock {
public:
    THandClock() : now_(TTime{} + std::chrono::hours(1)) {}

    TTime Now() const override;
    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TTime deadline) override;
    // Moves the clock on to `time` and wakes those whose deadline it passes.
    void MoveTo(TTime time);

private:
    struct TWaiter {
        std::condition_variable* changed;
        std::mutex* mutex;
        TTime deadline;
    };
    mutable std::mutex mutex_;
    TTime now_;
    std::vector<TWaiter> waiters_;
};

} // namespace quorva::test
