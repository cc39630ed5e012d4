#include "model/rows/row_editing.h"

#include <gtest/gtest.h>

#include <functional>

#include "model/rows/row_line.h"
#include "support/recording_observer.h"

namespace quorva {
namespace {

// Rows told apart by their first value; line i is always RowToLine(row i)
// unless a test says otherwise.
TNumberRow RowWith(std::int32_t first)
{
    return {first, 1, 2, 3, 4, 5, 6};
}

struct TTable {
    TRowTable rows;
    TLineList lines;

    TTable(std::initializer_list<std::int32_t> firsts, int selected)
    {
        for (std::int32_t first : firsts)
            AddRow(rows, lines, RowWith(first));
        lines.Select(selected);
    }

    std::vector<std::int32_t> Firsts() const
    {
        std::vector<std::int32_t> firsts;
        for (const TNumberRow& row : rows)
            firsts.push_back(row[0]);
        return firsts;
    }

    void ExpectInStep() const
    {
        ASSERT_EQ(static_cast<int>(rows.size()), lines.Count());
        for (int i = 0; i < lines.Count(); ++i)
            EXPECT_EQ(lines.Line(i), RowToLine(rows[static_cast<std::size_t>(i)]));
    }
};

using TOperation = std::function<void(TRowTable&, TLineList&)>;

struct TEditCase {
    const char* name;
    TOperation operation;
    int selectedBefore;
    std::vector<std::int32_t> rowsAfter;
    int selectedAfter;
};

TEST(RowEditingTest, OperationsKeepRowsLinesAndSelectionTogether)
{
    const TOperation remove = DeleteSelectedRow;
    const TOperation up = MoveSelectedRowUp;
    const TOperation down = MoveSelectedRowDown;
    const int none = TLineList::NoSelection;
    const TEditCase cases[] = {
        {"delete first", remove, 0, {20, 30}, 0},
        {"delete middle", remove, 1, {10, 30}, 1},
        {"delete last", remove, 2, {10, 20}, 1},
        {"delete nothing selected", remove, none, {10, 20, 30}, none},
        {"up from middle", up, 1, {20, 10, 30}, 0},
        {"up from last", up, 2, {10, 30, 20}, 1},
        {"up at first", up, 0, {10, 20, 30}, 0},
        {"up nothing selected", up, none, {10, 20, 30}, none},
        {"down from first", down, 0, {20, 10, 30}, 1},
        {"down from middle", down, 1, {10, 30, 20}, 2},
        {"down at last", down, 2, {10, 20, 30}, 2},
        {"down nothing selected", down, none, {10, 20, 30}, none},
    };
    for (const TEditCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTable table({10, 20, 30}, c.selectedBefore);
        c.operation(table.rows, table.lines);
        EXPECT_EQ(table.Firsts(), c.rowsAfter);
        EXPECT_EQ(table.lines.SelectedIndex(), c.selectedAfter);
        table.ExpectInStep();
    }
}

TEST(RowEditingTest, DeletingTheOnlyRowLeavesNothing)
{
    TTable table({10}, 0);
    DeleteSelectedRow(table.rows, table.lines);
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(table.lines.Count(), 0);
    EXPECT_EQ(table.lines.SelectedIndex(), TLineList::NoSelection);
}

TEST(RowEditingTest, AddSelectsTheNewLastLine)
{
    TTable table({}, TLineList::NoSelection);
    for (int i = 1; i <= 7; ++i) {
        AddRow(table.rows, table.lines, {1, 2, 3, 4, 5, 6, 7});
        EXPECT_EQ(table.lines.SelectedIndex(), i - 1);
    }
    EXPECT_EQ(table.lines.Lines(), std::vector<std::string>(7, "01 02 03 04 05 06 07"));
}

TEST(RowEditingTest, AddRewritesLinesReadInAnotherForm)
{
    TRowTable rows{RowWith(1), RowWith(2)};
    TLineList lines;
    lines.Assign({"01 01 02 03 04 05 06 extra", "02;01;02;03;04;05;06"});
    test::TRecordingObserver observer;
    lines.SetObserver(&observer);
    AddRow(rows, lines, RowWith(3));
    EXPECT_EQ(lines.Lines(),
              (std::vector<std::string>{"01 01 02 03 04 05 06", "02 01 02 03 04 05 06",
                                        "03 01 02 03 04 05 06"}));
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"change 0-0", "change 1-1", "insert 2-2", "select 2"}));
}

TEST(RowEditingTest, AddLeavesCanonicalLinesAlone)
{
    TTable table({10, 20}, 0);
    test::TRecordingObserver observer;
    table.lines.SetObserver(&observer);
    AddRow(table.rows, table.lines, RowWith(30));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"insert 2-2", "select 2"}));
}

TEST(RowEditingTest, MovesExchangeLineTextsAsTheyStand)
{
    TRowTable rows{RowWith(1), RowWith(2)};
    TLineList lines;
    lines.Assign({"01 01 02 03 04 05 06 first", "02 01 02 03 04 05 06 second"});
    lines.Select(1);
    MoveSelectedRowUp(rows, lines);
    EXPECT_EQ(lines.Line(0), "02 01 02 03 04 05 06 second");
    EXPECT_EQ(lines.Line(1), "01 01 02 03 04 05 06 first");
    EXPECT_EQ(rows[0], RowWith(2));
    EXPECT_EQ(rows[1], RowWith(1));
}

TEST(RowEditingTest, StaysInStepOnALargeList)
{
    TTable table({}, TLineList::NoSelection);
    std::vector<std::string> lines;
    for (int i = 0; i < 20000; ++i) {
        table.rows.push_back(RowWith(i % 100));
        lines.push_back(RowToLine(table.rows.back()));
    }
    table.lines.Assign(lines);
    for (int step = 0; step < 3000; ++step) {
        table.lines.Select((step * 7919) % table.lines.Count());
        if (step % 3 == 0)
            DeleteSelectedRow(table.rows, table.lines);
        else if (step % 3 == 1)
            MoveSelectedRowUp(table.rows, table.lines);
        else
            MoveSelectedRowDown(table.rows, table.lines);
    }
    EXPECT_EQ(table.lines.Count(), 19000);
    table.ExpectInStep();
}

} // namespace
} // namespace quorva
