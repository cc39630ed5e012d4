#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "model/base/progress.h"

namespace quorva::test {

// Records every progress call, and says stop at the first call for which
// `stopAt(done, total)` is true.
class TScriptedProgress final : public TProgress {
public:
    using TStopRule = std::function<bool(std::uint64_t done, std::uint64_t total)>;

    explicit TScriptedProgress(TStopRule stopAt = {}) : stopAt_(std::move(stopAt)) {}

    bool Proceed(std::uint64_t done, std::uint64_t total) override
    {
        calls.emplace_back(done, total);
        return !(stopAt_ && stopAt_(done, total));
    }

    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;

private:
    TStopRule stopAt_;
};

} // namespace quorva::test
