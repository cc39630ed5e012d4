#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quorva {

// The time a thread with a deadline goes by, and how it waits for it: the
// steady clock in the program, a clock a test moves by hand in the tests, so
// that a promise such as "on disk within a second" is checked without
// waiting a second.
class TDeadlineClock {
public:
    using TTime = std::chrono::steady_clock::time_point;

    virtual ~TDeadlineClock() = default;
    virtual TTime Now() const = 0;
    // Waits on `changed`, `lock` held, until it is notified or `deadline`
    // has come by this clock (TTime::max(): no deadline). May return early;
    // the caller looks again at what it waits for.
    virtual void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TTime deadline) = 0;
};

// The steady clock, for the program.
TDeadlineClock& SteadyDeadlineClock();

} // namespace quorva
