#include "triangle/triangle_csv.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/files/text_file.h"
#include "model/rows/row_list_file.h"
#include "support/reference_triangle.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using test::BuildDiffTriangle;
using test::RowsWithColumn;
using test::TriangleToCsvLines;

std::string ExportedBytes(const std::vector<std::int32_t>& values, int column = 0)
{
    test::TTempDir dir;
    ExportTriangleCsv(RowsWithColumn(values, column), column, dir.File("out.csv"));
    return test::ReadBytes(dir.File("out.csv"));
}

std::string PlainBytes(const std::vector<std::int32_t>& values, int column = 0)
{
    test::TTempDir dir;
    const auto lines =
        TriangleToCsvLines(BuildDiffTriangle(RowsWithColumn(values, column), column));
    SaveLinesToFile(lines, dir.File("out.csv"));
    return test::ReadBytes(dir.File("out.csv"));
}

TEST(TriangleCsvTest, ExportsTheExpectedBytes)
{
    const std::pair<std::vector<std::int32_t>, std::string> cases[] = {
        {{5, 3, 8}, "5;\r\n;2;\r\n3;;3;\r\n;5;\r\n8;\r\n"},
        {{7}, "7;\r\n"},
        {{4, 9}, "4;\r\n;5;\r\n9;\r\n"},
        {{2, 2}, "2;\r\n;0;\r\n2;\r\n"},
        {{3, -5}, "3;\r\n;8;\r\n;\r\n"},
        {{-5, 3}, ";\r\n;;\r\n3;\r\n"},
        {{255, 0, 256}, "255;\r\n;255;\r\n0;;1;\r\n;256;\r\n256;\r\n"},
    };
    for (const auto& [values, bytes] : cases) {
        EXPECT_EQ(ExportedBytes(values), bytes) << testing::PrintToString(values);
        EXPECT_EQ(PlainBytes(values), bytes) << testing::PrintToString(values);
    }
}

// Every message names its files through QuotedName: a name holding a quote
// and a line end can neither end its quotes nor start a line of its own.
TEST(TriangleCsvTest, MessagesQuoteEveryName)
{
    test::TTempDir dir;
    const std::string name = dir.File("a\"b\nc.tir");
    test::WriteBytes(name, "01 02\r\n");
    const auto failureOf = [](auto operation) -> std::string {
        try {
            operation();
        } catch (const Error& failure) {
            return failure.what();
        }
        return "no failure";
    };
    for (const std::string& message :
         {CannotOpenFileMessage(name, ENOENT), CannotCreateFileMessage(name, ENOENT),
          CannotOpenFolderMessage(name, ENOENT), CannotCreateFolderMessage(name, ENOENT),
          NamedFileMessage(name, ENOENT), ExportOverRowsMessage(name, name),
          failureOf([&] { ReadRowListFile(name); }),
          failureOf([&] { CheckExportTarget(name, name); })}) {
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_NE(message.find(QuotedName(name)), std::string::npos) << message;
    }
}

TEST(TriangleCsvTest, ColumnChoiceChangesOnlyTheSeeds)
{
    EXPECT_EQ(ExportedBytes({1, 4, 9}, 6), ExportedBytes({1, 4, 9}, 0));
}

TEST(TriangleCsvTest, EmptyTableWritesNothing)
{
    test::TTempDir dir;
    test::WriteBytes(dir.File("kept.csv"), "old");
    for (const std::string& name : {std::string("kept.csv"), std::string("new.csv")}) {
        try {
            ExportTriangleCsv({}, 0, dir.File(name));
            ADD_FAILURE() << "exported an empty table";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Range check error");
        }
    }
    EXPECT_EQ(test::ReadBytes(dir.File("kept.csv")), "old");
    EXPECT_EQ(dir.Listing(), "kept.csv");
}

// Random values from `low` to `high` whose CSV takes exactly `size` bytes
// (a little over 4 KiB for these n).
std::vector<std::int32_t> ValuesWithCsvSize(std::size_t size, std::int32_t low, std::int32_t high,
                                            std::mt19937& random)
{
    std::uniform_int_distribution<std::int32_t> value(low, high);
    for (int attempt = 0; attempt < 100000; ++attempt) {
        std::vector<std::int32_t> values(47 + random() % 3);
        for (auto& v : values)
            v = value(random);
        std::size_t bytes = 0;
        for (const std::string& line :
             TriangleToCsvLines(BuildDiffTriangle(RowsWithColumn(values, 0), 0)))
            bytes += line.size() + 2;
        if (bytes == size)
            return values;
    }
    ADD_FAILURE() << "no values found whose CSV takes " << size << " bytes";
    return {};
}

// The streamed export and the plain triangle must agree byte for byte, for
// the one-byte cells and for the wide ones that negative and large values need,
// for triangles that end just before, on and just after the edge of a band
// of lines rendered together, of a stage of the triangle computed together or
// of a block of cells moved together, and for
// files that end on the edge of a memory page and a byte past it.
TEST(TriangleCsvTest, StreamedExportMatchesThePlainTriangle)
{
    std::mt19937 random(7);
    struct TRange {
        std::int32_t low, high;
        bool pageEdges;
    };
    const TRange ranges[] = {
        {0, 99, true},  {0, 9, false},     {0, 255, false},          {-9, 99, true},
        {-1, 1, false}, {250, 260, false}, {INT_MIN, INT_MAX, false}};
    for (const TRange& range : ranges) {
        for (std::size_t size : {4096, 4097}) {
            if (!range.pageEdges)
                break;
            const auto values = ValuesWithCsvSize(size, range.low, range.high, random);
            ASSERT_EQ(ExportedBytes(values).size(), size);
            ASSERT_EQ(ExportedBytes(values), PlainBytes(values)) << "size " << size;
        }
        std::uniform_int_distribution<std::int32_t> value(range.low, range.high);
        for (int n :
             {1, 2, 3, 4, 15, 16, 17, 31, 32, 33, 47, 48, 49, 64, 65, 128, 129, 257, 301, 1025}) {
            std::vector<std::int32_t> values(static_cast<std::size_t>(n));
            for (auto& v : values)
                v = value(random);
            ASSERT_EQ(ExportedBytes(values), PlainBytes(values))
                << "range " << range.low << ".." << range.high << ", n " << n;
        }
    }
}

// Long enough that the export reuses the room of values already rendered, in
// one-byte and in wide cells.
TEST(TriangleCsvTest, ExportSpansManyWriteChunks)
{
    std::mt19937 random(11);
    for (const std::int32_t low : {0, -9}) {
        std::vector<std::int32_t> values(3000);
        for (auto& v : values)
            v = low + static_cast<std::int32_t>(random() % 100);
        const std::string bytes = ExportedBytes(values);
        EXPECT_GT(bytes.size(), WriteChunkSize);
        EXPECT_EQ(bytes, PlainBytes(values)) << "values from " << low;
    }
}

} // namespace
} // namespace quorva
