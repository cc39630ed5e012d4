// The journal writer's threads, driven from another thread while a large
// base copy runs: steps, Settle, Remove and destruction, and every way it
// fails. Run in the ThreadSanitizer build as well.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "model/files/file_identity.h"
#include "model/files/file_path.h"
#include "model/files/system_calls.h"
#include "model/journal/journal_writer.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"
#include "support/case_name.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

// A writer on a large list, and what the case expects of it.
struct TDriven {
    std::string file;
    std::string journal;
    TRowTable rows;
    TLineList lines{rows};
    std::atomic<int> failures = 0;
    std::atomic<bool> baseChanged = false;
    std::unique_ptr<TJournalWriter> writer;

    explicit TDriven(const test::TTempDir& dir)
        : file(dir.File("rows.tir")), journal(dir.File("journals/rows.journal"))
    {
        std::filesystem::create_directories(FolderOf(journal));
        ::chmod(FolderOf(journal).c_str(), 0700);
        std::string text;
        for (int i = 0; i < 300'000; ++i)
            text += "01 02 03 04 05 06 " + std::to_string(10 + i % 90) + "\r\n";
        test::WriteBytes(file, text);
        LoadRowListFile(lines, rows, file);
    }
    void Begin(TJournalWriter::TBase kind, std::unique_ptr<TJournalWriter> predecessor = nullptr,
               const std::string& path = "")
    {
        writer = std::make_unique<TJournalWriter>(
            path.empty() ? journal : path,
            TJournalBase{file, IdentifyFile(file), kind == TJournalWriter::TBase::FromRows}, kind,
            [this](TJournalWriter::TFailure failure, const std::string&) {
                ++failures;
                baseChanged = failure == TJournalWriter::TFailure::BaseChanged;
            },
            SteadyDeadlineClock(), SnapshotOf(lines), std::move(predecessor));
    }
    void Edit(int count)
    {
        for (int i = 0; i < count; ++i)
            writer->Add(true, AddRow(rows, lines, TNumberRow{i % 100, 1, 2, 3, 4, 5, 6})
                                  .ReadyToApply(rows, lines));
    }
    // The lines the journal on disk gives back.
    std::vector<std::string> Replayed(const std::string& path) const
    {
        TRowTable replayedRows;
        TLineList replayedLines(replayedRows);
        ReplayJournal(test::ReadBytes(path), BaseCopyPath(path), replayedRows, replayedLines);
        return replayedLines.Lines();
    }
};

struct TThreadCase {
    const char* name;
    std::function<void(TDriven&, const test::TTempDir&)> run;
};

const TThreadCase ThreadCases[] = {
    {"StepsDuringTheCopyThenSettle",
     [](TDriven& d, const test::TTempDir&) {
         d.Begin(TJournalWriter::TBase::FromFile);
         d.Edit(50);
         EXPECT_TRUE(d.writer->Settle());
         EXPECT_EQ(d.Replayed(d.journal), d.lines.Lines());
     }},
    {"StepsFromASnapshotThenSettle",
     [](TDriven& d, const test::TTempDir&) {
         d.Begin(TJournalWriter::TBase::FromRows);
         d.Edit(50);
         EXPECT_TRUE(d.writer->Settle());
         // The file goes: the rows come from the journal's own copy.
         std::filesystem::remove(d.file);
         EXPECT_EQ(d.Replayed(d.journal), d.lines.Lines());
     }},
    {"RemovedDuringTheCopy",
     [](TDriven& d, const test::TTempDir&) {
         d.Begin(TJournalWriter::TBase::FromRows);
         d.Edit(5);
         d.writer->Remove();
         EXPECT_FALSE(test::Exists(d.journal));
         EXPECT_FALSE(test::Exists(BaseCopyPath(d.journal)));
         EXPECT_EQ(d.failures, 0);
     }},
    {"DestroyedDuringTheCopy",
     [](TDriven& d, const test::TTempDir&) {
         d.Begin(TJournalWriter::TBase::FromFile);
         d.Edit(5);
         d.writer.reset();
         EXPECT_EQ(d.Replayed(d.journal), d.lines.Lines());
     }},
    {"JournalCannotBeMade",
     [](TDriven& d, const test::TTempDir&) {
         test::WriteBytes(d.journal, "someone else's");
         d.Begin(TJournalWriter::TBase::FromFile);
         d.Edit(5);
         EXPECT_FALSE(d.writer->Settle());
         d.writer->Remove();
         EXPECT_EQ(d.failures, 1);
         // Not its own: left as it was.
         EXPECT_EQ(test::ReadBytes(d.journal), "someone else's");
     }},
    {"CopyFailsOnAFullDisk",
     [](TDriven& d, const test::TTempDir&) {
         // Room for the journal's records, none for the copy's pieces.
         TSystemCalls full = RealSystemCalls();
         full.write = [](int fd, const void* data, std::size_t size) -> ssize_t {
             if (size <= 4096)
                 return ::write(fd, data, size);
             errno = ENOSPC;
             return -1;
         };
         const TSystemCallsOverride disk(full);
         d.Begin(TJournalWriter::TBase::FromRows);
         d.Edit(5);
         EXPECT_FALSE(d.writer->Settle());
         d.writer.reset();
         EXPECT_EQ(d.failures, 1);
     }},
    {"SuccessorRetiresItsPredecessorOnceItHoldsTheRows",
     [](TDriven& d, const test::TTempDir& dir) {
         d.Begin(TJournalWriter::TBase::FromFile);
         d.Edit(3);
         d.writer->Settle();
         const std::string next = dir.File("journals/next.journal");
         d.Begin(TJournalWriter::TBase::FromRows, std::move(d.writer), next);
         d.Edit(3);
         EXPECT_TRUE(d.writer->Settle());
         d.writer.reset();
         EXPECT_FALSE(test::Exists(d.journal));
         std::filesystem::remove(d.file);
         EXPECT_EQ(d.Replayed(next), d.lines.Lines());
     }},
};

class JournalWriterThreadsTest : public testing::TestWithParam<TThreadCase> {};

TEST_P(JournalWriterThreadsTest, KeepsTheRowsOrSaysSo)
{
    const test::TTempDir dir;
    TDriven driven(dir);
    GetParam().run(driven, dir);
}

INSTANTIATE_TEST_SUITE_P(Cases, JournalWriterThreadsTest, testing::ValuesIn(ThreadCases),
                         test::TCaseName());

} // namespace
} // namespace quorva
