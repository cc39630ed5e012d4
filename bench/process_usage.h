#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

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

// Seconds that `action` takes.
inline double SecondsOf(const std::function<void()>& action)
{
    const TStopwatch stopwatch;
    action();
    return stopwatch.Seconds();
}

} // namespace quorva::bench
