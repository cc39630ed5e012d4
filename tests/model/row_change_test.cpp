#include "model/row_change.h"

#include <gtest/gtest.h>

#include <random>

#include "model/row_editing.h"
#include "model/row_line.h"

namespace quorva {
namespace {

struct TState {
    TRowTable rows;
    std::vector<std::string> lines;
    int selected;
    bool operator==(const TState&) const = default;
};

TState StateOf(const TRowTable& rows, const TLineList& lines)
{
    return {rows, lines.Lines(), lines.SelectedIndex()};
}

TNumberRow RandomRow(std::mt19937& random)
{
    std::uniform_int_distribution<int> value(0, 99);
    TNumberRow row{};
    for (auto& field : row)
        field = value(random);
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
    TRowTable pasted(std::uniform_int_distribution<std::size_t>(0, 50)(random));
    for (auto& row : pasted)
        row = RandomRow(random);
    return AppendRows(rows, lines, pasted);
}

TEST(RowChangeTest, UndoPassesBackThroughEveryStateAndRedoReachesTheEnd)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        TRowTable rows;
        TLineList lines;
        FillRandomly(rows, lines, random);
        std::vector<TRowChange> steps;
        std::vector<TState> before;
        std::vector<TState> after;
        for (int i = 0; i < 40; ++i) {
            lines.Select(std::uniform_int_distribution<int>(-1, lines.Count() - 1)(random));
            const TState state = StateOf(rows, lines);
            if (auto change = RandomEdit(rows, lines, random)) {
                before.push_back(state);
                after.push_back(StateOf(rows, lines));
                steps.push_back(std::move(*change));
            }
        }
        for (std::size_t k = steps.size(); k-- > 0;) {
            steps[k].Revert(rows, lines);
            ASSERT_EQ(StateOf(rows, lines), before[k]) << "undo of step " << k;
        }
        for (std::size_t k = 0; k < steps.size(); ++k) {
            steps[k].Apply(rows, lines);
            ASSERT_EQ(StateOf(rows, lines), after[k]) << "redo of step " << k;
        }
    }
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

} // namespace
} // namespace quorva
