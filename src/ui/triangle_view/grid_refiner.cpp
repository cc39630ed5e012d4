#include "ui/triangle_view/grid_refiner.h"

#include <chrono>

#include "model/base/progress.h"
#include "triangle/triangle_grid.h"

namespace quorva {
namespace {

// How often the view is told: often enough for the picture to fill in
// smoothly, rarely enough that repainting costs the filling little.
constexpr std::chrono::milliseconds RefineInterval{60};

// Stops the filling when the refiner goes, and tells of the columns made
// ready at most every RefineInterval.
class TRefineProgress final : public TProgress {
public:
    TRefineProgress(std::stop_token stop, TGridRefiner& refiner)
        : stop_(std::move(stop)), refiner_(refiner), last_(std::chrono::steady_clock::now())
    {
    }

    bool Proceed(std::uint64_t, std::uint64_t) override
    {
        if (stop_.stop_requested())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ >= RefineInterval) {
            last_ = now;
            Tell(refiner_);
        }
        return true;
    }

    static void Tell(TGridRefiner& refiner)
    {
        // Queued: the signal is sent on the refiner's thread, and not at all
        // once the refiner has gone.
        QMetaObject::invokeMethod(
            &refiner, [&refiner] { emit refiner.Refined(); }, Qt::QueuedConnection);
    }

private:
    std::stop_token stop_;
    TGridRefiner& refiner_;
    std::chrono::steady_clock::time_point last_;
};

} // namespace

TGridRefiner::TGridRefiner(std::shared_ptr<TTriangleGrid> grid, QObject* parent)
    : QObject(parent), grid_(std::move(grid)),
      worker_([this](std::stop_token stop) { Work(std::move(stop)); })
{
}

TGridRefiner::~TGridRefiner()
{
    worker_.request_stop();
    worker_.join();
}

void TGridRefiner::Work(std::stop_token stop) noexcept
{
    TRefineProgress progress(std::move(stop), *this);
    try {
        grid_->Fill(progress);
    } catch (const Cancelled&) {
        return;
    }
    TRefineProgress::Tell(*this);
}

} // namespace quorva
