// The .xlsx export against a bare loop of the same library calls, one
// measurement a process so that the peak memory is that run's own.
//
//   quorva_xlsx_driver export N FILE   the export of n random values (0 to 99)
//   quorva_xlsx_driver bare N FILE     the library alone: the same sheets,
//                                      colour scale and numbers, from a
//                                      triangle computed before the clock starts
//   quorva_xlsx_driver cancel N FILE   how soon the export ends after a stop
//                                      asked at 10, 30, 50, 70 and 90 % of its time
//
// Prints one line: bytes=, seconds=, peak_rss= (cancel: cancel_median=,
// cancel_max=). The export assembles the archive in a child process, whose
// own peak is child_peak_rss=.

#include <sys/resource.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cancel_timing.h"
#include "model/files/atomic_file_writer.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/compact_triangle.h"
#include "triangle/triangle_xlsx.h"

namespace {

using namespace quorva;

// The export's library calls and nothing else: no checks, no progress, no
// work file, no copy; the file is written where it is named.
void BareLoop(const TRowTable& rows, const char* fileName)
{
    const std::vector<std::int32_t> values = ColumnValues(rows, 0);
    const TCompactTriangle<std::uint8_t> triangle(values);
    const std::size_t n = values.size();
    const std::size_t lines = 2 * n - 1;
    const bench::TStopwatch stopwatch;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::string folder = std::filesystem::path(fileName).parent_path().string();
    options.tmpdir = folder.data();
    options.use_zip64 = std::uint64_t{n} * n > (std::uint64_t{1} << 27) ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(fileName, &options);
    std::vector<lxw_worksheet*> sheets;
    for (std::size_t first = 0; first < n; first += SheetColumns) {
        const std::size_t last = std::min(first + SheetColumns, n);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, SheetName(first + 1, last).c_str());
        lxw_conditional_format scale{};
        scale.type = LXW_CONDITIONAL_3_COLOR_SCALE;
        scale.mid_rule_type = LXW_CONDITIONAL_RULE_TYPE_PERCENTILE;
        scale.mid_value = 50;
        worksheet_conditional_format_range(sheet, 0, 0, lxw_row_t(lines - 1),
                                           lxw_col_t(last - first - 1), &scale);
        sheets.push_back(sheet);
    }
    for (std::size_t k = 0; k < lines; ++k)
        for (std::size_t j = k % 2; j <= std::min(k, lines - 1 - k); j += 2)
            worksheet_write_number(sheets[j / SheetColumns], lxw_row_t(k),
                                   lxw_col_t(j % SheetColumns), triangle.At(j, (k - j) / 2),
                                   nullptr);
    if (workbook_close(workbook) != LXW_NO_ERROR)
        throw std::runtime_error("the bare loop failed");
    std::printf("seconds=%.6f ", stopwatch.Seconds());
}

void Cancels(const TRowTable& rows, const char* fileName)
{
    const double seconds = bench::SecondsOf([&] { ExportTriangleXlsx(rows, 0, fileName); });
    std::remove(fileName);
    const bench::TLatencies latencies = bench::CancelLatencies(
        [&](TProgress& progress) { ExportTriangleXlsx(rows, 0, fileName, progress); }, seconds,
        {0.1, 0.3, 0.5, 0.7, 0.9});
    std::printf("cancel_median=%.6f cancel_max=%.6f ", latencies.median, latencies.worst);
}

} // namespace

int main(int argc, char** argv)
{
    IgnoreBrokenPipes();
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s export|bare|cancel N FILE\n", argv[0]);
        return 2;
    }
    try {
        const std::string mode = argv[1];
        const auto n = static_cast<std::size_t>(std::strtoull(argv[2], nullptr, 10));
        const TRowTable rows = test::RandomRows(n, 0, 99);
        if (mode == "export") {
            const double seconds = bench::SecondsOf([&] { ExportTriangleXlsx(rows, 0, argv[3]); });
            std::printf("seconds=%.6f ", seconds);
        } else if (mode == "cancel-at") {
            // One stop, asked QUORVA_CANCEL_AT seconds in.
            const bench::TLatencies latency = bench::CancelLatencies(
                [&](TProgress& progress) { ExportTriangleXlsx(rows, 0, argv[3], progress); },
                std::atof(std::getenv("QUORVA_CANCEL_AT")), {1.0});
            std::printf("cancel=%.6f ", latency.worst);
        } else if (mode == "bare") {
            BareLoop(rows, argv[3]);
        } else {
            Cancels(rows, argv[3]);
        }
        std::error_code noSize;
        const std::uintmax_t bytes = std::filesystem::file_size(argv[3], noSize);
        rusage children{};
        ::getrusage(RUSAGE_CHILDREN, &children);
        std::printf("bytes=%ju peak_rss=%zu child_peak_rss=%ld\n",
                    noSize ? std::uintmax_t{0} : bytes, bench::PeakResidentBytes(),
                    children.ru_maxrss * 1024);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
