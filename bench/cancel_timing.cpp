#include "cancel_timing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorva::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Says stop once the flag is set.
class TStopRequest final : public TProgress {
public:
    std::atomic<bool> requested{false};
    bool Proceed(std::uint64_t, std::uint64_t) override { return !requested; }
};

// Seconds from the request at `after` seconds in until the call ended, or -1.
double CancelLatency(const std::function<void(TProgress&)>& operation, double after)
{
    TStopRequest stop;
    Clock::time_point requestedAt{};
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(after));
        requestedAt = Clock::now();
        stop.requested = true;
    });
    try {
        operation(stop);
    } catch (const Cancelled&) {
    }
    const Clock::time_point ended = Clock::now();
    requester.join();
    return ended < requestedAt ? -1 : std::chrono::duration<double>(ended - requestedAt).count();
}

} // namespace

TLatencies CancelLatencies(const std::function<void(TProgress&)>& operation, double seconds,
                           std::initializer_list<double> shares)
{
    std::vector<double> latencies;
    for (double share : shares)
        if (const double latency = CancelLatency(operation, share * seconds); latency >= 0)
            latencies.push_back(latency);
    if (latencies.empty())
        throw std::runtime_error("every run ended before it was asked to stop");
    std::sort(latencies.begin(), latencies.end());
    return {latencies[latencies.size() / 2], latencies.back()};
}

} // namespace quorva::bench
