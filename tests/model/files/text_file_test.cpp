#include "model/files/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "model/base/error.h"
#include "support/crlf_text.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using Lines = std::vector<std::string>;
using test::LoadLinesFromFile;
using test::SplitLines;

TEST(SplitLinesTest, AcceptsEveryLineEndTheReaderKnows)
{
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\r\nlast", {"a", "last"}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"", {}},
        {std::string("\0abc", 4), {}},
        {std::string("ab\0c\r\nd", 7), {"ab"}},
        {std::string("ab\r\n\0cd", 7), {"ab"}},
        {"\xEF\xBB\xBF"
         "01\r\n",
         {"\xEF\xBB\xBF"
          "01"}},
        {"x\xFF\x80y", {"x\xFF\x80y"}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(SplitLines(text), lines) << testing::PrintToString(text);
}

// The reader's rule, one byte at a time.
Lines SplitByTheRule(const std::string& text)
{
    Lines lines;
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] != '\0') {
        std::string line;
        while (pos < text.size() && text[pos] != '\0' && text[pos] != '\r' && text[pos] != '\n')
            line += text[pos++];
        lines.push_back(line);
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

// The splitter looks at several bytes at once; line ends at every position
// within and across those groups must still be found where the rule puts them.
TEST(SplitLinesTest, AgreesWithTheRuleOnRandomTexts)
{
    std::mt19937 random(3);
    const std::string alphabet("ab\r\n\x0c\x8d\x8a", 7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 40, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        if (round % 10 == 0 && !text.empty())
            text[random() % text.size()] = '\0';
        ASSERT_EQ(SplitLines(text), SplitByTheRule(text)) << testing::PrintToString(text);
    }
}

// The count is taken by a separate, block-wise pass over the bytes; it must
// come to what the splitter finds, across block boundaries too.
TEST(CountLinesTest, AgreesWithTheSplitterOnRandomTexts)
{
    std::mt19937 random(5);
    const std::string alphabet("a\r\n\n\r\r\n", 7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % (round % 4 == 0 ? 1200 : 40), ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        if (round % 10 == 0 && !text.empty())
            text[random() % text.size()] = '\0';
        ASSERT_EQ(CountLines(text), test::SplitLineSpans(text).size())
            << testing::PrintToString(text);
    }
    for (const char* lineEnd : {"\n", "\r", "\r\n", "\n\r"}) {
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += lineEnd;
        EXPECT_EQ(CountLines(text), test::SplitLineSpans(text).size())
            << testing::PrintToString(lineEnd);
    }
}

TEST(TextFileTest, WritesEveryLineWithCrLf)
{
    const std::pair<Lines, std::string> cases[] = {
        {{"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {{"one"}, "one\r\n"},
        {{}, ""},
        {{std::string("n\0l", 3), "\xFF"}, std::string("n\0l\r\n\xFF\r\n", 8)},
    };
    test::TTempDir dir;
    for (const auto& [lines, bytes] : cases) {
        const std::string file = dir.File("out.txt");
        SaveLinesToFile(lines, file);
        EXPECT_EQ(test::ReadBytes(file), bytes);
    }
    EXPECT_EQ(dir.Listing(), "out.txt");
}

TEST(TextFileTest, WritesLargeTextsWhole)
{
    Lines lines;
    for (int i = 0; i < 200000; ++i)
        lines.push_back(std::to_string(i));
    test::TTempDir dir;
    SaveLinesToFile(lines, dir.File("big.txt"));
    Lines readBack;
    LoadLinesFromFile(readBack, dir.File("big.txt"));
    EXPECT_EQ(readBack, lines);
}

TEST(TextFileTest, ReadsBackWhatItWrote)
{
    const Lines lines{"01 02 03 04 05 06 07", "", "\xC0\xFF text", "  spaced  "};
    test::TTempDir dir;
    SaveLinesToFile(lines, dir.File("t.tir"));
    Lines readBack{"stale"};
    LoadLinesFromFile(readBack, dir.File("t.tir"));
    EXPECT_EQ(readBack, lines);
}

TEST(TextFileTest, FailedReadLeavesTheTargetAndNamesTheAbsoluteFile)
{
    test::TTempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    Lines target{"kept"};
    try {
        LoadLinesFromFile(target, "missing.tir");
        ADD_FAILURE() << "read a missing file";
    } catch (const Error& error) {
        EXPECT_EQ(error.what(), "Cannot open file \"" + dir.File("missing.tir") +
                                    "\". No such file or directory");
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(target, Lines{"kept"});
}

TEST(TextFileTest, ReadingAFolderFails)
{
    test::TTempDir dir;
    Lines target{"kept"};
    EXPECT_THROW(LoadLinesFromFile(target, dir.Path()), Error);
    EXPECT_EQ(target, Lines{"kept"});
}

} // namespace
} // namespace quorva
