// A row list's life with no window: begun, opened, edited, undone, saved,
// given up, ended unsaved or killed and restored by the next start, and
// its file changed by another meanwhile. Each case ends the document and
// checks what the next start finds: a journal exactly when rows are
// unsaved, giving back the lines last shown.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "model/document/row_document.h"
#include "model/rows/row_editing.h"
#include "support/case_name.h"
#include "support/child_process.h"
#include "support/posted_tasks.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using test::TTempDir;

// A document and the history of steps a window keeps for it.
struct TLife {
    test::TPostedTasks loop;
    std::unique_ptr<TRowDocument> doc = std::make_unique<TRowDocument>(loop.Post(), loop.Report());
    std::vector<TRowChange> history;
    std::size_t position = 0;
    std::string file;

    void Open()
    {
        doc->Open(file, NoProgress());
        history.clear();
        position = 0;
    }
    void Add(int count)
    {
        for (int i = 0; i < count; ++i) {
            TRowChange step = AddRow(doc->Rows(), doc->Lines(), {i, 1, 2, 3, 4, 5, 6});
            doc->StepDone(step.ReadyToApply(doc->Rows(), doc->Lines()));
            history.erase(history.begin() + static_cast<std::ptrdiff_t>(position), history.end());
            history.push_back(std::move(step));
            ++position;
        }
    }
    void Undo()
    {
        TRowChange& step = history.at(--position);
        doc->StepTaken(false, step);
        step.Revert(doc->Rows(), doc->Lines());
    }
    void Save() { doc->Save(file, NoProgress()); }
    // The document ends, as its window does, unsaved or not.
    void End()
    {
        loop.Run();
        doc.reset();
    }
    // What the next start finds once the document has ended; the first
    // journal is restored into a new document.
    std::size_t Restore()
    {
        End();
        doc = std::make_unique<TRowDocument>(loop.Post(), loop.Report());
        history.clear();
        position = 0;
        std::vector<std::string> refusals, taken;
        auto held = LeftJournals(JournalFolder(), refusals, taken);
        EXPECT_TRUE(refusals.empty() && taken.empty());
        if (held.empty())
            return 0;
        auto left = ReadLeftRows(held.front(), NoProgress());
        EXPECT_NE(left, nullptr);
        if (left)
            doc->Restore(std::move(held.front()), std::move(*left));
        return held.size();
    }
    void WriteFileAsAnother() { test::WriteBytes(file, "9 9 9 9 9 9 9\n"); }
};

// Waits until the journal of the unsaved rows holds `steps` steps on disk,
// read with a copy of its base that its writer holds no lock on.
void AwaitJournalled(int steps, const std::string& probe)
{
    for (int tries = 0; tries < 2000; ++tries) {
        for (const auto& entry : std::filesystem::directory_iterator(JournalFolder())) {
            if (entry.path().extension() != JournalEnding)
                continue;
            TRowTable rows;
            TLineList lines(rows);
            try {
                const std::string path = entry.path().string();
                if (test::Exists(BaseCopyPath(path)))
                    test::WriteBytes(probe, test::ReadBytes(BaseCopyPath(path)));
                if (ReplayJournal(test::ReadBytes(path), probe, rows, lines).steps == steps)
                    return;
            } catch (const std::exception&) {
                // Not whole yet.
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

struct TLifeCase {
    const char* name;
    std::function<void(TLife&)> run;
    bool unsaved;
    int lines;
    bool changedOnDisk;
    // Journals the next start finds once the document has ended.
    std::size_t journalsLeft;
};

const TLifeCase LifeCases[] = {
    {"New", [](TLife& life) { life.doc->New(); }, false, 0, false, 0},
    {"Open", [](TLife& life) { life.Open(); }, false, 3, false, 0},
    {"OpenThenNew",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         life.doc->New();
     },
     false, 0, false, 0},
    {"Edit",
     [](TLife& life) {
         life.Open();
         life.Add(2);
     },
     true, 5, false, 1},
    {"UndoToOpened",
     [](TLife& life) {
         life.Open();
         life.Add(2);
         life.Undo();
         life.Undo();
     },
     false, 3, false, 0},
    {"Save",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         life.Save();
         life.Open();
     },
     false, 4, false, 0},
    {"UndoPastSaved",
     [](TLife& life) {
         life.Open();
         life.Add(2);
         life.Save();
         life.Undo();
     },
     true, 4, false, 1},
    // The saved rows can't be reached again once a new step replaces the
    // one undone.
    {"NewStepAfterUndoingSaved",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         life.Save();
         life.Undo();
         life.Add(1);
     },
     true, 4, false, 1},
    {"Discard",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         life.doc->Discard();
     },
     true, 4, false, 0},
    {"FailedOpenKeepsRows",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         test::WriteBytes(life.file + ".bad", "not rows\n");
         EXPECT_THROW(life.doc->Open(life.file + ".bad", NoProgress()), Error);
     },
     true, 4, false, 1},
    {"RestoreEnded",
     [](TLife& life) {
         life.Open();
         life.Add(2);
         EXPECT_EQ(life.Restore(), 1u);
     },
     true, 5, false, 1},
    {"RestoreThenSave",
     [](TLife& life) {
         life.Open();
         life.Add(2);
         life.Restore();
         life.Save();
     },
     false, 5, false, 0},
    {"RestoreKilled",
     [](TLife& life) {
         const test::TChildEnd end = test::RunInChild([&] {
             TLife killed;
             killed.file = life.file;
             killed.Open();
             killed.Add(2);
             AwaitJournalled(2, life.file + ".probe");
             ::raise(SIGKILL);
         });
         EXPECT_EQ(end.signal, SIGKILL);
         EXPECT_EQ(life.Restore(), 1u);
     },
     true, 5, false, 1},
    {"FileChangedByAnother",
     [](TLife& life) {
         life.Open();
         life.WriteFileAsAnother();
     },
     false, 3, true, 0},
    {"EditAfterFileChanged",
     [](TLife& life) {
         life.Open();
         life.WriteFileAsAnother();
         life.Add(1);
         life.loop.Run();
     },
     true, 4, true, 1},
    {"RestoreOverChangedFile",
     [](TLife& life) {
         life.Open();
         life.Add(1);
         life.End();
         life.WriteFileAsAnother();
         life.Restore();
     },
     true, 4, true, 1},
};

class RowDocumentLife : public ::testing::TestWithParam<TLifeCase> {
protected:
    void SetUp() override
    {
        const std::string state = dir_.File("state");
        std::filesystem::create_directory(state);
        ::chmod(state.c_str(), 0700);
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        life_.file = dir_.File("rows.txt");
        life_.Add(3);
        life_.Save();
    }
    void TearDown() override { test::UseStateFolderOfThisUser(); }

    TTempDir dir_;
    TLife life_;
};

TEST_P(RowDocumentLife, EndsAsTheNextStartFindsIt)
{
    const TLifeCase& row = GetParam();
    row.run(life_);
    EXPECT_EQ(life_.doc->Unsaved(), row.unsaved);
    EXPECT_EQ(life_.doc->Lines().Count(), row.lines);
    EXPECT_EQ(life_.doc->ChangedOnDisk(life_.file), row.changedOnDisk);
    EXPECT_TRUE(life_.loop.reports.empty());
    const std::vector<std::string> shown = life_.doc->Lines().Lines();
    ASSERT_EQ(life_.Restore(), row.journalsLeft);
    if (row.journalsLeft > 0) {
        EXPECT_EQ(life_.doc->Lines().Lines(), shown);
    }
    life_.doc->Discard();
}

INSTANTIATE_TEST_SUITE_P(Cases, RowDocumentLife, ::testing::ValuesIn(LifeCases), test::TCaseName());

} // namespace
} // namespace quorva
