// The journal of unsaved rows: replay of whole and torn journals, a journal
// that outlives a save killed in place, and damage.

#include "model/journal/row_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include <sys/syscall.h>
#include <unistd.h>

#include "model/files/file_identity.h"
#include "model/files/in_place_backup.h"
#include "model/files/text_file.h"
#include "model/journal/journal_writer.h"
#include "model/rows/row_list_file.h"
#include "support/capped_memory.h"
#include "support/row_states.h"
#include "support/scripted_progress.h"
#include "support/syscall_kill.h"
#include "support/temp_dir.h"
#include "support/window_state.h"

namespace quorva {
namespace {

using namespace test;

// What may become of a row list after the window that journalled its rows
// was killed: a killed in-place save cut it short or half rewrote it, or
// another program replaced, moved or deleted it.
const std::pair<const char*, std::function<void(const std::string&)>> FileFates[] = {
    {"kept", [](const std::string&) {}},
    {"cut short", [](const std::string& file) { std::filesystem::resize_file(file, 0); }},
    {"half rewritten",
     [](const std::string& file) {
         std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
     }},
    {"replaced",
     [](const std::string& file) { test::WriteBytes(file, "01 02 03 04 05 06 07\r\n"); }},
    {"moved", [](const std::string& file) { std::filesystem::rename(file, file + ".moved"); }},
    {"deleted", [](const std::string& file) { std::filesystem::remove(file); }},
};

// Random edits, undos and redos, each written to a journal as the window
// writes it; the journal cut anywhere inside its last step gives back every
// step before it, and the whole journal the last state, whatever became of
// the file the rows came from. A list that renders its canonical lines from
// its rows gives the same lines, steps and saved bytes as one that keeps
// every line's text.
TEST(RowJournalTest, ReplayRestoresEveryWholeStepOfATornJournal)
{
    std::map<std::pair<bool, unsigned>, std::pair<std::string, std::string>> kept; // steps, saved
    for (bool rendering : {false, true})
        for (bool fromFile : {false, true}) {
            for (unsigned seed = 1; seed <= 24; ++seed) {
                SCOPED_TRACE(testing::Message() << "rendering " << rendering << ", from file "
                                                << fromFile << ", seed " << seed);
                std::mt19937 random(seed);
                const test::TTempDir folder;
                TRowTable rows;
                TLineList lines = rendering ? TLineList(rows) : TLineList();
                TJournalBase base;
                const std::string path = folder.File("rows.journal");
                if (fromFile) {
                    FillRandomly(rows, lines, random);
                    base.fileName = folder.File("base.tir");
                    SaveRowListFile(lines, base.fileName);
                    OpenRowListFile(lines, rows, base.fileName);
                    base.identity = IdentifyFile(base.fileName);
                    if (!rendering) {
                        const std::vector<std::string> texts = lines.Lines();
                        lines = TLineList();
                        lines.Assign(texts);
                    }
                }
                TRowJournal journal(path, base);
                if (fromFile)
                    journal.Append(CopyBase(base, BaseCopyPath(path)).value());
                const std::size_t stepsStart = test::ReadBytes(journal.Path()).size();
                // Undo gives back the state a step was taken from, whatever is
                // selected at the time, and redo the state it left.
                std::vector<TStep> done;
                std::vector<TStep> undone;
                const auto undo = [&] {
                    done.back().change.Revert(rows, lines);
                    EXPECT_EQ(StateOf(rows, lines), done.back().before) << "undo";
                    undone.push_back(std::move(done.back())), done.pop_back();
                };
                const auto redo = [&] {
                    undone.back().change.Apply(rows, lines);
                    EXPECT_EQ(StateOf(rows, lines), undone.back().after) << "redo";
                    done.push_back(std::move(undone.back())), undone.pop_back();
                };
                std::uint64_t number = 0;
                std::vector<std::size_t> ends; // of the journal after each step
                std::vector<TState> states;
                for (int i = 0; i < 30; ++i) {
                    lines.Select(std::uniform_int_distribution<int>(-1, lines.Count() - 1)(random));
                    const TState before = StateOf(rows, lines);
                    const unsigned choice = random() % 10;
                    if (choice < 2 && !done.empty()) {
                        journal.Append(StepRecord(false, done.back().change, ++number));
                        undo();
                    } else if (choice < 3 && !undone.empty()) {
                        journal.Append(StepRecord(true, undone.back().change, ++number));
                        redo();
                    } else if (auto change = RandomEdit(rows, lines, random)) {
                        journal.Append(
                            StepRecord(true, change->ReadyToApply(rows, lines), ++number));
                        done.push_back({std::move(*change), before, StateOf(rows, lines)});
                        undone.clear();
                    } else {
                        continue;
                    }
                    ends.push_back(test::ReadBytes(journal.Path()).size());
                    states.push_back(StateOf(rows, lines));
                }
                ASSERT_GE(ends.size(), 2u);
                const std::string bytes = test::ReadBytes(journal.Path());
                const std::size_t lastStart = ends[ends.size() - 2];
                for (std::size_t cut = lastStart; cut <= bytes.size(); ++cut) {
                    TRowTable replayedRows;
                    TLineList replayedLines;
                    const TJournalReplay replay =
                        ReplayJournal(std::string_view(bytes).substr(0, cut), BaseCopyPath(path),
                                      replayedRows, replayedLines);
                    const bool whole = cut == bytes.size();
                    ASSERT_EQ(StateOf(replayedRows, replayedLines),
                              states[states.size() - (whole ? 1 : 2)])
                        << "cut at " << cut;
                    EXPECT_EQ(replay.damaged, cut != lastStart && !whole);
                    EXPECT_EQ(replay.base.fileName, base.fileName);
                    EXPECT_EQ(replay.steps, static_cast<int>(states.size() - (whole ? 0 : 1)));
                }
                if (fromFile) {
                    const auto& [fate, happen] = FileFates[seed % std::size(FileFates)];
                    SCOPED_TRACE(fate);
                    happen(base.fileName);
                    TRowTable replayedRows;
                    TLineList replayedLines;
                    const TJournalReplay replay =
                        ReplayJournal(bytes, BaseCopyPath(path), replayedRows, replayedLines);
                    EXPECT_EQ(StateOf(replayedRows, replayedLines), states.back());
                    EXPECT_EQ(replay.fileChanged, seed % std::size(FileFates) != 0);
                }
                // The whole history undone and done again, step by step.
                while (!done.empty())
                    undo();
                while (!undone.empty())
                    redo();
                SaveRowListFile(lines, folder.File("saved.tir"));
                SaveLinesToFile(lines.Lines(), folder.File("plain.tir"));
                const std::pair outcome{bytes.substr(stepsStart),
                                        test::ReadBytes(folder.File("saved.tir"))};
                EXPECT_EQ(outcome.second, test::ReadBytes(folder.File("plain.tir")));
                if (rendering)
                    EXPECT_TRUE((outcome == kept[{fromFile, seed}]));
                else
                    kept[{fromFile, seed}] = outcome;
            }
        }
}

// Edits of a hard-linked row list opened by a relative name, journalled as
// the window journals them, then a Save in place killed at a moment. Once the
// backup is put back the file is whole, and the journal gives back exactly
// the edited rows, whatever became of the file since and from whatever folder.
TEST(RowJournalTest, OutlivesASaveKilledInPlace)
{
    const test::TSyscallMoment moments[] = {{SYS_ftruncate, true},
                                            {SYS_write, false, 2, SYS_ftruncate},
                                            {SYS_fsync, true, 1, SYS_ftruncate}};
    const auto edit = [](TRowTable& rows, TLineList& lines, const auto& record) {
        for (int i = 0; i < 3; ++i)
            record(AddRow(rows, lines, TNumberRow{i, 1, 2, 3, 4, 5, i}).ReadyToApply(rows, lines));
        lines.Select(1);
        record(*DeleteSelectedRow(rows, lines));
    };
    for (std::size_t m = 0; m < std::size(moments); ++m) {
        for (const auto& [fate, happen] : FileFates) {
            SCOPED_TRACE(testing::Message() << "moment " << m << ", file " << fate);
            const test::TTempDir folder;
            const std::string file = folder.File("list.tir");
            const std::string journal = folder.File("state/list.journal");
            std::filesystem::create_directories(folder.File("state"));
            const test::TWindowState& opened = test::ManyRowsState();
            SaveRowListFile(opened.lines, file);
            std::filesystem::create_hard_link(file, folder.File("other.tir"));
            const std::string previous = test::ReadBytes(file);
            const test::TChildEnd end = test::RunInterruptedAt(moments[m], [&] {
                ASSERT_EQ(::chdir(folder.Path().c_str()), 0);
                TRowTable rows;
                TLineList lines;
                LoadRowListFile(lines, rows, "list.tir");
                TKnownFile known;
                known.Remember("list.tir");
                TJournalWriter writer(journal, {known.AbsoluteName(), known.Identity()},
                                      TJournalWriter::TBase::FromFile, [](auto, auto&) {});
                edit(rows, lines, [&](const TRowChange& step) { writer.Add(true, step); });
                writer.Settle();
                SaveRowListFile(lines, "list.tir");
            });
            ASSERT_EQ(end.signal, SIGKILL);
            for (const TFoundBackup& backup : FindBackups(file))
                RestoreBackup(backup);
            EXPECT_EQ(test::ReadBytes(file), previous);
            happen(file);

            TRowTable rows = opened.rows;
            TLineList lines;
            lines.Assign(opened.lines.Lines());
            edit(rows, lines, [](const TRowChange&) {});
            TRowTable replayedRows;
            TLineList replayedLines;
            ReplayJournal(test::ReadBytes(journal), BaseCopyPath(journal), replayedRows,
                          replayedLines);
            EXPECT_EQ(StateOf(replayedRows, replayedLines), StateOf(rows, lines));
        }
    }
}

// A damaged journal gives back every whole step before the damage, or, where
// not even its beginning can be read, nothing; it is never taken for another
// journal's rows.
TEST(RowJournalTest, DamageKeepsEveryWholeStepBeforeIt)
{
    const test::TTempDir folder;
    const std::string path = folder.File("rows.journal");
    TRowTable rows;
    TLineList lines;
    std::vector<std::string> steps;
    std::string unnumbered; // as a journal of version 2 holds them
    std::vector<TState> states{StateOf(rows, lines)};
    for (int i = 1; i <= 3; ++i) {
        const TRowChange change = AddRow(rows, lines, TNumberRow{i, i, i, i, i, i, i});
        const TRowChange ready = change.ReadyToApply(rows, lines);
        steps.push_back(StepRecord(true, ready, i));
        unnumbered += StepRecord(true, ready, 0);
        states.push_back(StateOf(rows, lines));
    }
    {
        const TRowJournal journal(path, TJournalBase{});
    }
    const std::size_t header = test::ReadBytes(path).size();
    std::string whole = test::ReadBytes(path);
    for (const std::string& step : steps)
        whole += step;
    const std::size_t lastStep = whole.size() - steps.back().size();
    // A step whose checksum holds but that deletes a row the list never had.
    AddRow(rows, lines, {});
    const std::string misfit = StepRecord(true, TRowChange::Delete(lines, 3), 4);
    const std::string headerOnly = whole.substr(0, header);
    const struct {
        const char* name;
        std::string journal;
        int stepsKept; // -1: unreadable
    } cases[] = {
        {"whole", whole, 3},
        {"torn tail", whole.substr(0, whole.size() - 3), 2},
        {"flipped header byte", std::string(whole).replace(20, 1, "\x7f"), -1},
        {"unknown version", std::string(whole).replace(15, 1, "9"), -1},
        {"flipped step byte", std::string(whole).replace(lastStep + 12, 1, "\x7f"), 2},
        {"huge length", std::string(whole).replace(header, 4, "\xff\xff\xff\x7f"), 0},
        {"step that does not fit", whole + misfit + steps.front(), 3},
        {"step repeated", whole + steps.back(), 3},
        {"steps swapped", headerOnly + steps[1] + steps[0] + steps[2], 0},
        {"step of version 2 in a journal of 3", headerOnly + unnumbered, 0},
        {"journal of version 2", std::string(headerOnly).replace(15, 1, "2") + unnumbered, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TRowTable replayedRows;
        TLineList replayedLines;
        if (c.stepsKept < 0) {
            EXPECT_THROW(ReplayJournal(c.journal, BaseCopyPath(path), replayedRows, replayedLines),
                         UnreadableJournal);
            continue;
        }
        const TJournalReplay replay =
            ReplayJournal(c.journal, BaseCopyPath(path), replayedRows, replayedLines);
        EXPECT_EQ(replay.steps, c.stepsKept);
        EXPECT_EQ(StateOf(replayedRows, replayedLines), states[c.stepsKept]);
        EXPECT_EQ(replay.damaged, c.stepsKept < 3 || c.journal.size() > whole.size());
    }
#if QUORVA_CAPPED_MEMORY
    // Rows that do not fit in memory are no damage: the journal stays whole
    // for a start with more memory. Their rows alone take more than 32 MB,
    // which the allocator always maps afresh, so that they cannot fit in
    // what earlier tests left free either.
    const TJournalBase base{folder.File("large.tir"), {}};
    std::string text;
    for (int i = 0; i < 5'000'000; ++i)
        text += "01 02 03 04 05 06 07\r\n";
    test::WriteBytes(base.fileName, text);
    const std::string onLarge = folder.File("large.journal");
    TRowJournal(onLarge, TJournalBase{base.fileName, IdentifyFile(base.fileName)})
        .Append(
            CopyBase({base.fileName, IdentifyFile(base.fileName)}, BaseCopyPath(onLarge)).value());
    EXPECT_EQ(test::RunWithMemoryHeadroom(1 << 20,
                                          [&] {
                                              TRowTable replayedRows;
                                              TLineList replayedLines;
                                              try {
                                                  ReplayJournal(test::ReadBytes(onLarge),
                                                                BaseCopyPath(onLarge), replayedRows,
                                                                replayedLines);
                                              } catch (const NotEnoughMemory&) {
                                                  throw Error("NotEnoughMemory");
                                              }
                                          }),
              "NotEnoughMemory");
#endif
}

// Waiting for the journal, as Save does before it rewrites the file, asks the
// progress while a large base copy runs: told to stop, it ends in Cancelled
// at once and the journal goes on; left alone, it ends with the journal
// whole on disk.
TEST(RowJournalTest, SettleAsksTheProgressWhileTheCopyRuns)
{
    constexpr std::uintmax_t CopiedBytes = std::uintmax_t{128} << 20;
    for (const bool stop : {true, false}) {
        SCOPED_TRACE(stop ? "stopped" : "left alone");
        const test::TTempDir folder;
        // Large enough that the copy outlasts many of the waits' slices.
        const std::string file = folder.File("list.tir");
        test::WriteBytes(file, "");
        std::filesystem::resize_file(file, CopiedBytes);
        std::filesystem::create_directories(folder.File("state"));
        TJournalWriter writer(folder.File("state/list.journal"), {file, IdentifyFile(file)},
                              TJournalWriter::TBase::FromFile, [](auto, auto&) {});
        test::TScriptedProgress progress([&](std::uint64_t, std::uint64_t) { return stop; });
        if (stop) {
            EXPECT_THROW(writer.Settle(progress), Cancelled);
            EXPECT_EQ(progress.calls.size(), 1u);
        } else {
            EXPECT_TRUE(writer.Settle(progress));
            ASSERT_FALSE(progress.calls.empty());
            for (const auto& [done, total] : progress.calls)
                EXPECT_LE(done, total);
        }
        EXPECT_TRUE(writer.Settle());
        EXPECT_EQ(std::filesystem::file_size(BaseCopyPath(folder.File("state/list.journal"))),
                  CopiedBytes);
        writer.Remove();
    }
}

} // namespace
} // namespace quorva
