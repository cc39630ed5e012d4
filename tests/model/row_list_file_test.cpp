#include "model/row_list_file.h"

#include <gtest/gtest.h>

#include <optional>

#include "model/error.h"
#include "model/row_editing.h"
#include "model/row_line.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using Lines = std::vector<std::string>;

struct TLineCase {
    std::string line;
    std::optional<TNumberRow> row;  // nullopt: the line must be refused
};

TEST(LineToRowTest, ReadsTheSevenFieldsAndNothingElse)
{
    const TLineCase cases[] = {
        {"01 02 03 04 05 06 07", TNumberRow{1, 2, 3, 4, 5, 6, 7}},
        {"10 00 99 05 42 07 13", TNumberRow{10, 0, 99, 5, 42, 7, 13}},
        {"01 02 03 04 05 06 7", TNumberRow{1, 2, 3, 4, 5, 6, 7}},      // 19 characters
        {"01 02 03 04 05 06 ", std::nullopt},                           // 18 characters
        {"01 02 03 04 05 06 07 08 and more", TNumberRow{1, 2, 3, 4, 5, 6, 7}},
        {"01;02;03;04;05;06;07", TNumberRow{1, 2, 3, 4, 5, 6, 7}},      // separators unread
        {"-5  1 +2 $F xa -0 09", TNumberRow{-5, 1, 2, 15, 10, 0, 9}},
        {"01 02 03 04 05 06 7 ", std::nullopt},                         // "7 " is no number
        {"01 02 03 04 05 06 0x", std::nullopt},
        {"\xEF\xBB\xBF" "01 02 03 04 05 06 07", std::nullopt},          // byte-order mark
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

// A list and table with a selection, to prove a failed Open keeps them.
struct TState {
    TRowTable rows;
    TLineList lines;

    TState()
    {
        AddRow(rows, lines, {1, 2, 3, 4, 5, 6, 7});
        AddRow(rows, lines, {9, 8, 7, 6, 5, 4, 3});
        lines.Select(0);
    }

    bool Open(const std::string& fileName, std::vector<std::string>* shown = nullptr)
    {
        return OpenRowListFile(lines, rows, fileName, [&](const std::string& message) {
            if (shown)
                shown->push_back(message);
        });
    }
};

TEST(RowListFileTest, OpenFailuresShowOneMessageAndKeepEverything)
{
    const std::pair<const char*, std::string> files[] = {
        {"bad field", "01 02 03 04 05 06 07\r\n01 02 03 04 05 06 xx\r\n"},
        {"blank line", "01 02 03 04 05 06 07\r\n\r\n01 02 03 04 05 06 07\r\n"},
        {"LF CR line ends", "01 02 03 04 05 06 07\n\r01 02 03 04 05 06 07\n\r"},
        {"byte-order mark", "\xEF\xBB\xBF" "01 02 03 04 05 06 07\r\n"},
        {"short line", "01 02 03 04 05 06\r\n"},
        {"binary", std::string("\x01\x02\x7f\x80\xff\n\x00\x10", 8)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        test::TTempDir dir;
        test::WriteBytes(dir.File("in.tir"), bytes);
        TState state;
        const TState before;
        std::vector<std::string> shown;
        EXPECT_FALSE(state.Open(dir.File("in.tir"), &shown));
        EXPECT_EQ(shown, std::vector<std::string>{SBadFileFormat});
        EXPECT_EQ(state.rows, before.rows);
        EXPECT_EQ(state.lines.Lines(), before.lines.Lines());
        EXPECT_EQ(state.lines.SelectedIndex(), 0);
    }
}

TEST(RowListFileTest, MissingFileShowsTheMessageToo)
{
    test::TTempDir dir;
    TState state;
    std::vector<std::string> shown;
    EXPECT_FALSE(state.Open(dir.File("absent.tir"), &shown));
    EXPECT_EQ(shown, std::vector<std::string>{SBadFileFormat});
    EXPECT_EQ(state.lines.Count(), 2);
}

TEST(RowListFileTest, MessageIsTheCyrillicText)
{
    EXPECT_EQ(std::string(SBadFileFormat),
              "\xD0\x9D\xD0\xB5 \xD1\x80\xD0\xB0\xD1\x81\xD0\xBF\xD0\xBE\xD0\xB7\xD0\xBD\xD0\xB0"
              "\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB9 \xD1\x84\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xD1\x82 "
              "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD0\xB0.");
}

TEST(RowListFileTest, OpenKeepsLinesAsReadAndSelectsNothing)
{
    const std::pair<std::string, Lines> files[] = {
        {"01 02 03 04 05 06 07 eight\n-5 +1 $A 04 05 06 7", {"01 02 03 04 05 06 07 eight",
                                                           "-5 +1 $A 04 05 06 7"}},
        {"01 02 03 04 05 06 07\r11 12 13 14 15 16 17\r", {"01 02 03 04 05 06 07",
                                                         "11 12 13 14 15 16 17"}},
        {"", {}},
    };
    for (const auto& [bytes, lines] : files) {
        test::TTempDir dir;
        test::WriteBytes(dir.File("in.tir"), bytes);
        TState state;
        EXPECT_TRUE(state.Open(dir.File("in.tir")));
        EXPECT_EQ(state.lines.Lines(), lines);
        EXPECT_EQ(state.lines.SelectedIndex(), TLineList::NoSelection);
        ASSERT_EQ(state.rows.size(), lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(state.rows[i], LineToRow(lines[i]));
    }
}

TEST(RowListFileTest, SaveWritesLinesAsTheyStand)
{
    test::TTempDir dir;
    test::WriteBytes(dir.File("in.tir"), "01 02 03 04 05 06 07 extra\n");
    TState state;
    ASSERT_TRUE(state.Open(dir.File("in.tir")));
    SaveRowListFile(state.lines, dir.File("out.tir"));
    EXPECT_EQ(test::ReadBytes(dir.File("out.tir")), "01 02 03 04 05 06 07 extra\r\n");
}

TEST(RowListFileTest, SaveThenOpenRestoresLinesAndRows)
{
    const std::vector<TRowTable> tables = {
        {{1, 2, 3, 4, 5, 6, 7}, {10, 0, 99, 5, 42, 7, 13}},
        {{-9, -1, 0, 9, 10, 99, -5}},  // negatives read from a file, then re-rendered by Add
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

}  // namespace
}  // namespace quorva
