// Opens a row-list file as the window's Open does (read, split, parse every
// line) and prints, on one line: the lines read, the seconds it took and the
// peak resident memory of this process.
//
//   quorva_open_driver FILE

#include <cstdio>
#include <string>

#include "model/base/error.h"
#include "model/rows/row_list_file.h"
#include "process_usage.h"

int main(int argc, char** argv)
{
    using namespace quorva;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    TLineList lines;
    TRowTable rows;
    const bench::TStopwatch stopwatch;
    try {
        OpenRowListFile(lines, rows, argv[1]);
    } catch (const Error& refusal) {
        std::fprintf(stderr, "%s\n", refusal.what());
        return 1;
    }
    const double seconds = stopwatch.Seconds();
    std::printf("lines=%d seconds=%.6f peak_rss=%zu\n", lines.Count(), seconds,
                bench::PeakResidentBytes());
    return 0;
}
