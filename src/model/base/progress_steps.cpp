#include "model/base/progress_steps.h"

#include <algorithm>

namespace quorva {

TProgressSteps::TProgressSteps(TProgress& progress, std::uint64_t total, std::uint64_t step)
    : progress_(progress), total_(total), step_(std::max<std::uint64_t>(step, 1))
{
    Report(0);
}

void TProgressSteps::Reach(std::uint64_t done)
{
    // The last report belongs to Finish, so that a cancel there still comes
    // before anything is committed.
    done = std::min(done, total_);
    if (done >= next_ && done < total_)
        Report(done);
}

void TProgressSteps::Finish()
{
    Report(total_);
}

void TProgressSteps::Remind()
{
    Report(reported_);
}

void TProgressSteps::Report(std::uint64_t done)
{
    reported_ = done;
    next_ = done + step_;
    ProceedOrCancel(progress_, done, total_);
}

} // namespace quorva
