// How soon the export stops after the user asks it to: exports the triangle
// of n random values (0 to 99) once whole, to learn how long it takes, then
// asks it to stop at several moments along the way, from another thread as a
// click would come, and prints the longest and the median time from the
// request until the export has ended (thread joined, temporary file removed).
//
//   quorva_cancel_driver N FILE
//
// Also prints how long removing the whole exported file took, the part of
// the latency that belongs to the file system.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <thread>
#include <vector>

#include "model/base/progress.h"
#include "model/files/atomic_file_writer.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/triangle_csv.h"

namespace {

using Clock = std::chrono::steady_clock;

// Says stop once the flag is set.
class TStopRequest final : public quorva::TProgress {
public:
    std::atomic<bool> requested{false};
    bool Proceed(std::uint64_t, std::uint64_t) override { return !requested; }
};

// Seconds from the request at `after` seconds into the export until it ended.
double CancelLatency(const quorva::TRowTable& rows, const char* fileName, double after)
{
    TStopRequest stop;
    Clock::time_point requestedAt{};
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(after));
        requestedAt = Clock::now();
        stop.requested = true;
    });
    try {
        quorva::ExportTriangleCsv(rows, 0, fileName, stop);
    } catch (const quorva::Cancelled&) {
    }
    const Clock::time_point ended = Clock::now();
    requester.join();
    // An export that ended before the request was not cancelled at all.
    return ended < requestedAt ? -1 : std::chrono::duration<double>(ended - requestedAt).count();
}

struct TLatencies {
    double median;
    double worst;
};

// Cancels at several moments along an export that takes `seconds` whole.
TLatencies CancelLatencies(const quorva::TRowTable& rows, const char* fileName, double seconds)
{
    std::vector<double> latencies;
    for (double share : {0.02, 0.1, 0.3, 0.5, 0.7, 0.9}) {
        const double latency = CancelLatency(rows, fileName, share * seconds);
        if (latency >= 0)
            latencies.push_back(latency);
    }
    if (latencies.empty())
        throw std::runtime_error("every export ended before it was asked to stop");
    std::sort(latencies.begin(), latencies.end());
    return {latencies[latencies.size() / 2], latencies.back()};
}

} // namespace

int main(int argc, char** argv)
{
    quorva::IgnoreBrokenPipes();
    using namespace quorva;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s N FILE\n", argv[0]);
        return 2;
    }
    try {
        const auto n = static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10));
        const TRowTable rows = test::RandomRows(n, 0, 99);
        const double seconds = bench::SecondsOf([&] { ExportTriangleCsv(rows, 0, argv[2]); });
        // Removing a file takes the file system a while, in proportion to
        // its size; a cancelled export pays it for its part-written file.
        const double removeSeconds = bench::SecondsOf([&] { std::remove(argv[2]); });

        const TLatencies cancels = CancelLatencies(rows, argv[2], seconds);
        // Into /dev/null there is no file to remove: the export's own part.
        const TLatencies stops = CancelLatencies(rows, "/dev/null", seconds);
        std::printf("export_seconds=%.6f remove_seconds=%.6f cancel_median=%.6f cancel_max=%.6f "
                    "stop_median=%.6f stop_max=%.6f\n",
                    seconds, removeSeconds, cancels.median, cancels.worst, stops.median,
                    stops.worst);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
