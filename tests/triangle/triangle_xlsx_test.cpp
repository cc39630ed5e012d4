// The .xlsx export read back by an independent reader (openpyxl), cell for
// cell against the CSV export of the same rows.

#include "triangle/triangle_xlsx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/case_name.h"
#include "support/folder_snapshot.h"
#include "support/reference_triangle.h"
#include "support/temp_dir.h"
#include "triangle/triangle_csv.h"

namespace quorva {
namespace {

using test::RowsWithColumn;

// Values 0 to 99 in no order a difference would make regular.
std::vector<std::int32_t> Scattered(std::size_t count)
{
    std::vector<std::int32_t> values(count);
    std::uint32_t state = 1;
    for (std::int32_t& value : values)
        value = static_cast<std::int32_t>((state = state * 1103515245u + 12345u) >> 16) % 100;
    return values;
}

// Only the first value stands: every cell below a blank is blank, so the
// triangle is its first diagonal, reaching the last column in few cells.
std::vector<std::int32_t> OneDiagonal(std::size_t count)
{
    std::vector<std::int32_t> values(count, -1);
    values[0] = 7;
    return values;
}

struct TReadBackCase {
    const char* name;
    std::vector<std::int32_t> values;
    const char* fileName;
};

const TReadBackCase ReadBackCases[] = {
    {"OneValue", {42}, "out.xlsx"},
    {"TwoValues", {4, 9}, "out.xlsx"},
    {"NegativeValues", {5, -3, 8, 0, -1, 99, 12, -40, 7, 7, 1}, "out.xlsx"},
    {"TwoThousandValues", Scattered(2000), "out.xlsx"},
    {"PastOneSheet", OneDiagonal(SheetColumns + 1), "out.xlsx"},
    {"SpacesAndForeignBytes", {3, 1, 4, 1, 5}, "my rows \xff\xfe.xlsx"},
};

class XlsxReadBackTest : public testing::TestWithParam<TReadBackCase> {};

TEST_P(XlsxReadBackTest, HoldsTheCsvCellsAsNumbers)
{
    test::TTempDir dir;
    const TRowTable rows = RowsWithColumn(GetParam().values, 3);
    const std::string xlsx = dir.File(GetParam().fileName);
    ExportTriangleXlsx(rows, 3, xlsx);
    ExportTriangleCsv(rows, 3, dir.File("out.csv"));
    // The reader gets a plain name: the foreign bytes are the export's
    // affair, not the reader's. Nothing else is left beside the two.
    ASSERT_EQ(std::rename(xlsx.c_str(), dir.File("read.xlsx").c_str()), 0);
    EXPECT_EQ(dir.Listing(), "out.csv read.xlsx");
    EXPECT_EQ(std::system((QUORVA_TEST_PYTHON " " QUORVA_TEST_SUPPORT_DIR "/xlsx_against_csv.py " +
                           dir.File("read.xlsx") + " " + dir.File("out.csv"))
                              .c_str()),
              0);
}

INSTANTIATE_TEST_SUITE_P(Rows, XlsxReadBackTest, testing::ValuesIn(ReadBackCases),
                         test::TCaseName());

TEST(XlsxExportTest, AFullDiskLeavesNothing)
{
    test::TTempDir dir;
    test::WriteBytes(dir.File("out.xlsx"), "earlier export");
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    EXPECT_NE(test::RunWithFileSizeLimit(64 << 10,
                                         [&] {
                                             ExportTriangleXlsx(RowsWithColumn(Scattered(300)), 0,
                                                                dir.File("out.xlsx"));
                                         }),
              "");
    EXPECT_EQ(test::SnapshotFolder(dir.Path()), before);
}

} // namespace
} // namespace quorva
