#include "model/base/deadline_clock.h"

namespace quorva {
namespace {

class TSteadyDeadlineClock final : public TDeadlineClock {
public:
    TTime Now() const override { return std::chrono::steady_clock::now(); }

    void WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TTime deadline) override
    {
        if (deadline == TTime::max())
            changed.wait(lock);
        else
            changed.wait_until(lock, deadline);
    }
};

} // namespace

TDeadlineClock& SteadyDeadlineClock()
{
    static TSteadyDeadlineClock clock;
    return clock;
}

} // namespace quorva
