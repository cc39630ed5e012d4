#include "support/hand_clock.h"

#include <algorithm>

namespace quorva::test {

THandClock::TTime THandClock::Now() const
{
    const std::lock_guard lock(mutex_);
    return now_;
}

// Checks the time and registers in one step under the clock's lock, while
// the caller still holds its own: a move of the clock in between finds the
// waiter registered, and cannot notify it before it waits.
void THandClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TTime deadline)
{
    const TWaiter waiter{&changed, lock.mutex(), deadline};
    {
        const std::lock_guard own(mutex_);
        if (now_ >= deadline)
            return;
        waiters_.push_back(waiter);
    }
    changed.wait(lock);
    const std::lock_guard own(mutex_);
    const auto found = std::find_if(waiters_.begin(), waiters_.end(), [&](const TWaiter& one) {
        return one.changed == &changed && one.deadline == deadline;
    });
    if (found != waiters_.end())
        waiters_.erase(found);
}

void THandClock::MoveTo(TTime time)
{
    std::vector<TWaiter> due;
    {
        const std::lock_guard own(mutex_);
        now_ = std::max(now_, time);
        for (const TWaiter& waiter : waiters_)
            if (waiter.deadline <= now_)
                due.push_back(waiter);
    }
    // The waiter's own lock, so that the notice cannot come before its wait.
    for (const TWaiter& waiter : due) {
        const std::lock_guard theirs(*waiter.mutex);
        waiter.changed->notify_all();
    }
}

} // namespace quorva::test
