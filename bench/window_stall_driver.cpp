// Runs the real window (offscreen) through a script at scale while a 10 ms
// timer watches its event loop, and prints the longest stall (the timer's
// worst lateness) with the step it fell in: once for the time outside any
// progress dialog, where the window must never seem to hang, and once for
// the time a dialog was up, where it is how late Cancel would be heard.
//
//   quorva_window_stall_driver ROWS.tir VIEW_ROWS.tir   (ends killed)
//   quorva_window_stall_driver --restore                 (the next start)
//
// with QT_QPA_PLATFORM=offscreen and XDG_STATE_HOME set for both.
//
// The script: Open ROWS.tir, Delete a row, Save at once, undo; then a second
// window opens VIEW_ROWS.tir, shows its triangle (Ctrl+T) and copies a
// selection far to the right of what is built; once the journal has had a
// moment, the process kills itself. --restore restores what it left.

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "printing_dialogs.h"
#include "ui/Unit1.h"
#include "ui/triangle_view/triangle_canvas.h"
#include "ui/triangle_view/triangle_window.h"

namespace {

using namespace quorva;

constexpr int TickMilliseconds = 10;

// Restores what was left, and saves where asked to.
class TScriptDialogs final : public bench::TPrintingDialogs {
public:
    TRestoreAnswer AskRestoreRows(const std::string&) override { return TRestoreAnswer::Restore; }
};

bool ProgressDialogUp()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        for (auto* dialog : widget->findChildren<QProgressDialog*>())
            if (dialog->isVisible())
                return true;
    return false;
}

// The timer's lateness, the worst of each kind with the step it fell in. A
// stall counts as inside a dialog when one was up as it began.
class TWatchdog {
public:
    TWatchdog()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.start(TickMilliseconds);
        clock_.start();
    }
    // What the step before held the loop for is its own.
    void Enter(std::string step)
    {
        Tick();
        step_ = std::move(step);
        std::fprintf(stderr, "step: %s\n", step_.c_str());
    }
    void Report() const
    {
        std::printf("outside_worst_ms=%.1f outside_step=\"%s\" inside_worst_ms=%.1f "
                    "inside_step=\"%s\"\n",
                    outside_.ms, outside_.step.c_str(), inside_.ms, inside_.step.c_str());
        for (const auto& [step, worst] : steps_)
            std::printf("  %-22s outside %8.1f ms   inside %8.1f ms\n", step.c_str(), worst.first,
                        worst.second);
        std::fflush(stdout);
    }

private:
    struct TWorst {
        double ms = 0;
        std::string step = "none";
    };
    void Tick()
    {
        const qint64 now = clock_.nsecsElapsed();
        const double late = static_cast<double>(now - last_) / 1e6 - TickMilliseconds;
        last_ = now;
        TWorst& worst = dialogUp_ ? inside_ : outside_;
        if (late > worst.ms)
            worst = {late, step_};
        auto& ofStep = StepWorst();
        double& stepWorst = dialogUp_ ? ofStep.second : ofStep.first;
        stepWorst = std::max(stepWorst, late);
        dialogUp_ = ProgressDialogUp();
    }

    std::pair<double, double>& StepWorst()
    {
        if (steps_.empty() || steps_.back().first != step_)
            steps_.push_back({step_, {0.0, 0.0}});
        return steps_.back().second;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    bool dialogUp_ = false;
    std::string step_ = "start";
    TWorst outside_;
    TWorst inside_;
    // Each step's worst, outside and inside a dialog, in the order run.
    std::vector<std::pair<std::string, std::pair<double, double>>> steps_;
};

// Runs the steps one after the other from the event loop, each after the
// pause before it, so that the watchdog sees the loop between them.
class TScript {
public:
    using TStep = std::function<void()>;
    TScript(TWatchdog& watchdog) : watchdog_(watchdog) {}
    void Add(std::string name, int pauseBefore, TStep step)
    {
        steps_.push_back({std::move(name), pauseBefore, std::move(step)});
    }
    void Start() { Next(0); }

private:
    struct TEntry {
        std::string name;
        int pauseBefore;
        TStep step;
    };
    void Next(std::size_t i)
    {
        if (i == steps_.size())
            return;
        QTimer::singleShot(steps_[i].pauseBefore, [this, i] {
            watchdog_.Enter(steps_[i].name);
            steps_[i].step();
            Next(i + 1);
        });
    }
    TWatchdog& watchdog_;
    std::vector<TEntry> steps_;
};

QPushButton* Button(QWidget& form, const char* name)
{
    return form.findChild<QPushButton*>(QString::fromLatin1(name));
}

void SelectLine(TForm1& form, int line)
{
    auto* list = form.findChild<QAbstractItemView*>();
    list->setCurrentIndex(list->model()->index(line, 0));
}

// The far end of the middle lines: the last columns to be built.
void CopyFarSelection(TForm1& viewForm)
{
    const auto views = viewForm.findChildren<TTriangleWindow*>();
    if (views.isEmpty()) {
        std::fprintf(stderr, "no triangle view\n");
        return;
    }
    TTriangleCanvas& canvas = views.front()->Canvas();
    const std::size_t values = static_cast<std::size_t>(viewForm.Rows().size());
    canvas.SetFocusedCell({values - 10, values - 2000});
    canvas.SetFocusedCell({values + 10, values - 20}, true);
    views.front()->CopySelection();
}

} // namespace

int main(int argc, char* argv[])
{
    const bool restore = argc == 2 && std::string(argv[1]) == "--restore";
    if (argc != 3 && !restore) {
        std::fprintf(stderr, "usage: %s ROWS.tir VIEW_ROWS.tir | --restore\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    TScriptDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    TForm1 viewForm(dialogs);
    TWatchdog watchdog;
    TScript script(watchdog);
    // Outlive the script, whose steps run from the event loop.
    const std::string rows = restore ? std::string() : argv[1];
    const std::string viewRows = restore ? std::string() : argv[2];
    if (restore) {
        script.Add("restore", 200, [&] { form.RestoreLeftRows(); });
        script.Add("idle after restore", 0, [] {});
        script.Add("end", 2000, [&] {
            std::fprintf(stderr, "rows=%zu unsaved=%d\n", form.Rows().size(),
                         form.HasUnsavedRows());
            watchdog.Report();
            // The journal stays for the next start to find; the script
            // removes it with the rest of its folder.
            std::_Exit(0);
        });
    } else {
        dialogs.saveAs = rows;
        script.Add("open", 200, [&] { form.OpenRowList(rows); });
        script.Add("delete", 200, [&] {
            SelectLine(form, form.Lines().Count() / 2);
            Button(form, "Button3")->click();
        });
        script.Add("save at once", 0, [&] { Button(form, "btnSave")->click(); });
        script.Add("undo", 200, [&] { form.UndoClick(); });
        script.Add("open the view's rows", 200, [&] {
            viewForm.show();
            viewForm.OpenRowList(viewRows);
            viewForm.findChild<QRadioButton*>()->click();
        });
        script.Add("Ctrl+T", 200, [&] { viewForm.ShowTriangleClick(); });
        script.Add("copy a far selection", 0, [&] { CopyFarSelection(viewForm); });
        script.Add("idle before the kill", 0, [] {});
        script.Add("kill", 5000, [&] {
            std::fprintf(stderr, "rows=%zu unsaved=%d\n", form.Rows().size(),
                         form.HasUnsavedRows());
            watchdog.Report();
            std::raise(SIGKILL);
        });
    }
    script.Start();
    return QApplication::exec();
}
