#include "model/rows/row_text_import.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "model/base/error.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_line.h"
#include "support/recording_observer.h"

namespace quorva {
namespace {

// A test name made of the case's name, with '_' for anything but letters
// and digits.
template <typename TCase> std::string CaseName(const testing::TestParamInfo<TCase>& param)
{
    std::string name = param.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

struct TGoodText {
    const char* name;
    std::string text;
    TRowTable rows;
};

class RowTextImportGood : public testing::TestWithParam<TGoodText> {};

TEST_P(RowTextImportGood, ReadsEveryRow)
{
    EXPECT_EQ(ParseRowText(GetParam().text), GetParam().rows);
    EXPECT_EQ(HoldsRow(GetParam().text), !GetParam().rows.empty());
}

const TNumberRow OneToSeven{1, 2, 3, 4, 5, 6, 7};
const TNumberRow Extremes{0, 99, 0, 99, 0, 99, 9};

INSTANTIATE_TEST_SUITE_P(
    Separators, RowTextImportGood,
    testing::Values(
        TGoodText{"spaces", "1 2 3 4 5 6 7", {OneToSeven}},
        TGoodText{"tabs", "1\t2\t3\t4\t5\t6\t7", {OneToSeven}},
        TGoodText{"commas", "1,2,3,4,5,6,7", {OneToSeven}},
        TGoodText{"semicolons", "1;2;3;4;5;6;7", {OneToSeven}},
        TGoodText{"padded commas", " 1, 2 ,3 ;4\t 5 6   7  ", {OneToSeven}},
        TGoodText{"leading zeros", "00 099 00 99 000 99 09", {Extremes}},
        TGoodText{"row lines",
                  "01 02 03 04 05 06 07\r\n00 99 00 99 00 99 09\r\n",
                  {OneToSeven, Extremes}},
        TGoodText{"lone line ends", "1 2 3 4 5 6 7\r0,99,0,99,0,99,9\n", {OneToSeven, Extremes}},
        TGoodText{"blank lines skipped", "\n  \n1 2 3 4 5 6 7\n\t\n", {OneToSeven}},
        TGoodText{"nothing", "", {}}),
    CaseName<TGoodText>);

struct TBadText {
    const char* name;
    std::string text;
    std::string message;
};

class RowTextImportBad : public testing::TestWithParam<TBadText> {};

TEST_P(RowTextImportBad, NamesTheFirstBadLine)
{
    try {
        ParseRowText(GetParam().text);
        FAIL() << "accepted";
    } catch (const Error& failure) {
        EXPECT_EQ(failure.what(), GetParam().message);
    }
}

std::string BadLine(int number, const std::string& shown)
{
    return "Line " + std::to_string(number) +
           " is not a row of seven whole numbers from 0 to 99:\n\"" + shown +
           "\"\nNothing was added.";
}

const std::string Good = "1 2 3 4 5 6 7\n";
const std::string LongLine(100, '7');

INSTANTIATE_TEST_SUITE_P(
    Rules, RowTextImportBad,
    testing::Values(
        TBadText{"six numbers", "1 2 3 4 5 6", BadLine(1, "1 2 3 4 5 6")},
        TBadText{"eight numbers", "1 2 3 4 5 6 7 8", BadLine(1, "1 2 3 4 5 6 7 8")},
        TBadText{"above 99", Good + "1 2 3 4 5 6 100", BadLine(2, "1 2 3 4 5 6 100")},
        TBadText{"negative", "1 2 3 -4 5 6 7", BadLine(1, "1 2 3 -4 5 6 7")},
        TBadText{"plus sign", "+1 2 3 4 5 6 7", BadLine(1, "+1 2 3 4 5 6 7")},
        TBadText{"fraction", "1 2 3 4.5 5 6 7", BadLine(1, "1 2 3 4.5 5 6 7")},
        TBadText{"hex", "1 2 3 4 5 6 $A", BadLine(1, "1 2 3 4 5 6 $A")},
        TBadText{"word", "1 2 3 4 5 6 seven", BadLine(1, "1 2 3 4 5 6 seven")},
        TBadText{"empty cell", "1\t2\t\t3\t4\t5\t6\t7",
                 BadLine(1, "1\u21e52\u21e5\u21e53\u21e54\u21e55\u21e56\u21e57")},
        TBadText{"leading separator", ",1,2,3,4,5,6,7", BadLine(1, ",1,2,3,4,5,6,7")},
        TBadText{"trailing separator", "1,2,3,4,5,6,7,", BadLine(1, "1,2,3,4,5,6,7,")},
        TBadText{"first bad of several, blank lines counted", Good + "\n" + "x\n" + "y\n",
                 BadLine(3, "x")},
        TBadText{"control character", "1 2 3\x01 4 5 6 7", BadLine(1, "1 2 3? 4 5 6 7")},
        TBadText{"long line cut", LongLine, BadLine(1, LongLine.substr(0, 60) + "...")},
        TBadText{"cut keeps UTF-8 whole", std::string(59, 'a') + "\xc3\xa9 tail" + LongLine,
                 BadLine(1, std::string(59, 'a') + "...")}),
    CaseName<TBadText>);

// Pasting must end exactly as adding each row with Add would, including the
// re-rendering of lines that were not in their canonical form.
TEST(RowTextImportTest, PasteEndsAsAddingEachRow)
{
    TRowTable pastedRows;
    TLineList pastedLines;
    pastedLines.Assign({"5 1 2 3 4 5 6"}); // as a hand-written file may hold it
    pastedRows.push_back({5, 1, 2, 3, 4, 5, 6});
    TRowTable addedRows = pastedRows;
    TLineList addedLines;
    addedLines.Assign(pastedLines.Lines());

    PasteRows(pastedRows, pastedLines, "1 2 3 4 5 6 7\r\n0;99;0;99;0;99;9\r\n");
    AddRow(addedRows, addedLines, OneToSeven);
    AddRow(addedRows, addedLines, Extremes);

    EXPECT_EQ(pastedRows, addedRows);
    EXPECT_EQ(pastedLines.Lines(), addedLines.Lines());
    EXPECT_EQ(pastedLines.SelectedIndex(), addedLines.SelectedIndex());
}

// A list holding one row, watched by a recording observer.
struct TWatchedList {
    TRowTable rows;
    TLineList lines;
    test::TRecordingObserver observer;

    explicit TWatchedList(const TNumberRow& first)
    {
        AddRow(rows, lines, first);
        lines.SetObserver(&observer);
    }
    ~TWatchedList() { lines.SetObserver(nullptr); }
};

TEST(RowTextImportTest, PasteTellsTheViewOnceAndSelectsTheLast)
{
    TWatchedList list(OneToSeven);

    PasteRows(list.rows, list.lines, "1 2 3 4 5 6 7\n1 2 3 4 5 6 7\n1 2 3 4 5 6 7\n");

    EXPECT_EQ(list.observer.events, (std::vector<std::string>{"insert 1-3", "select 3"}));
}

TEST(RowTextImportTest, BadOrBlankPasteAddsNothing)
{
    const std::pair<std::string, bool> cases[] = {{Good + Good + "1 2 3\n", true},
                                                  {"\n \t\n", false}};
    for (const auto& [text, refused] : cases) {
        TWatchedList list(Extremes);
        list.lines.Select(TLineList::NoSelection);
        list.observer.events.clear();

        bool raised = false;
        try {
            PasteRows(list.rows, list.lines, text);
        } catch (const Error&) {
            raised = true;
        }

        EXPECT_EQ(raised, refused);
        EXPECT_EQ(list.rows, TRowTable{Extremes});
        EXPECT_EQ(list.lines.Lines(), std::vector<std::string>{RowToLine(Extremes)});
        EXPECT_EQ(list.lines.SelectedIndex(), TLineList::NoSelection);
        EXPECT_TRUE(list.observer.events.empty());
    }
}

} // namespace
} // namespace quorva
