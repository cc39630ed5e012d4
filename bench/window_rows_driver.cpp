// Opens a row-list file through the real window (offscreen), deletes the
// middle row and takes the Delete back twice, then saves the rows under a new
// name, and prints on one line what each took: wall-clock seconds, the
// window's thread's CPU time, and how far the peak resident memory rose above
// what was resident before.
//
//   QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=DIR quorva_window_rows_driver ROWS.tir SAVED.tir

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include <sys/resource.h>

#include "printing_dialogs.h"
#include "process_usage.h"
#include "ui/Unit1.h"

namespace {

std::size_t StatusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stoull(line.substr(line.find(':') + 1)) * 1024;
    return 0;
}

double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `action` and the events it leaves, and prints NAME_seconds,
// NAME_cpu_seconds and NAME_peak_bytes.
void Measure(const char* name, const std::function<void()>& action)
{
    // Starts the peak over from what is resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    const std::size_t before = StatusBytes("VmRSS");
    const double cpu = ThreadCpuSeconds();
    const quorva::bench::TStopwatch stopwatch;
    action();
    QCoreApplication::processEvents();
    std::printf("%s_seconds=%.6f %s_cpu_seconds=%.6f %s_peak_bytes=%zu ", name, stopwatch.Seconds(),
                name, ThreadCpuSeconds() - cpu, name, StatusBytes("VmHWM") - before);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROWS.tir SAVED.tir\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    quorva::bench::TPrintingDialogs dialogs;
    dialogs.saveAs = argv[2];
    quorva::TForm1 form(dialogs);
    form.show();
    QCoreApplication::processEvents();
    Measure("open", [&] { form.OpenRowList(argv[1]); });
    auto* list = form.findChild<QAbstractItemView*>(QStringLiteral("ListBox1"));
    auto* undo = form.findChild<QAction*>(QStringLiteral("actUndo"));
    for (const char* round : {"first", "second"}) {
        list->setCurrentIndex(list->model()->index(form.Lines().Count() / 2, 0));
        Measure((std::string(round) + "_delete").c_str(), [&] { form.Button3Click(); });
        Measure((std::string(round) + "_undo").c_str(), [&] { undo->trigger(); });
    }
    Measure("save", [&] { form.btnSaveClick(); });
    std::printf("rows=%d file_bytes=%zu\n", form.Lines().Count(),
                static_cast<std::size_t>(std::ifstream(argv[1], std::ios::ate).tellg()));
    // Closing would ask about the unsaved rows; they are left to the journal.
    return 0;
}
