// The export's refusals before it starts: the triangle's memory and the
// CSV's size against the figures of a machine described by the test, and an
// allocation that still fails.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>

#include "model/base/error.h"
#include "support/capped_memory.h"
#include "support/case_name.h"
#include "support/folder_snapshot.h"
#include "support/small_machine.h"
#include "support/temp_dir.h"
#include "triangle/export_plan.h"
#include "triangle/triangle_budget.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_xlsx.h"

namespace quorva {
namespace {

constexpr std::uint64_t Unlimited = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t TwoGigabytes = 2'000'000'000;

TRowTable RowsOf(const std::vector<std::int32_t>& values)
{
    TRowTable rows(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        rows.Set(i, {values[i]});
    return rows;
}

std::vector<std::int32_t> RandomValues(std::size_t count, std::int32_t low, std::int32_t high)
{
    std::mt19937 random(static_cast<unsigned>(count) + static_cast<unsigned>(high));
    std::uniform_int_distribution<std::int32_t> value(low, high);
    std::vector<std::int32_t> values(count);
    for (auto& v : values)
        v = value(random);
    return values;
}

// n equal values, and one negative at the start when the cells must be wide.
TRowTable LargeTable(std::size_t count, bool wideCells)
{
    std::vector<std::int32_t> values(count, 5);
    if (wideCells)
        values.front() = -1;
    return RowsOf(values);
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

// Gigabytes in "... needs 2.5 GB of memory ..."
double NeededGigabytes(const std::string& message)
{
    double gigabytes = 0;
    const std::size_t at = message.find(" needs ");
    if (at == std::string::npos ||
        std::sscanf(message.c_str() + at, " needs %lf GB", &gigabytes) != 1)
        return 0;
    return gigabytes;
}

struct TMemoryCase {
    const char* name;
    std::size_t count;
    bool wideCells;
    bool refused;
};

class ExportMemoryTest : public testing::TestWithParam<TMemoryCase> {};

TEST_P(ExportMemoryTest, RefusesWhatDoesNotFitBeforeTouchingAnything)
{
    const TMemoryCase& param = GetParam();
    const TRowTable rows = LargeTable(param.count, param.wideCells);
    const test::TSmallMachine machine(TwoGigabytes, Unlimited);
    test::TTempDir dir;
    const std::string message = ErrorOf([&] {
        if (param.refused)
            ExportTriangleCsv(rows, 0, dir.File("out.csv"), NoProgress(), machine);
        else
            CheckExportFits(rows, 0, dir.File("out.csv"), machine);
    });
    EXPECT_EQ(dir.Listing(), "");
    if (!param.refused) {
        EXPECT_EQ(message, "");
        return;
    }
    const std::string prefix = "The triangle of " + std::to_string(param.count) + " values needs ";
    EXPECT_TRUE(message.starts_with(prefix)) << message;
    EXPECT_TRUE(message.ends_with(" of memory, but 2.0 GB is available.")) << message;
    // The export keeps about n² / 8 of the triangle's cells at a time: the
    // figure covers those and not much more.
    const double cells = static_cast<double>(param.count) * param.count / 8;
    const double triangle = cells * (param.wideCells ? 4 : 1) / 1e9;
    EXPECT_GE(NeededGigabytes(message), triangle - 0.05) << message;
    EXPECT_LE(NeededGigabytes(message), triangle * 1.3) << message;
}

INSTANTIATE_TEST_SUITE_P(TwoGigabytesAvailable, ExportMemoryTest,
                         testing::Values(TMemoryCase{"ByteCellsTooMany", 130000, false, true},
                                         TMemoryCase{"ByteCellsFit", 115000, false, false},
                                         TMemoryCase{"WideCellsTooMany", 65000, true, true},
                                         TMemoryCase{"WideCellsFit", 55000, true, false}),
                         test::TCaseName());

// The CSV of 1,000 values 0 to 99 takes about 1.5 MB.
struct TSpaceCase {
    const char* name;
    std::uint64_t freeSpace;
    const char* freeText; // as the message gives it
    bool targetExists;
    bool refused;
    // Rewritten in place: the old file's room is free once it is truncated,
    // but its backup takes as much first.
    bool hardLinked = false;
    const char* needs = "The CSV file needs up to ";
    // The .xlsx: its work files, about 26 bytes a cell, three times over.
    bool spreadsheet = false;
};

class ExportSpaceTest : public testing::TestWithParam<TSpaceCase> {};

TEST_P(ExportSpaceTest, RefusesAFileThatWouldNotFit)
{
    const TSpaceCase& param = GetParam();
    test::TTempDir dir;
    if (param.targetExists)
        test::WriteBytes(dir.File("out.csv"), std::string(2'000'000, 'x'));
    if (param.hardLinked)
        std::filesystem::create_hard_link(dir.File("out.csv"), dir.File("other.csv"));
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    const test::TSmallMachine machine(Unlimited, param.freeSpace);

    const std::string message = ErrorOf([&] {
        (param.spreadsheet ? ExportTriangleXlsx : ExportTriangleCsv)(
            RowsOf(RandomValues(1000, 0, 99)), 0, dir.File("out.csv"), NoProgress(), machine);
    });

    const std::string folder = std::filesystem::canonical(dir.Path()).string();
    EXPECT_EQ(machine.askedFolders, std::vector<std::string>{folder});
    if (!param.refused) {
        EXPECT_EQ(message, "");
        EXPECT_NE(test::SnapshotFolder(dir.Path()), before);
        return;
    }
    EXPECT_TRUE(message.starts_with(param.needs)) << message;
    EXPECT_TRUE(
        message.ends_with(", but the folder \"" + folder + "\" has " + param.freeText + " free."))
        << message;
    EXPECT_EQ(test::SnapshotFolder(dir.Path()), before);
}

// The old file is replaced only once the new one is complete, so its space
// is no help.
INSTANTIATE_TEST_SUITE_P(
    FreeSpace, ExportSpaceTest,
    testing::Values(TSpaceCase{"NewFileNoRoom", 1000, "1.0 kB", false, true},
                    TSpaceCase{"NewFileJustShort", 1'400'000, "1.4 MB", false, true},
                    TSpaceCase{"NewFileRoom", 100'000'000, "100.0 MB", false, false},
                    TSpaceCase{"ReplacedFileNoRoom", 1'400'000, "1.4 MB", true, true},
                    TSpaceCase{"ReplacedFileRoom", 100'000'000, "100.0 MB", true, false},
                    TSpaceCase{"InPlaceNoRoomForBackup", 1'800'000, "1.8 MB", true, true, true,
                               "The copy of the previous version needs "},
                    TSpaceCase{"InPlaceRoom", 4'000'000, "4.0 MB", true, false, true},
                    TSpaceCase{"SpreadsheetNoRoomForWorkFiles", 30'000'000, "30.0 MB", false, true,
                               false, "The spreadsheet file needs up to ", true},
                    TSpaceCase{"SpreadsheetRoom", 100'000'000, "100.0 MB", false, false, false, "",
                               true}),
    test::TCaseName());

// The window's flow: memory before the name is asked, then the target; the
// machine is asked once for each, in both forms.
TEST(ExportPlanTest, ChecksEachFigureOnce)
{
    test::TTempDir dir;
    for (const TExportFormat format : {TExportFormat::Csv, TExportFormat::Xlsx}) {
        const test::TSmallMachine machine(Unlimited, Unlimited);
        TExportPlan plan(RowsOf({1, 2, 3}), 0, format, machine);
        plan.CheckMemory();
        plan.SetTarget(dir.File("out"));
        EXPECT_EQ(machine.memoryAsks, 1);
        EXPECT_EQ(machine.askedFolders.size(), 1u);
    }
}

// The folder the writer writes to, wherever the link and its target point,
// and however the target is named.
TEST(ExportSpaceTest, AsksTheFolderALinkLeadsTo)
{
    test::TTempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.File("real/deep"));
    fs::create_directory_symlink(dir.File("real/deep"), dir.File("shortcut"));
    const std::pair<std::string, const char*> links[] = {
        {dir.File("real/out.csv"), "real"}, {"../out.csv", "real"}, {"deeper.csv", "real/deep"}};
    for (const auto& [target, folder] : links) {
        SCOPED_TRACE(target);
        fs::remove(dir.File("shortcut/link.csv"));
        fs::create_symlink(target, dir.File("shortcut/link.csv"));
        const test::TSmallMachine machine(Unlimited, Unlimited);
        ExportTriangleCsv(RowsOf({1, 2, 3}), 0, dir.File("shortcut/link.csv"), NoProgress(),
                          machine);
        EXPECT_EQ(machine.askedFolders,
                  std::vector<std::string>{fs::canonical(dir.File(folder)).string()});
    }
}

TEST(ExportSpaceTest, ADeviceTakesNoSpace)
{
    const test::TSmallMachine machine(Unlimited, 0);
    EXPECT_NO_THROW(
        ExportTriangleCsv(RowsOf(RandomValues(300, 0, 99)), 0, "/dev/null", NoProgress(), machine));
}

// The bound is never below the real size, and close to it: exact where
// every cell has one digit.
struct TBoundCase {
    const char* name;
    std::int32_t low, high;
    double mostOver; // bound / real size at most
};

class CsvBoundTest : public testing::TestWithParam<TBoundCase> {};

TEST_P(CsvBoundTest, BoundsTheRealSizeClosely)
{
    for (std::size_t count : {1, 2, 3, 64, 301}) {
        const TRowTable rows = RowsOf(RandomValues(count, GetParam().low, GetParam().high));
        test::TTempDir dir;
        ExportTriangleCsv(rows, 0, dir.File("out.csv"));
        const auto real = static_cast<double>(std::filesystem::file_size(dir.File("out.csv")));
        const auto bound = static_cast<double>(CsvBytesUpperBound(rows, 0));
        EXPECT_GE(bound, real) << count;
        EXPECT_LE(bound, real * GetParam().mostOver) << count;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, CsvBoundTest,
    testing::Values(TBoundCase{"SingleDigits", 0, 9, 1.0}, TBoundCase{"TwoDigits", 0, 99, 1.5},
                    TBoundCase{"Bytes", 0, 255, 1.7}, TBoundCase{"SomeNegative", -9, 99, 2.5},
                    TBoundCase{"Extremes", std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max(), 2.5}),
    test::TCaseName());

#if QUORVA_CAPPED_MEMORY
TEST(ExportMemoryTest, MemoryThatRunsOutIsAnError)
{
    test::TTempDir dir;
    const TRowTable rows = LargeTable(80000, false);
    const std::string message = test::RunWithMemoryLimit(512L << 20, [&] {
        const test::TSmallMachine plenty(Unlimited, Unlimited);
        ExportTriangleCsv(rows, 0, dir.File("out.csv"), NoProgress(), plenty);
    });
    EXPECT_EQ(message, "Not enough memory to export the triangle.");
    EXPECT_EQ(dir.Listing(), "");
}
#endif

} // namespace
} // namespace quorva
