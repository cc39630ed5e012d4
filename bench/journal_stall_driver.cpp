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
#include <optional>
#include <string>
#include <vector>

#include "ui/Unit1.h"
#include "ui/dialogs/user_dialogs.h"

namespace {

// Says no to every question and prints what would be shown, so that nothing
// waits for a person.
class TPrintingDialogs : public quorva::TUserDialogs {
public:
    std::optional<std::string> ChooseSaveFile(TSaveFile, const quorva::TFileProposal&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> ChooseOpenFile(const quorva::TFileProposal&) override
    {
        return std::nullopt;
    }
    void ShowError(const std::string& message) override { Print(message); }
    void ReportFailure(const std::string& message) override { Print(message); }
    bool Ask(const std::string&) override { return false; }
    bool AskYesByDefault(const std::string&) override { return false; }
    TUnsavedAnswer AskSaveUnsavedRows(TDropping) override { return TUnsavedAnswer::Cancel; }
    bool AskReplaceChangedFile(const std::string&) override { return false; }
    TRestoreAnswer AskRestoreRows(const std::string&) override { return TRestoreAnswer::Later; }

private:
    static void Print(const std::string& message)
    {
        std::fprintf(stderr, "shown: %s\n", message.c_str());
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROWS.tir ADDS\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    TPrintingDialogs dialogs;
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
