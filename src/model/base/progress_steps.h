#pragma once

#include <cstdint>

#include "model/base/progress.h"

namespace quorva {

// Tells a TProgress how far an operation has got, in units of the
// operation's choosing (bytes here), and raises Cancelled when it says stop.
// Reports at most about once per `step` units, so that asking costs nothing
// next to the work; the first report (0) and the last (total) always go out.
class TProgressSteps {
public:
    static constexpr std::uint64_t DefaultStep = 1 << 20;

    TProgressSteps(TProgress& progress, std::uint64_t total, std::uint64_t step = DefaultStep);

    // `done` units are finished; smaller than the last report is ignored, so
    // progress only ever rises.
    void Reach(std::uint64_t done);
    // Everything is done: reports total of total.
    void Finish();
    // Reports again how far the operation has got, for one that is waiting
    // rather than working, so that its caller still hears of a cancel.
    void Remind();

    std::uint64_t Total() const { return total_; }

private:
    void Report(std::uint64_t done);

    TProgress& progress_;
    std::uint64_t total_;
    std::uint64_t step_;
    std::uint64_t next_ = 0;
    std::uint64_t reported_ = 0;
};

} // namespace quorva
