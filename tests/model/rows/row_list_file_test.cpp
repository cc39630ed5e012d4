#include "model/rows/row_list_file.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <random>

#include "model/base/error.h"
#include "model/files/text_file.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_line.h"
#include "support/open_showing.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

struct TLineCase {
    std::string line;
    std::optional<TNumberRow> row; // nullopt: the line must be refused
};

TEST(LineToRowTest, ReadsTheSevenFieldsAndNothingElse)
{
    const TLineCase cases[] = {
        {"01 02 03 04 05 06 07", TNumberRow{1, 2, 3, 4, 5, 6, 7}},
        {"10 00 99 05 42 07 13", TNumberRow{10, 0, 99, 5, 42, 7, 13}},
        {"01 02 03 04 05 06 7", TNumberRow{1, 2, 3, 4, 5, 6, 7}}, // 19 characters
        {"01 02 03 04 05 06 ", std::nullopt},                     // 18 characters
        {"01 02 03 04 05 06 07 08 and more", TNumberRow{1, 2, 3, 4, 5, 6, 7}},
        {"01;02;03;04;05;06;07", TNumberRow{1, 2, 3, 4, 5, 6, 7}}, // separators unread
        {"-5  1 +2 $F xa -0 09", TNumberRow{-5, 1, 2, 15, 10, 0, 9}},
        {"01 02 03 04 05 06 7 ", std::nullopt}, // "7 " is no number
        {"01 02 03 04 05 06 0x", std::nullopt},
        {"\xEF\xBB\xBF"
         "01 02 03 04 05 06 07",
         std::nullopt}, // byte-order mark
        {"\t1 02 03 04 05 06 07", std::nullopt},
        {"", std::nullopt},
        {"01 02 03 04 05  6 07", TNumberRow{1, 2, 3, 4, 5, 6, 7}},
        {"01 02 03 04 05   07", std::nullopt},
    };
    for (const TLineCase& c : cases) {
        SCOPED_TRACE(c.line);
        if (c.row)
            EXPECT_EQ(LineToRow(c.line), *c.row);
        else
            EXPECT_THROW(LineToRow(c.line), Error);
    }
}

// Open takes lines of the usual shape without the general splitter and
// parser; on any text it must find the lines and rows those two find, and
// refuse what they refuse.
TEST(ParseRowListTextTest, AgreesWithSplitterAndLineToRowOnRandomTexts)
{
    std::mt19937 random(7);
    const char* const lineEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n", ""};
    const std::string strayBytes("\r\n\0x -+$9", 10);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int lineCount = static_cast<int>(random() % 8);
        for (int i = 0; i < lineCount; ++i) {
            std::string line;
            for (int j = 0; j < RowWidth; ++j) {
                line += static_cast<char>('0' + random() % 10);
                line += static_cast<char>('0' + random() % 10);
                if (j + 1 < RowWidth)
                    line += ' ';
            }
            if (random() % 4 == 0)
                line[random() % line.size()] = strayBytes[random() % strayBytes.size()];
            if (random() % 8 == 0)
                line.resize(random() % (line.size() + 4), '5');
            text += line;
            text += lineEnds[random() % std::size(lineEnds)];
        }
        SCOPED_TRACE(testing::PrintToString(text));

        std::vector<TTextSpan> expectedSpans;
        std::vector<TNumberRow> expectedRows;
        bool expectedRefusal = false;
        try {
            expectedSpans = SplitLineSpans(text);
            for (const TTextSpan& span : expectedSpans)
                expectedRows.push_back(LineToRow(span.In(text)));
        } catch (const Error&) {
            expectedRefusal = true;
        }

        TLinePositions spans(std::vector<TTextSpan>{{1, 2}});
        TRowTable rows{TNumberRow{}};
        if (expectedRefusal) {
            EXPECT_THROW(ParseRowListText(text, spans, rows), Error);
            continue;
        }
        ParseRowListText(text, spans, rows);
        ASSERT_EQ(spans.size(), expectedSpans.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(spans[i].offset, expectedSpans[i].offset) << "line " << i;
            EXPECT_EQ(spans[i].length, expectedSpans[i].length) << "line " << i;
        }
        EXPECT_EQ(std::vector<TNumberRow>(rows.begin(), rows.end()), expectedRows);
    }
}

// A list and table with a selection, as Open finds them in the window.
struct TState {
    TRowTable rows;
    TLineList lines;

    TState()
    {
        AddRow(rows, lines, {1, 2, 3, 4, 5, 6, 7});
        AddRow(rows, lines, {9, 8, 7, 6, 5, 4, 3});
        lines.Select(0);
    }

    bool Open(const std::string& fileName)
    {
        return test::OpenShowing(lines, rows, fileName, [](const std::string&) {});
    }
};

// How Open refuses a file, and the line ends it accepts, are tried in
// fault_matrix_test.cpp.

TEST(RowListFileTest, MessageIsTheCyrillicText)
{
    EXPECT_EQ(std::string(SBadFileFormat),
              "\xD0\x9D\xD0\xB5 \xD1\x80\xD0\xB0\xD1\x81\xD0\xBF\xD0\xBE\xD0\xB7\xD0\xBD\xD0\xB0"
              "\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB9 \xD1\x84\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xD1\x82 "
              "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD0\xB0.");
}

TEST(RowListFileTest, SaveWritesLinesAsTheyStand)
{
    // Lines of many megabytes among short ones keep their places too.
    const std::string tail(16u << 20, '7');
    const std::pair<std::string, std::string> cases[] = {
        {"01 02 03 04 05 06 07 extra\n", "01 02 03 04 05 06 07 extra\r\n"},
        {"01 02 03 04 05 06 07\r\n09 08 07 06 05 04 03" + tail + "\n10 00 99 05 42 07 13" + tail +
             "x\r\n01 02 03 04 05 06 07",
         "01 02 03 04 05 06 07\r\n09 08 07 06 05 04 03" + tail + "\r\n10 00 99 05 42 07 13" + tail +
             "x\r\n01 02 03 04 05 06 07\r\n"},
    };
    for (const auto& [text, saved] : cases) {
        test::TTempDir dir;
        test::WriteBytes(dir.File("in.tir"), text);
        TState state;
        ASSERT_TRUE(state.Open(dir.File("in.tir")));
        ASSERT_EQ(state.rows.size(), static_cast<std::size_t>(state.lines.Count()));
        for (int i = 0; i < state.lines.Count(); ++i)
            EXPECT_EQ(state.rows[static_cast<std::size_t>(i)], LineToRow(state.lines.Line(i)));
        SaveRowListFile(state.lines, dir.File("out.tir"));
        EXPECT_TRUE(test::ReadBytes(dir.File("out.tir")) == saved);
    }
}

TEST(RowListFileTest, SaveThenOpenRestoresLinesAndRows)
{
    const std::vector<TRowTable> tables = {
        {{1, 2, 3, 4, 5, 6, 7}, {10, 0, 99, 5, 42, 7, 13}},
        {{-9, -1, 0, 9, 10, 99, -5}}, // negatives read from a file, then re-rendered by Add
        {},
    };
    for (const TRowTable& table : tables) {
        TRowTable rows;
        TLineList lines;
        for (const TNumberRow& row : table)
            AddRow(rows, lines, row);
        test::TTempDir dir;
        SaveRowListFile(lines, dir.File("list.tir"));
        TState reopened;
        ASSERT_TRUE(reopened.Open(dir.File("list.tir")));
        EXPECT_EQ(reopened.rows, rows);
        EXPECT_EQ(reopened.lines.Lines(), lines.Lines());
    }
}

} // namespace
} // namespace quorva
