// Opens the triangle view of n random values (0 to 99) on Qt's offscreen
// platform and prints, on one line: the seconds from the command to the first
// painted frame and until the picture is complete, the memory the view added
// by then, the triangle's own size, and for four named zoom levels and for
// every zoom step from the fitted view in (zoom_<m>: m steps of ZoomStep)
// the median and the slowest of a run of frames, each painting the full
// viewport after a scroll step. Then, for building the grid alone: the
// longest gap between two looks at the progress (how long the event loop
// would wait) and how long a Cancel given after a second takes.
//
//   QT_QPA_PLATFORM=offscreen quorva_view_driver N
//
// QUORVA_VIEW_FRAMES=N paints N frames a zoom level instead of 40, and
// QUORVA_VIEW_NO_BUILDS=1 leaves out building the grid alone.
// With QUORVA_VIEW_SHOTS=FOLDER it also saves the fitted view's window in
// each colour scale there, as fitted-N-<scale>.png.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QScrollBar>
#include <QStringListModel>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "model/base/progress.h"
#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/triangle_grid.h"
#include "ui/dialogs/qt_user_dialogs.h"
#include "ui/triangle_view/triangle_canvas.h"
#include "ui/triangle_view/triangle_window.h"

namespace {

// Frames a zoom level, QUORVA_VIEW_FRAMES if set: fewer for a quick look.
int Frames()
{
    const char* frames = std::getenv("QUORVA_VIEW_FRAMES");
    return frames ? std::max(1, std::atoi(frames)) : 40;
}

std::size_t CurrentResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    std::size_t resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Processor time this thread has used, in milliseconds: unlike the wall
// clock, it does not count the time other programs held the processor.
double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct TFrameTimes {
    double median = 0;
    double worst = 0;
    double cpuMedian = 0;
    double cpuWorst = 0;
};

// Median and slowest frame, in milliseconds of wall-clock and of processor
// time, of frames scrolled one step down the middle of the triangle at the
// given zoom.
TFrameTimes FrameTimes(quorva::TTriangleCanvas& canvas, double cellSize)
{
    canvas.SetCellSize(cellSize, QPointF(0, 0));
    QScrollBar& down = *canvas.verticalScrollBar();
    QScrollBar& across = *canvas.horizontalScrollBar();
    across.setValue(across.maximum() / 4);
    down.setValue(down.maximum() / 2 - Frames() * down.singleStep());
    QImage frame(canvas.viewport()->size(), QImage::Format_RGB32);
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int i = 0; i < Frames(); ++i) {
        down.setValue(down.value() + std::max(down.singleStep(), 3));
        const double cpuStart = ThreadMilliseconds();
        const quorva::bench::TStopwatch stopwatch;
        canvas.viewport()->render(&frame);
        times.push_back(stopwatch.Seconds() * 1000);
        cpuTimes.push_back(ThreadMilliseconds() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    return {times[times.size() / 2], times.back(), cpuTimes[cpuTimes.size() / 2], cpuTimes.back()};
}

// Notes the longest gap between two calls, and says stop once `stopAfter`
// seconds have gone by.
class TTimingProgress final : public quorva::TProgress {
public:
    explicit TTimingProgress(double stopAfter) : stopAfter_(stopAfter) {}

    bool Proceed(std::uint64_t, std::uint64_t) override
    {
        const double now = stopwatch_.Seconds();
        worstGap = std::max(worstGap, now - last_);
        last_ = now;
        if (now < stopAfter_)
            return true;
        stoppedAt = std::min(stoppedAt, now);
        return false;
    }

    double worstGap = 0;
    double stoppedAt = 1e9;

private:
    quorva::bench::TStopwatch stopwatch_;
    double stopAfter_;
    double last_ = 0;
};

// The longest stall while the grid builds to the end, and the seconds from
// Cancel to the build's end when Cancel comes after a second.
std::pair<double, double> BuildTimes(const quorva::TRowTable& rows)
{
    TTimingProgress whole(1e9);
    quorva::TTriangleGrid(rows, 0, whole);
    TTimingProgress cancelled(1.0);
    const quorva::bench::TStopwatch stopwatch;
    try {
        quorva::TTriangleGrid(rows, 0, cancelled);
    } catch (const quorva::Cancelled&) {
    }
    if (cancelled.stoppedAt > 1e8)
        return {whole.worstGap, -1};
    return {whole.worstGap, stopwatch.Seconds() - cancelled.stoppedAt};
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quorva;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s N\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const auto n = static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10));
    const TRowTable rows = test::RandomRows(n, 0, 99);
    QStringListModel lines;
    TQtUserDialogs dialogs(QStringLiteral("quorva"));

    const std::size_t before = CurrentResidentBytes();
    const bench::TStopwatch stopwatch;
    TTriangleWindow* window = ShowTriangleWindow(rows, 0, lines, dialogs, nullptr);
    QCoreApplication::processEvents();
    window->Canvas().viewport()->repaint();
    const double openSeconds = stopwatch.Seconds();
    // The rest is built on the view's worker; the picture is complete once
    // the view has been told so and has painted it.
    TTriangleCanvas& canvas = window->Canvas();
    while (window->IsBuilding())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    canvas.viewport()->repaint();
    const double refinedSeconds = stopwatch.Seconds();
    const std::size_t added = bench::PeakResidentBytes() - before;

    // Pictures of the fitted view, when asked for: the window as shown, in
    // each colour scale, into the folder named.
    if (const char* shots = std::getenv("QUORVA_VIEW_SHOTS")) {
        auto* scale = window->findChild<QComboBox*>(QStringLiteral("ColourScale"));
        canvas.Fit();
        for (int i = 0; i < scale->count(); ++i) {
            scale->setCurrentIndex(i);
            const QString kind = scale->currentText().split(' ').first().toLower();
            window->grab().save(QStringLiteral("%1/fitted-%2-%3.png").arg(shots).arg(n).arg(kind));
        }
        scale->setCurrentIndex(0);
    }
    const TFrameTimes numbers = FrameTimes(canvas, 30);
    const TFrameTimes pixel = FrameTimes(canvas, 1);
    const TFrameTimes means = FrameTimes(canvas, std::max(canvas.FitCellSize(), 1 / 16.0));
    const double fitted = canvas.FitCellSize();
    const TFrameTimes fit = FrameTimes(canvas, fitted);

    std::printf("open_seconds=%.4f refined_seconds=%.4f view_bytes=%zu triangle_bytes=%zu "
                "viewport=%dx%d fit_cell=%.4f",
                openSeconds, refinedSeconds, added, n * (n + 1) / 2, canvas.viewport()->width(),
                canvas.viewport()->height(), fitted);
    const std::pair<const char*, const TFrameTimes*> zooms[] = {
        {"numbers", &numbers}, {"pixel", &pixel}, {"sixteenth", &means}, {"fit", &fit}};
    for (const auto& [name, times] : zooms)
        std::printf(" %s_ms=%.2f %s_worst_ms=%.2f %s_cpu_ms=%.2f %s_cpu_worst_ms=%.2f", name,
                    times->median, name, times->worst, name, times->cpuMedian, name,
                    times->cpuWorst);
    // Every zoom step from the fitted view to the numbers.
    int step = 0;
    double slowest = 0;
    double slowestCpu = 0;
    for (double size = fitted; size < TTriangleCanvas::MaxCellSize;
         size *= TTriangleCanvas::ZoomStep, ++step) {
        const TFrameTimes times = FrameTimes(canvas, size);
        slowest = std::max(slowest, times.worst);
        slowestCpu = std::max(slowestCpu, times.cpuWorst);
        std::printf(
            " zoom_%d_cell=%.5f zoom_%d_ms=%.2f zoom_%d_worst_ms=%.2f zoom_%d_cpu_worst_ms=%.2f",
            step, size, step, times.median, step, times.worst, step, times.cpuWorst);
    }
    std::printf(" zoom_steps=%d zoom_slowest_ms=%.2f zoom_slowest_cpu_ms=%.2f", step, slowest,
                slowestCpu);
    delete window;
    if (std::getenv("QUORVA_VIEW_NO_BUILDS")) {
        std::printf("\n");
        return 0;
    }
    const auto [worstGap, cancelSeconds] = BuildTimes(rows);
    // A build over within the second has nothing to cancel.
    if (cancelSeconds < 0)
        std::printf(" build_stall_worst_ms=%.1f cancel_ms=none\n", worstGap * 1000);
    else
        std::printf(" build_stall_worst_ms=%.1f cancel_ms=%.1f\n", worstGap * 1000,
                    cancelSeconds * 1000);
    return 0;
}
