// Who owns a journal, and what becomes of the rows whatever happens at
// start: two starts, a start racing a new journal, a takeover that fails, a
// common umask, a kill right after Save. In each case every row a window
// showed is restored by the next start or still in the file, and no window
// deletes a journal it does not own.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#include "model/files/file_identity.h"
#include "model/files/file_path.h"
#include "model/journal/early_base_copy.h"
#include "model/journal/journal_folder.h"
#include "model/journal/journal_writer.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"
#include "support/case_name.h"
#include "support/syscall_kill.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace quorva {
namespace {

using test::TTempDir;

// A window on the row list `file`: the rows it shows, and its journal.
struct TWindow {
    TRowTable rows;
    TLineList lines{rows};
    std::unique_ptr<TJournalWriter> journal;

    explicit TWindow(const std::string& file) { LoadRowListFile(lines, rows, file); }
    // Adds `count` rows, each journalled as the window journals its steps.
    void Edit(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int n = lines.Count() % 100;
            const TRowChange step =
                AddRow(rows, lines, TNumberRow{n, n, 1, 2, 3, 4, 5}).ReadyToApply(rows, lines);
            if (journal)
                journal->Add(true, step);
        }
    }
    void Begin(const std::string& file, TJournalWriter::TBase kind, bool fromRows = false)
    {
        journal = std::make_unique<TJournalWriter>(
            NewJournalPath(), TJournalBase{file, IdentifyFile(file), fromRows}, kind,
            [](auto, const std::string&) {}, SteadyDeadlineClock(),
            fromRows ? SnapshotOf(lines) : nullptr);
    }
};

// The lines a window on `file` shows after `edits` rows added.
std::vector<std::string> Shown(const std::string& file, int edits)
{
    TWindow window(file);
    window.Edit(edits);
    return window.lines.Lines();
}

// A window that journals `edits` rows added to `file`, then ends unsaved.
void LeaveJournal(const std::string& file, int edits)
{
    test::MessageFromChild([&] {
        TWindow window(file);
        window.Begin(file, TJournalWriter::TBase::FromFile);
        window.Edit(edits);
        window.journal->Settle();
    });
}

// What the start of a window finds: the journals it holds, and what it says.
struct TStart {
    std::vector<TLeftJournal> held;
    std::vector<std::string> refusals;
    std::vector<std::string> taken;
    TStart() { held = LeftJournals(JournalFolder(), refusals, taken); }
    // Restores the first journal it holds and goes on with it.
    std::unique_ptr<TWindow> Restore(const std::string& file)
    {
        auto window = std::make_unique<TWindow>(file);
        const std::optional<TJournalReplay> replay =
            ReadLeftJournal(held.at(0), window->rows, window->lines);
        window->journal = std::make_unique<TJournalWriter>(std::move(held.at(0)), *replay,
                                                           TJournalWriter::KindFor(*replay),
                                                           [](auto, const std::string&) {});
        return window;
    }
};

// Whether the next start gives `shown` back, or the file still holds it. A
// journal it finds and cannot read fails the case at once.
bool Kept(const std::string& file, const std::vector<std::string>& shown)
{
    TStart start;
    for (const TLeftJournal& journal : start.held) {
        TRowTable rows;
        TLineList lines(rows);
        const auto replay = ReadLeftJournal(journal, rows, lines);
        if (replay && lines.Lines() == shown)
            return true;
    }
    TRowTable rows;
    TLineList lines(rows);
    try {
        LoadRowListFile(lines, rows, file);
    } catch (const Error&) {
        return false;
    }
    return lines.Lines() == shown;
}

struct TOwnershipCase {
    const char* name;
    // Runs the case on the list in `file`; returns the lines last shown.
    std::function<std::vector<std::string>(const std::string& file)> run;
};

const TOwnershipCase OwnershipCases[] = {
    {"TwoStartsBothRestore",
     [](const std::string& file) {
         LeaveJournal(file, 3);
         TStart first;
         TStart second;
         EXPECT_EQ(second.held.size(), 0u);
         auto window = first.Restore(file);
         // The second start's Restore finds nothing; the first goes on.
         EXPECT_EQ(TStart().taken.size(), 1u) << "the other window is not named";
         window->Edit(2);
         window->journal->Settle();
         return window->lines.Lines();
     }},
    {"OneAsksTheOtherDiscards",
     [](const std::string& file) {
         LeaveJournal(file, 3);
         TStart first;
         for (const TLeftJournal& journal : TStart().held)
             DiscardJournal(journal.path);
         return first.Restore(file)->lines.Lines();
     }},
    {"StartWhileAnotherMakesItsJournal",
     [](const std::string& file) {
         // Caught just as the new journal is locked: a start then finds
         // nothing to take or delete.
         const test::TChildEnd end = test::RunInterruptedAt(
             {SYS_flock, false, 1, SYS_fchmod},
             [&] {
                 TWindow window(file);
                 TRowJournal journal(NewJournalPath(), {file, IdentifyFile(file)});
                 journal.Append(StepRecord(true, TRowChange::Delete(window.lines, 0), 1));
                 journal.Sync();
             },
             [] {
                 for (const TLeftJournal& journal : TStart().held)
                     DiscardJournal(journal.path);
             });
         EXPECT_TRUE(end.exited) << end.message;
         TWindow window(file);
         TRowChange::Delete(window.lines, 0).Apply(window.rows, window.lines);
         return window.lines.Lines();
     }},
    {"TakeoverOutOfThreads",
     [](const std::string& file) {
         // A limit that root is not held to.
         if (!test::CanRunUnprivileged())
             return Shown(file, 0);
         test::HandToUnprivileged(FolderOf(file));
         const std::string outcome = test::RunUnprivileged([&] {
             ::setenv("XDG_STATE_HOME", (FolderOf(file) + "/state of another").c_str(), 1);
             LeaveJournal(file, 3);
             const rlimit none{0, 0};
             ::setrlimit(RLIMIT_NPROC, &none);
             {
                 TStart start;
                 try {
                     start.Restore(file);
                     throw Error("taken over without threads");
                 } catch (const std::system_error&) {
                     if (!start.held.at(0).fd.Valid())
                         throw Error("the journal was let go of");
                 }
             }
             if (!Kept(file, Shown(file, 3)))
                 throw Error("the rows are lost");
         });
         EXPECT_EQ(outcome, "");
         return Shown(file, 0);
     }},
    {"TakeoverOnAFullDisk",
     [](const std::string& file) {
         LeaveJournal(file, 3);
         // A torn last record, which the takeover sets aside before it goes
         // on: the copy it makes of it does not fit.
         const std::string path = TStart().held.at(0).path;
         test::WriteBytes(path, test::ReadBytes(path) + std::string(64, 'x'));
         test::RunWithFileSizeLimit(16, [&] {
             TStart start;
             auto window = start.Restore(file);
             window->Edit(1);
             window->journal->Settle();
         });
         return Shown(file, 3);
     }},
    {"Umask002FileRewrittenBeforeTheEdits",
     [](const std::string& file) {
         test::MessageFromChild([&] {
             ::umask(002);
             TWindow window(file);
             SaveRowListFile(TLineList(), file + ".new");
             std::filesystem::rename(file + ".new", file);
             window.Edit(2);
             window.Begin(file, TJournalWriter::TBase::FromRows, true);
             window.Edit(1);
             window.journal->Settle();
             for (const std::string& state :
                  {window.journal->Path(), BaseCopyPath(window.journal->Path())}) {
                 struct stat status {};
                 if (::stat(state.c_str(), &status) != 0 || (status.st_mode & 0777) != 0600)
                     throw Error(state + " is not private");
             }
         });
         return Shown(file + ".kept", 3);
     }},
    {"KillJustAfterTheFirstEditOfALargeListThenCutShort",
     [](const std::string& file) {
         std::string text;
         for (int i = 0; i < 2'000'000; ++i)
             text += "01 02 03 04 05 06 " + std::to_string(10 + i % 90) + "\r\n";
         test::WriteBytes(file, text);
         const std::vector<std::string> shown = Shown(file, 1);
         // As the window does: the copy begun as Open begins; the first edit
         // once the rows are shown, and the copy made meanwhile.
         const test::TChildEnd end = test::RunInChild([&] {
             auto early = std::make_unique<TEarlyBaseCopy>(file, JournalFolder());
             TWindow window(file);
             early->Wait();
             window.journal = std::make_unique<TJournalWriter>(
                 NewJournalPath(), TJournalBase{file, IdentifyFile(file)},
                 TJournalWriter::TBase::FromFile, [](auto, const std::string&) {},
                 SteadyDeadlineClock(), nullptr, nullptr, std::move(early));
             window.Edit(1);
             std::this_thread::sleep_for(std::chrono::milliseconds(50));
             ::raise(SIGKILL);
         });
         EXPECT_EQ(end.signal, SIGKILL) << end.message;
         std::filesystem::resize_file(file, 10);
         return shown;
     }},
    {"KillAtEachStepOfRemovalAfterSave",
     [](const std::string& file) {
         std::vector<std::string> saved;
         for (int unlink = 1; unlink <= 4; ++unlink) {
             test::RunInterruptedAt({SYS_unlink, false, unlink}, [&] {
                 TWindow window(file);
                 window.Begin(file, TJournalWriter::TBase::FromFile);
                 window.Edit(1);
                 window.journal->Settle();
                 SaveRowListFile(window.lines, file);
                 window.journal->Remove();
             });
             // Never a journal that cannot be restored.
             TStart start;
             for (const TLeftJournal& journal : start.held) {
                 TRowTable rows;
                 TLineList lines(rows);
                 ReadLeftJournal(journal, rows, lines);
                 DiscardJournal(journal.path);
             }
         }
         return Shown(file, 0);
     }},
};

class JournalOwnershipTest : public testing::TestWithParam<TOwnershipCase> {};

TEST_P(JournalOwnershipTest, EveryRowShownIsKept)
{
    const TTempDir dir;
    ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    const std::string file = dir.File("rows.tir");
    {
        TRowTable rows;
        TLineList lines(rows);
        for (int i = 0; i < 200; ++i)
            AddRow(rows, lines, TNumberRow{i % 100, 1, 2, 3, 4, 5, 6});
        SaveRowListFile(lines, file);
        SaveRowListFile(lines, file + ".kept");
    }
    try {
        const std::vector<std::string> shown = GetParam().run(file);
        EXPECT_TRUE(Kept(file, shown));
    } catch (const Error& error) {
        ADD_FAILURE() << error.what();
    }
    test::UseStateFolderOfThisUser();
}

INSTANTIATE_TEST_SUITE_P(Cases, JournalOwnershipTest, testing::ValuesIn(OwnershipCases),
                         test::TCaseName());

} // namespace
} // namespace quorva
