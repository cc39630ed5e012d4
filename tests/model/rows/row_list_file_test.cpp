#include "model/rows/row_list_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <tuple>

#include "model/base/error.h"
#include "model/files/text_file.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_line.h"
#include "model/rows/row_list_parser.h"
#include "support/capped_memory.h"
#include "support/child_process.h"
#include "support/crlf_text.h"
#include "support/open_showing.h"
#include "support/parse_outcome.h"
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

using test::Outcome;
using test::TParseOutcome;

// Open takes lines of the usual shape without the general splitter and
// parser; on any text it must find the rows those two find, keep the text of
// exactly the lines that are not their rows' canonical lines, and refuse what
// they refuse.
TEST(ParseRowListTextTest, AgreesWithSplitterAndLineToRowOnRandomTexts)
{
    std::mt19937 random(7);
    const char* const lineEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n", ""};
    const std::string strayBytes("\r\n\0x -+$9;", 11);
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

        TParseOutcome expected;
        try {
            for (const TTextSpan& span : test::SplitLineSpans(text)) {
                const std::string_view line = span.In(text);
                expected.rows.push_back(LineToRow(line));
                if (line != RowToLine(expected.rows.back()))
                    expected.stored.emplace_back(static_cast<int>(expected.rows.size() - 1), line);
            }
        } catch (const Error&) {
            expected = TParseOutcome();
            expected.refusal = SBadFileFormat;
        }
        EXPECT_EQ(Outcome([&] { return test::ParseRowListText(text); }), expected);
    }
}

// A file read in pieces, and in two halves on two threads, gives what one
// pass over its text gives, wherever the pieces end and the halves split:
// every case is tried with the split looked for at each of its bytes.
TEST(ParseRowListFileTest, PiecesAndHalvesAgreeWithOnePass)
{
    const std::string row = "01 02 03 04 05 06 07";
    const std::string other = "-5  1 +2 $F xa -0 09";
    const std::string bad = "01 02 03 04 05 06 x";
    const std::string nul(1, '\0');
    const std::string longLine = row + std::string(100, ';');
    const std::string cases[] = {
        "",
        row + "\r\n" + other + "\r\n" + row + "\r\n",
        row + "\n" + other + "\n" + row,
        row + "\r" + other + "\r" + row + "\r",
        row + "\n\r" + row + "\n",
        row + "\r\r\n" + row,
        row + "\r\n\r\n" + row + "\r\n",
        "\r\n" + row + "\r\n" + row,
        row + "\r\n" + longLine + "\r\n" + row + "\r" + longLine,
        row + "\r\n" + row + "\r\n" + row + "\r\n" + bad + "\r\n",
        row + "\r\n" + other + nul + row + "\r\n" + bad + "\r\n",
        row + "\r\n" + row + "\r" + nul + "\n" + row,
        row + "\r\n" + row + "\r\n" + row + "\r\n" + row + nul,
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        const TParseOutcome expected = Outcome([&] { return test::ParseRowListText(text); });
        test::TTempDir dir;
        test::WriteBytes(dir.File("in.tir"), text);
        const TRegularFile file(dir.File("in.tir"));
        for (const std::size_t piece : {1, 2, 3, 21, 22, 64}) {
            for (std::size_t near = 0; near <= text.size(); ++near) {
                SCOPED_TRACE(testing::Message() << "piece " << piece << ", split near " << near);
                const TParsePlan plan{piece, 0, near};
                std::uint64_t parsed = 0;
                EXPECT_EQ(Outcome([&] {
                              return ParseRowListFile(
                                  file, [&](std::uint64_t bytes) { parsed = bytes; }, plan);
                          }),
                          expected);
                EXPECT_LE(parsed, text.size());
            }
        }
        // Stopped at its first report, it stops, and its worker with it.
        if (!text.empty()) {
            const auto stop = [](std::uint64_t) { throw Cancelled(); };
            EXPECT_THROW(ParseRowListFile(file, stop, {1, 0, 0}), Cancelled);
        }
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

#if QUORVA_CAPPED_MEMORY
// A figure of this process's memory from /proc/self/status, in bytes.
std::uint64_t StatusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(key + ":"))
            return std::stoull(line.substr(key.size() + 1)) * 1024;
    return 0;
}

// Open's memory, measured in a child process from its resident memory before
// to its peak: never more than Open asks to have before it reads, whatever
// the lines; and for usual lines, whose text is not kept, at most half the
// file. The sanitizers map memory of their own in bulk, so only builds
// without them measure it.
TEST(RowListFileTest, OpenTakesNoMoreMemoryThanItAsksFor)
{
    constexpr std::size_t Bytes = 24 << 20;
    const auto repeated = [](const std::string& line) {
        std::string text;
        while (text.size() + line.size() <= Bytes)
            text += line;
        return text;
    };
    const std::tuple<const char*, std::string, double> cases[] = {
        {"usual lines", repeated("01 02 03 04 05 06 07\r\n"), 0.5},
        {"shortest lines, every one kept", repeated("01 02 03 04 05 06 7\n"), 1e9},
        {"one long line", "01 02 03 04 05 06 07" + std::string(Bytes, ';'), 1e9},
    };
    for (const auto& [name, text, mostOfFile] : cases) {
        SCOPED_TRACE(name);
        test::TTempDir dir;
        test::WriteBytes(dir.File("in.tir"), text);
        const std::string message = test::MessageFromChild([&] {
            // The peak starts again from what is resident now.
            std::ofstream("/proc/self/clear_refs") << "5";
            const std::uint64_t before = StatusBytes("VmRSS");
            TState state;
            const bool loaded = state.Open(dir.File("in.tir"));
            const std::uint64_t used = StatusBytes("VmHWM") - before;
            const double most = std::min(static_cast<double>(OpenPeakBytes(text.size())),
                                         mostOfFile * static_cast<double>(text.size()));
            if (!loaded || static_cast<double>(used) > most)
                throw Error(std::to_string(used) + " bytes used, at most " + std::to_string(most) +
                            " allowed");
        });
        EXPECT_EQ(message, "");
    }
}
#endif

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
