#pragma once

#include <functional>
#include <initializer_list>

#include "model/base/progress.h"

namespace quorva::bench {

struct TLatencies {
    double median;
    double worst;
};

// How soon an operation ends after the user asks it to stop: runs
// `operation` once for each share of `seconds` (how long it takes whole),
// asks it to stop from another thread at that moment, as a click would
// come, and measures from the request until the call has returned. A run
// that ended before its request counts for nothing; if all do, throws.
TLatencies CancelLatencies(const std::function<void(TProgress&)>& operation, double seconds,
                           std::initializer_list<double> shares);

} // namespace quorva::bench
