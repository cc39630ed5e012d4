#include "model/row_change.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/row_editing.h"
#include "model/row_journal.h"
#include "model/row_line.h"
#include "model/row_list_file.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

struct TState {
    TRowTable rows;
    std::vector<std::string> lines;
    int selected;
    bool operator==(const TState&) const = default;
};

struct TStep {
    TRowChange change;
    TState before; // the state it was taken from
    TState after;  // the state it left
};

TState StateOf(const TRowTable& rows, const TLineList& lines)
{
    return {rows, lines.Lines(), lines.SelectedIndex()};
}

TNumberRow RandomRow(std::mt19937& random)
{
    TNumberRow row{};
    std::ranges::generate(row, [&] { return std::uniform_int_distribution(0, 99)(random); });
    return row;
}

// A list as Open leaves it: some lines in another form than Add writes.
void FillRandomly(TRowTable& rows, TLineList& lines, std::mt19937& random)
{
    std::vector<std::string> texts;
    for (int i = std::uniform_int_distribution<int>(0, 200)(random); i > 0; --i) {
        rows.push_back(RandomRow(random));
        texts.push_back(RowToLine(rows.back()) + (random() % 4 == 0 ? " read" : ""));
    }
    lines.Assign(texts);
}

std::optional<TRowChange> RandomEdit(TRowTable& rows, TLineList& lines, std::mt19937& random)
{
    switch (random() % 5) {
    case 0:
        return AddRow(rows, lines, RandomRow(random));
    case 1:
        return DeleteSelectedRow(rows, lines);
    case 2:
        return MoveSelectedRowUp(rows, lines);
    case 3:
        return MoveSelectedRowDown(rows, lines);
    }
    std::vector<TNumberRow> pasted(std::uniform_int_distribution<std::size_t>(0, 50)(random));
    std::ranges::generate(pasted, [&] { return RandomRow(random); });
    return AppendRows(rows, lines, TRowTable(pasted.begin(), pasted.end()));
}

TEST(RowChangeTest, PasteStepHoldsNoMoreOnALongerList)
{
    const TRowTable pasted(50, TNumberRow{1, 2, 3, 4, 5, 6, 7});
    std::optional<std::size_t> held;
    for (std::size_t listLength : {0, 1000, 100000}) {
        SCOPED_TRACE(listLength);
        TRowTable rows;
        TLineList lines;
        AppendRows(rows, lines, TRowTable(listLength, TNumberRow{9, 8, 7, 6, 5, 4, 3}));
        TRowChange paste = *AppendRows(rows, lines, pasted);
        EXPECT_EQ(paste.HeldBytes(), held.value_or(paste.HeldBytes()));
        held = paste.HeldBytes();
        paste.Revert(rows, lines);
        paste.Apply(rows, lines);
        EXPECT_EQ(paste.HeldBytes(), *held);
    }
}

// Random edits, undos and redos, each written to a journal as the window
// writes it; the journal cut anywhere inside its last step gives back every
// step before it, and the whole journal the last state.
TEST(RowJournalTest, ReplayRestoresEveryWholeStepOfATornJournal)
{
    for (bool fromFile : {false, true}) {
        for (unsigned seed = 1; seed <= 24; ++seed) {
            SCOPED_TRACE(testing::Message() << "from file " << fromFile << ", seed " << seed);
            std::mt19937 random(seed);
            const test::TTempDir folder;
            TRowTable rows;
            TLineList lines;
            std::string base;
            if (fromFile) {
                FillRandomly(rows, lines, random);
                base = folder.File("base.tir");
                SaveRowListFile(lines, base);
                ASSERT_TRUE(OpenRowListFile(lines, rows, base, [](const std::string&) {}));
            }
            TRowJournal journal(folder.File("rows.journal"), base);
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
            std::vector<std::size_t> ends; // of the journal after each step
            std::vector<TState> states;
            for (int i = 0; i < 30; ++i) {
                lines.Select(std::uniform_int_distribution<int>(-1, lines.Count() - 1)(random));
                const TState before = StateOf(rows, lines);
                const unsigned choice = random() % 10;
                if (choice < 2 && !done.empty()) {
                    journal.Add(false, done.back().change);
                    undo();
                } else if (choice < 3 && !undone.empty()) {
                    journal.Add(true, undone.back().change);
                    redo();
                } else if (auto change = RandomEdit(rows, lines, random)) {
                    journal.Add(true, change->ReadyToApply(rows, lines));
                    done.push_back({std::move(*change), before, StateOf(rows, lines)});
                    undone.clear();
                } else {
                    continue;
                }
                journal.Flush();
                ends.push_back(test::ReadBytes(journal.Path()).size());
                states.push_back(StateOf(rows, lines));
            }
            ASSERT_GE(ends.size(), 2u);
            const std::string bytes = test::ReadBytes(journal.Path());
            const std::size_t lastStart = ends[ends.size() - 2];
            for (std::size_t cut = lastStart; cut <= bytes.size(); ++cut) {
                TRowTable replayedRows;
                TLineList replayedLines;
                const TJournalReplay replay = ReplayJournal(std::string_view(bytes).substr(0, cut),
                                                            replayedRows, replayedLines);
                const bool whole = cut == bytes.size();
                ASSERT_EQ(StateOf(replayedRows, replayedLines),
                          states[states.size() - (whole ? 1 : 2)])
                    << "cut at " << cut;
                EXPECT_EQ(replay.damaged, cut != lastStart && !whole);
                EXPECT_EQ(replay.baseFileName, base);
                EXPECT_EQ(replay.steps, static_cast<int>(states.size() - (whole ? 0 : 1)));
            }
            // The whole history undone and done again, step by step.
            while (!done.empty())
                undo();
            while (!undone.empty())
                redo();
        }
    }
}

} // namespace
} // namespace quorva
