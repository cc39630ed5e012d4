#include "model/row_list_file.h"

#include <gtest/gtest.h>

#include <optional>

#include "model/error.h"
#include "model/row_editing.h"
#include "model/row_line.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

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
        return OpenRowListFile(lines, rows, fileName, [](const std::string&) {});
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
