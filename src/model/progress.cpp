#include "model/progress.h"

namespace quorva {
namespace {

class TNoProgress final : public TProgress {
public:
    bool Proceed(std::uint64_t, std::uint64_t) override { return true; }
};

} // namespace

TProgress& NoProgress()
{
    static TNoProgress none;
    return none;
}

} // namespace quorva
