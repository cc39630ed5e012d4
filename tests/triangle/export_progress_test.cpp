// The export's progress and Cancel: progress that only rises and ends at the
// whole, and a Cancel at any point that leaves the folder as it was.

#include <gtest/gtest.h>

#include <algorithm>

#include "model/base/progress.h"
#include "support/case_name.h"
#include "support/folder_snapshot.h"
#include "support/random_rows.h"
#include "support/scripted_progress.h"
#include "support/temp_dir.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_xlsx.h"

namespace quorva {
namespace {

// Values of one column: byte cells or wide ones, one band of lines or many,
// a text the writer keeps in the page cache or one it writes past it.
struct TColumnCase {
    const char* name;
    std::size_t count;
    std::int32_t low, high;
};

const TColumnCase ColumnCases[] = {
    {"OneValue", 1, 0, 99},
    {"OneBand", 40, 0, 99},
    {"ManyBands", 1100, 0, 99},
    {"WideCells", 301, -9, 99},
    {"PastThePageCache", 2600, 0, 99}, // a CSV of over 8 MiB
};

// The two exports; the workbook's, slower by far, is spared the largest
// column, which tests the CSV's own writing.
using TExport = void (*)(const TRowTable&, int, const std::string&, TProgress&,
                         const TSystemResources&);
std::vector<TExport> ExportsOf(const TColumnCase& column)
{
    if (column.count > 1100)
        return {ExportTriangleCsv};
    return {ExportTriangleCsv, ExportTriangleXlsx};
}

TRowTable CaseRows(const TColumnCase& column)
{
    return test::RandomRows(column.count, column.low, column.high,
                            static_cast<unsigned>(column.count));
}

class ExportProgressTest : public testing::TestWithParam<TColumnCase> {};

TEST_P(ExportProgressTest, RisesAndEndsAtTheWhole)
{
    for (const TExport run : ExportsOf(GetParam())) {
        test::TTempDir dir;
        test::TScriptedProgress progress;
        const std::size_t descriptors = test::OpenDescriptorCount();
        run(CaseRows(GetParam()), 2, dir.File("out.csv"), progress, SystemResources());
        EXPECT_EQ(test::OpenDescriptorCount(), descriptors) << "a work file was left open";

        ASSERT_FALSE(progress.calls.empty());
        const std::uint64_t total = progress.calls.front().second;
        std::uint64_t previous = 0;
        for (const auto& [done, callTotal] : progress.calls) {
            EXPECT_EQ(callTotal, total);
            EXPECT_GE(done, previous);
            EXPECT_LE(done, total);
            previous = done;
        }
        EXPECT_EQ(progress.calls.back().first, total);
    }
}

INSTANTIATE_TEST_SUITE_P(Columns, ExportProgressTest, testing::ValuesIn(ColumnCases),
                         test::TCaseName());

// When the user cancels, and whether a file of that name was there before.
struct TCancelCase {
    const char* name;
    test::TScriptedProgress::TStopRule stopAt;
    bool targetExists;
};

bool AtFirstCall(std::uint64_t, std::uint64_t)
{
    return true;
}
bool HalfWay(std::uint64_t done, std::uint64_t total)
{
    return 2 * done >= total;
}
bool AtTheEnd(std::uint64_t done, std::uint64_t total)
{
    return done == total;
}

const TCancelCase CancelCases[] = {
    {"FirstCallNewFile", AtFirstCall, false}, {"HalfWayNewFile", HalfWay, false},
    {"LastCallNewFile", AtTheEnd, false},     {"FirstCallExistingFile", AtFirstCall, true},
    {"HalfWayExistingFile", HalfWay, true},   {"LastCallExistingFile", AtTheEnd, true},
};

class ExportCancelTest : public testing::TestWithParam<TCancelCase> {};

TEST_P(ExportCancelTest, LeavesTheFolderAsItWas)
{
    test::TTempDir dir;
    if (GetParam().targetExists)
        test::WriteBytes(dir.File("out.csv"), "earlier export\r\n");
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());

    for (const TColumnCase& column : ColumnCases)
        for (const TExport run : ExportsOf(column)) {
            test::TScriptedProgress progress(GetParam().stopAt);
            const std::size_t descriptors = test::OpenDescriptorCount();
            EXPECT_THROW(
                run(CaseRows(column), 2, dir.File("out.csv"), progress, SystemResources()),
                Cancelled)
                << column.name;
            EXPECT_EQ(test::SnapshotFolder(dir.Path()), before) << column.name;
            EXPECT_EQ(test::OpenDescriptorCount(), descriptors) << column.name;
            // Once told to stop, the export asks no more.
            const auto stops =
                std::count_if(progress.calls.begin(), progress.calls.end(), [](const auto& call) {
                    return GetParam().stopAt(call.first, call.second);
                });
            EXPECT_EQ(stops, 1) << column.name;
        }
}

INSTANTIATE_TEST_SUITE_P(Moments, ExportCancelTest, testing::ValuesIn(CancelCases),
                         test::TCaseName());

} // namespace
} // namespace quorva
