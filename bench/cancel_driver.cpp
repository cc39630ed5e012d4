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

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "cancel_timing.h"
#include "model/base/progress.h"
#include "model/files/atomic_file_writer.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/triangle_csv.h"

namespace {

// Cancels at several moments along an export that takes `seconds` whole.
quorva::bench::TLatencies CancelLatencies(const quorva::TRowTable& rows, const char* fileName,
                                          double seconds)
{
    return quorva::bench::CancelLatencies(
        [&](quorva::TProgress& progress) {
            quorva::ExportTriangleCsv(rows, 0, fileName, progress);
        },
        seconds, {0.02, 0.1, 0.3, 0.5, 0.7, 0.9});
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

        const bench::TLatencies cancels = CancelLatencies(rows, argv[2], seconds);
        // Into /dev/null there is no file to remove: the export's own part.
        const bench::TLatencies stops = CancelLatencies(rows, "/dev/null", seconds);
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
