#include "model/base/progress.h"

namespace quorva {
namespace {

class TNoProgress final : public TProgress {
public:
    bool Proceed(std::uint64_t, std::uint64_t) override { return true; }
};

} // namespace

void ProceedOrCancel(TProgress& progress, std::uint64_t done, std::uint64_t total)
{
    if (!progress.Proceed(done, total))
        throw Cancelled();
}

TProgress& NoProgress()
{
    static TNoProgress none;
    return none;
}

} // namespace quorva
