#include "model/rows/line_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "support/recording_observer.h"

namespace quorva {
namespace {

using Events = std::vector<std::string>;

TLineList ListOf(const std::vector<std::string>& lines, int selected = TLineList::NoSelection)
{
    TLineList list;
    list.Assign(lines);
    list.Select(selected);
    return list;
}

TEST(LineListTest, DeletingMovesTheSelectionWithItsLine)
{
    struct TCase {
        int selected, deleted, selectedAfter;
    };
    const TCase cases[] = {{2, 0, 1},
                           {0, 2, 0},
                           {1, 1, TLineList::NoSelection},
                           {TLineList::NoSelection, 0, TLineList::NoSelection}};
    for (const TCase& c : cases) {
        TLineList list = ListOf({"a", "b", "c"}, c.selected);
        list.Delete(c.deleted);
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list.SelectedIndex(), c.selectedAfter) << "deleted " << c.deleted;
    }
}

TEST(LineListTest, ReplaceAndAddKeepTheSelection)
{
    TLineList list = ListOf({"a", "b"}, 1);
    list.Replace(1, "B");
    list.Add("c");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "B", "c"}));
    EXPECT_TRUE(list.IsSelected(1));
    EXPECT_FALSE(list.IsSelected(2));
}

TEST(LineListTest, ClearAndAssignLeaveNothingSelected)
{
    TLineList list = ListOf({"a", "b"}, 0);
    list.Assign({"x"});
    EXPECT_EQ(list.SelectedIndex(), TLineList::NoSelection);
    list.Select(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.SelectedIndex(), TLineList::NoSelection);
}

TEST(LineListTest, RejectsIndexesOutsideTheList)
{
    TLineList list = ListOf({"a"});
    EXPECT_THROW(list.Line(1), std::out_of_range);
    EXPECT_THROW(list.Select(1), std::out_of_range);
    EXPECT_THROW(list.Replace(-1, "x"), std::out_of_range);
    EXPECT_THROW(list.Delete(1), std::out_of_range);
    EXPECT_THROW(list.AssignText("abc", {{2, 2}}), std::out_of_range);
    EXPECT_EQ(list.Lines(), std::vector<std::string>{"a"});
}

TEST(LineListTest, TellsTheObserverExactlyWhatChanged)
{
    TLineList list = ListOf({"a", "b", "c"});
    test::TRecordingObserver observer;
    list.SetObserver(&observer);
    list.Select(2);
    list.Select(2);
    list.Replace(0, "A");
    list.Add("d");
    list.Delete(1);
    list.Delete(2);
    list.Clear();
    list.Clear();
    EXPECT_EQ(observer.events, (Events{"select 2", "change 0-0", "insert 3-3", "remove 1-1",
                                       "select 1", "remove 2-2", "reset", "select -1", "reset"}));
}

TEST(LineListTest, KeepsLinesIntactWhileReclaimingReplacedText)
{
    TLineList list;
    for (int i = 0; i < 100; ++i)
        list.Add("line " + std::to_string(i));
    // Far more replaced text than live text forces the buffer to be rebuilt.
    for (int round = 0; round < 2000; ++round)
        list.Replace(round % 100,
                     "round " + std::to_string(round) + " of line " + std::to_string(round % 100));
    list.Delete(0);
    ASSERT_EQ(list.Count(), 99);
    for (int i = 1; i < 100; ++i)
        EXPECT_EQ(list.Line(i - 1),
                  "round " + std::to_string(1900 + i) + " of line " + std::to_string(i));
}

// Lines of many megabytes keep their text and places while lines come and
// go around them, are replaced, and the buffer is rebuilt.
TEST(LineListTest, KeepsLongLinesThroughEdits)
{
    using Lines = std::vector<std::string>;
    const std::string longLine(16u << 20, 'L');
    const std::string longer = longLine + "er";
    const std::function<void(TLineList&, Lines&)> edits[] = {
        [&](TLineList& list, Lines& lines) {
            list.Insert(0, "x");
            lines.insert(lines.begin(), "x");
        },
        [&](TLineList& list, Lines& lines) {
            list.Insert(2, longer);
            lines.insert(lines.begin() + 2, longer);
        },
        [&](TLineList& list, Lines& lines) {
            list.Delete(1);
            lines.erase(lines.begin() + 1);
        },
        [&](TLineList& list, Lines& lines) {
            list.Replace(0, longLine);
            lines[0] = longLine;
        },
        [&](TLineList& list, Lines& lines) {
            list.Replace(1, "short");
            lines[1] = "short";
        },
        [&](TLineList& list, Lines& lines) {
            list.Add(longer);
            lines.push_back(longer);
        },
        [&](TLineList& list, Lines& lines) {
            list.RemoveFrom(3);
            lines.resize(3);
        },
    };
    Lines lines{"a", longLine, "b", longer, "c"};
    TLineList list = ListOf(lines);
    for (std::size_t step = 0; step < std::size(edits); ++step) {
        edits[step](list, lines);
        EXPECT_TRUE(list.Lines() == lines) << "after edit " << step;
    }
}

TEST(LineListTest, ServesLinesFromAnAssignedText)
{
    TLineList list;
    list.AssignText("one\r\ntwo\r\n", {{0, 3}, {5, 3}});
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"one", "two"}));
}

} // namespace
} // namespace quorva
