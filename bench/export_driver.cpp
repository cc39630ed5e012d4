// Exports the triangle of n random values (0 to 99) to a file and prints, on
// one line: the bytes written, the seconds the export took and the peak
// resident memory of this process.
//
//   quorva_export_driver N FILE

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "model/files/atomic_file_writer.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/triangle_csv.h"

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
        const bench::TStopwatch stopwatch;
        ExportTriangleCsv(rows, 0, argv[2]);
        const double seconds = stopwatch.Seconds();
        // A device such as /dev/null has no size; it serves to time the
        // export without the disk.
        std::error_code noSize;
        const std::uintmax_t bytes = std::filesystem::file_size(argv[2], noSize);
        std::printf("bytes=%ju seconds=%.6f peak_rss=%zu\n", noSize ? std::uintmax_t{0} : bytes,
                    seconds, bench::PeakResidentBytes());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
