#pragma once

#include <chrono>
#include <cstddef>

namespace quorva::bench {

// The most memory this process has had resident at any one time, in bytes.
std::size_t PeakResidentBytes();

// Seconds elapsed since construction, on the monotonic clock.
class TStopwatch {
public:
    double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace quorva::bench
