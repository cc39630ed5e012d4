#pragma once

#include <algorithm>
#include <vector>

#include "model/base/deadline_clock.h"

namespace quorva::test {

// A clock that stands still until the test moves it, and wakes a thread
// waiting for a deadline only once it has passed it, as the steady clock
// would: a thread that waits with no deadline is not woken by time.
class THandClock final : public TDeadlineClock {
public:
    TTime Now() const override { return std::lock_guard(mutex_), now_; }

    // Checks the time and registers at once, the caller's lock still held:
    // a move in between finds it registered, and cannot notify before the wait.
    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TTime deadline) override
    {
        {
            const std::lock_guard own(mutex_);
            if (now_ >= deadline)
                return;
            waiters_.push_back({&changed, lock.mutex(), deadline});
            registered_.notify_all();
        }
        changed.wait(lock);
        const std::lock_guard own(mutex_);
        std::erase_if(waiters_, [&](const TWaiter& one) { return one.changed == &changed; });
    }

    void MoveTo(TTime time)
    {
        std::vector<TWaiter> due;
        {
            const std::lock_guard own(mutex_);
            now_ = std::max(now_, time);
            std::ranges::copy_if(waiters_, std::back_inserter(due),
                                 [&](const TWaiter& one) { return one.deadline <= now_; });
        }
        for (const TWaiter& waiter : due) {
            const std::lock_guard theirs(*waiter.mutex);
            waiter.changed->notify_all();
        }
    }

    // Waits, for real and at most `timeout`, until a thread sleeps with a
    // deadline no later than `by`.
    bool AwaitSleeperBy(TTime by, std::chrono::milliseconds timeout)
    {
        std::unique_lock own(mutex_);
        return registered_.wait_for(own, timeout, [&] {
            return std::ranges::any_of(waiters_,
                                       [&](const TWaiter& one) { return one.deadline <= by; });
        });
    }

private:
    struct TWaiter {
        std::condition_variable* changed;
        std::mutex* mutex;
        TTime deadline;
    };
    mutable std::mutex mutex_;
    std::condition_variable registered_;
    TTime now_ = TTime{} + std::chrono::hours(1);
    std::vector<TWaiter> waiters_;
};

} // namespace quorva::test
