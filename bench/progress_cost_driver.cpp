// The cost of reporting progress: times the export of the triangle of n
// random values (0 to 99) with no progress at all and with the window's
// progress dialog up from the first moment (events handled, the bar and the
// window repainted every few dozen milliseconds), alternating, and prints
// the median of each. Into /dev/null, so that the disk's ups and downs do not
// hide a difference of a few percent.
//
//   QT_QPA_PLATFORM=offscreen quorva_progress_cost_driver N REPS

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/files/atomic_file_writer.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/triangle_csv.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/main_window/prefix_search.h"

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    quorva::IgnoreBrokenPipes();
    using namespace quorva;
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s N REPS\n", argv[0]);
        return 2;
    }
    const auto n = static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10));
    const int reps = std::atoi(argv[2]);
    const TRowTable rows = test::RandomRows(n, 0, 99);
    QWidget window;
    window.show();

    std::vector<double> plain, withDialog;
    for (int r = 0; r < reps; ++r) {
        plain.push_back(bench::SecondsOf([&] { ExportTriangleCsv(rows, 0, "/dev/null"); }));
        withDialog.push_back(bench::SecondsOf([&] {
            TProgressDialog progress(&window, ExportingCaption(0, "/dev/null"), SteadyMilliseconds,
                                     std::chrono::milliseconds(0));
            ExportTriangleCsv(rows, 0, "/dev/null", progress);
        }));
    }
    std::printf("plain_seconds=%.6f dialog_seconds=%.6f\n", Median(plain), Median(withDialog));
    return 0;
}
