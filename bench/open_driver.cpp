// Opens a row-list file as the window's Open does (read and parse every
// line, then hand the rows and the lines that differ from them to the list)
// and prints, on one line: the lines read, the seconds it took and the peak
// resident memory of this process. With --rows only the rows are read, as
// for a caller without a line list, so that the parse can be told apart
// from what the list does with its result.
//
//   quorva_open_driver [--rows] FILE

#include <cstdio>
#include <cstring>
#include <string>

#include "model/base/error.h"
#include "model/rows/row_list_file.h"
#include "process_usage.h"

int main(int argc, char** argv)
{
    using namespace quorva;
    const bool rowsOnly = argc == 3 && std::strcmp(argv[1], "--rows") == 0;
    if (argc != 2 && !rowsOnly) {
        std::fprintf(stderr, "usage: %s [--rows] FILE\n", argv[0]);
        return 2;
    }
    const std::string fileName = argv[argc - 1];
    TLineList lines;
    TRowTable rows;
    const bench::TStopwatch stopwatch;
    try {
        if (rowsOnly)
            rows = ReadRowListFile(fileName);
        else
            OpenRowListFile(lines, rows, fileName);
    } catch (const Error& refusal) {
        std::fprintf(stderr, "%s\n", refusal.what());
        return 1;
    }
    const double seconds = stopwatch.Seconds();
    std::printf("lines=%zu seconds=%.6f peak_rss=%zu\n", rows.size(), seconds,
                bench::PeakResidentBytes());
    return 0;
}
