// Adds rows through the real window (offscreen) to a row list opened from a
// file, so that every Add is journalled, and prints how long each Add held
// the window: the median and the longest, in milliseconds. Run it while
// another process floods the disk (bench/journal_stall.sh does) to see that
// the window never waits for the disk.
//
//   QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=DIR quorva_journal_stall_driver ROWS.tir ADDS

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "printing_dialogs.h"
#include "ui/Unit1.h"

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROWS.tir ADDS\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    quorva::bench::TPrintingDialogs dialogs;
    quorva::TForm1 form(dialogs);
    form.show();
    form.OpenRowList(argv[1]);
    auto* add = form.findChild<QPushButton*>(QStringLiteral("Button2"));
    std::vector<double> held;
    for (int i = std::atoi(argv[2]); i > 0; --i) {
        QElapsedTimer timer;
        timer.start();
        add->click();
        QCoreApplication::processEvents();
        held.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    std::sort(held.begin(), held.end());
    std::printf("adds=%zu median_ms=%.3f longest_ms=%.3f rows=%d unsaved=%d\n", held.size(),
                held[held.size() / 2], held.back(), form.Lines().Count(), form.HasUnsavedRows());
    // Closing would ask about the unsaved rows; they are left to the journal.
    return 0;
}
