// A row list's life with no window, step by step; then the document ends
// and the next start must find a journal exactly when rows are unsaved,
// giving back the lines last shown.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "model/document/row_document.h"
#include "model/rows/row_editing.h"
#include "support/case_name.h"
#include "support/child_process.h"
#include "support/posted_tasks.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

// Waits until a journal holds `steps` steps on disk, read with a copy of
// its base that its writer holds no lock on.
void AwaitJournalled(int steps, const std::string& probe)
{
    for (int tries = 0; tries < 2000; ++tries) {
        for (const auto& entry : std::filesystem::directory_iterator(JournalFolder())) {
            const std::string path = entry.path().string();
            TRowTable rows;
            TLineList lines(rows);
            try {
                if (entry.path().extension() == JournalEnding) {
                    test::WriteBytes(probe, test::ReadBytes(BaseCopyPath(path)));
                    if (ReplayJournal(test::ReadBytes(path), probe, rows, lines).steps == steps)
                        return;
                }
            } catch (const std::exception&) {
                // Not whole yet.
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A document, the history of steps a window keeps for it, and its file.
struct TLife {
    test::TPostedTasks loop;
    std::unique_ptr<TRowDocument> doc = Document();
    std::vector<TRowChange> history;
    std::string file;

    std::unique_ptr<TRowDocument> Document()
    {
        return std::make_unique<TRowDocument>(
            loop.Post(), [](const std::string& failure) { ADD_FAILURE() << failure; });
    }
    void Add()
    {
        const int n = static_cast<int>(history.size() % 100);
        TRowChange step = AddRow(doc->Rows(), doc->Lines(), {n, 1, 2, 3, 4, 5, 6});
        doc->StepDone(step.ReadyToApply(doc->Rows(), doc->Lines()));
        history.push_back(std::move(step));
    }
    void Undo()
    {
        doc->StepTaken(false, history.back());
        history.back().Revert(doc->Rows(), doc->Lines());
        history.pop_back();
    }
    // The next start: what it finds once the document has ended, the first
    // journal restored into a new document.
    std::size_t Restore()
    {
        loop.Run();
        doc = Document();
        history.clear();
        std::vector<std::string> refusals, taken;
        auto held = LeftJournals(JournalFolder(), refusals, taken);
        EXPECT_TRUE(refusals.empty() && taken.empty());
        if (auto left = held.empty() ? nullptr : ReadLeftRows(held[0], NoProgress()))
            doc->Restore(std::move(held[0]), std::move(*left));
        return held.size();
    }
    void Run(const std::string& steps);
};

// What each word of a case's steps does.
const std::map<std::string, std::function<void(TLife&)>> Steps{
    {"new", [](TLife& life) { life.doc->New(), life.history.clear(); }},
    {"open", [](TLife& life) { life.doc->Open(life.file, NoProgress()), life.history.clear(); }},
    {"badopen", [](TLife& life) { EXPECT_THROW(life.doc->Open("/", NoProgress()), Error); }},
    {"add", [](TLife& life) { life.Add(); }},
    {"undo", [](TLife& life) { life.Undo(); }},
    {"save", [](TLife& life) { life.doc->Save(life.file, NoProgress()); }},
    {"discard", [](TLife& life) { life.doc->Discard(); }},
    // Another program writes the file.
    {"rewrite", [](TLife& life) { test::WriteBytes(life.file, "9 9 9 9 9 9 9\n"); }},
    {"run", [](TLife& life) { life.loop.Run(); }},
    {"restore", [](TLife& life) { EXPECT_EQ(life.Restore(), 1u); }},
    {"kill",
     [](TLife& life) {
         const auto killed = [file = life.file] {
             TLife other;
             other.file = file;
             other.Run("open add add");
             AwaitJournalled(2, file + ".probe");
             ::raise(SIGKILL);
         };
         life.doc = life.Document(); // forked with no thread of its copy running
         EXPECT_EQ(test::RunInChild(killed).signal, SIGKILL);
     }},
};

void TLife::Run(const std::string& steps)
{
    std::istringstream words(steps);
    for (std::string word; words >> word;)
        Steps.at(word)(*this);
}

struct TLifeCase {
    const char* name;
    const char* steps; // after "add add add save" on an empty list
    bool unsaved;
    int lines;
    bool changedOnDisk;
    std::size_t journalsLeft;
};

const TLifeCase LifeCases[] = {
    {"New", "new", false, 0, false, 0},
    {"Open", "open", false, 3, false, 0},
    {"OpenThenNew", "open add new", false, 0, false, 0},
    {"Edit", "open add add", true, 5, false, 1},
    {"UndoToOpened", "open add add undo undo", false, 3, false, 0},
    {"Save", "open add save open", false, 4, false, 0},
    {"UndoPastSaved", "open add add save undo", true, 4, false, 1},
    // The saved rows can't come back once a new step replaces the undone.
    {"NewStepAfterUndoingSaved", "open add save undo add", true, 4, false, 1},
    {"Discard", "open add discard", true, 4, false, 0},
    {"FailedOpenKeepsRows", "open add badopen", true, 4, false, 1},
    {"RestoreEnded", "open add add restore", true, 5, false, 1},
    {"RestoreThenSave", "open add add restore save", false, 5, false, 0},
    {"RestoreKilled", "kill restore", true, 5, false, 1},
    {"FileChangedByAnother", "open rewrite", false, 3, true, 0},
    {"EditAfterFileChanged", "open rewrite add run", true, 4, true, 1},
    {"RestoreOverChangedFile", "open add restore rewrite restore", true, 4, true, 1},
};

class RowDocumentLife : public ::testing::TestWithParam<TLifeCase> {
protected:
    void SetUp() override
    {
        ::setenv("XDG_STATE_HOME", dir_.Path().c_str(), 1);
        life_.file = dir_.File("rows.tir");
        life_.Run("add add add save");
    }
    void TearDown() override { test::UseStateFolderOfThisUser(); }

    test::TTempDir dir_;
    TLife life_;
};

TEST_P(RowDocumentLife, EndsAsTheNextStartFindsIt)
{
    const TLifeCase& row = GetParam();
    life_.Run(row.steps);
    EXPECT_EQ(life_.doc->Unsaved(), row.unsaved);
    EXPECT_EQ(life_.doc->Lines().Count(), row.lines);
    EXPECT_EQ(life_.doc->ChangedOnDisk(life_.file), row.changedOnDisk);
    const std::vector<std::string> shown = life_.doc->Lines().Lines();
    ASSERT_EQ(life_.Restore(), row.journalsLeft);
    EXPECT_EQ(life_.doc->Lines().Lines(), row.journalsLeft ? shown : std::vector<std::string>());
    life_.doc->Discard();
}

INSTANTIATE_TEST_SUITE_P(Cases, RowDocumentLife, ::testing::ValuesIn(LifeCases), test::TCaseName());

} // namespace
} // namespace quorva
