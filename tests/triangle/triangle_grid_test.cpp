#include "triangle/triangle_grid.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <random>
#include <thread>

#include "model/base/error.h"
#include "support/heap_bytes.h"
#include "support/random_rows.h"
#include "support/reference_triangle.h"
#include "support/running_threads.h"
#include "support/scripted_progress.h"
#include "support/triangle_fields.h"
#include "triangle/diff_triangle.h"
#include "triangle/triangle_budget.h"
#include "triangle/triangle_csv.h"

namespace quorva {
namespace {

struct TGridCase {
    const char* name;
    std::size_t count;
    std::int32_t low;
    std::int32_t high;
    int column;
};

TRowTable CaseRows(const TGridCase& c)
{
    return test::RandomRows(c.count, c.low, c.high,
                            static_cast<unsigned>(c.count * 7919 + c.column));
}

using test::CsvFields;

std::string FieldText(const std::optional<std::int32_t>& cell)
{
    return cell ? std::to_string(*cell) : std::string();
}

class TriangleGridTest : public testing::TestWithParam<TGridCase> {};

TEST_P(TriangleGridTest, CellsAreTheCsvFields)
{
    const TRowTable rows = CaseRows(GetParam());
    const TTriangleGrid grid(rows, GetParam().column);
    const auto csv = CsvFields(rows, GetParam().column);
    ASSERT_EQ(grid.LineCount(), csv.size());
    for (std::size_t k = 0; k < csv.size(); ++k) {
        for (std::size_t j = 0; j < grid.ColumnCount() + 1; ++j) {
            ASSERT_EQ(grid.HasCell(k, j), j < csv[k].size()) << "line " << k << " column " << j;
            if (j < csv[k].size())
                ASSERT_EQ(FieldText(grid.Cell(k, j)), csv[k][j]) << "line " << k << " column " << j;
            else
                ASSERT_FALSE(grid.Cell(k, j));
        }
    }
}

TEST_P(TriangleGridTest, CopiedRectanglesAreTheCsvRectangles)
{
    const TRowTable rows = CaseRows(GetParam());
    const TTriangleGrid grid(rows, GetParam().column);
    const auto lines = test::TriangleToCsvLines(test::BuildDiffTriangle(rows, GetParam().column));
    const auto csv = CsvFields(rows, GetParam().column);
    std::mt19937 random(5);
    for (int trial = 0; trial < 50; ++trial) {
        std::uniform_int_distribution<std::size_t> line(0, grid.LineCount());
        std::uniform_int_distribution<std::size_t> column(0, grid.ColumnCount());
        auto [k0, k1] = std::minmax({line(random), line(random)});
        auto [j0, j1] = std::minmax({column(random), column(random)});
        std::string expected;
        for (std::size_t k = k0; k < k1; ++k) {
            for (std::size_t j = j0; j < std::min(j1, csv[k].size()); ++j)
                expected += csv[k][j] + ';';
            expected += '\n';
        }
        EXPECT_EQ(grid.CsvText({k0, j0, k1, j1}), expected)
            << "lines " << k0 << "-" << k1 << " columns " << j0 << "-" << j1;
        // The memory check before a copy counts no less than the copy takes.
        EXPECT_LE(expected.size(), grid.CsvTextBound({k0, j0, k1, j1}));
    }
    // The whole rectangle is the whole CSV, line for line.
    std::string whole;
    for (const std::string& text : lines)
        whole += text + '\n';
    EXPECT_EQ(grid.CsvText({0, 0, grid.LineCount(), grid.ColumnCount()}), whole);
}

// Every summary level against the cells of its blocks, counted one by one
// from the CSV: while the grid is half filled, for the block columns it says
// are ready (and the cells of the ready columns), and once it is complete.
TEST_P(TriangleGridTest, BlocksAndSummariesCountTheNonBlankCells)
{
    const TRowTable rows = CaseRows(GetParam());
    TTriangleGrid grid(rows, GetParam().column, TTriangleGrid::TUnfilled{});
    const auto csv = CsvFields(rows, GetParam().column);
    std::uint64_t zeros = 0;
    auto bruteForce = [&](const TCellRect& rect) {
        TCellStatistics block;
        zeros = 0;
        for (std::size_t k = rect.firstLine; k < std::min(rect.endLine, csv.size()); ++k)
            for (std::size_t j = rect.firstColumn; j < std::min(rect.endColumn, csv[k].size()); ++j)
                if (!csv[k][j].empty()) {
                    block.Add(std::stoi(csv[k][j]));
                    zeros += csv[k][j] == "0";
                }
        return block;
    };
    auto expectReadyPartsRight = [&] {
        const TSummaryPyramid& summaries = grid.Summaries();
        for (std::size_t level = 0; level < summaries.Levels(); ++level) {
            const std::size_t size = summaries.BlockSize(level);
            for (std::size_t c = 0; c < summaries.Columns(level); ++c) {
                // A block column is ready exactly when its cells all are.
                const bool ready = grid.IsComplete() || (c + 1) * size <= grid.ReadyColumns();
                ASSERT_EQ(grid.IsSummaryReady(level, c), ready) << "level " << level << " " << c;
                for (std::size_t r = 0; ready && r < summaries.Rows(level); ++r) {
                    const TCellStatistics expected =
                        bruteForce({r * size, c * size, (r + 1) * size, (c + 1) * size});
                    ASSERT_EQ(summaries.Count(level, r, c), expected.count)
                        << "level " << level << " block " << r << "," << c;
                    ASSERT_EQ(summaries.Sum(level, r, c), expected.sum)
                        << "level " << level << " block " << r << "," << c;
                    // The finest level keeps no zeros once merged.
                    ASSERT_EQ(TSummaryPyramid::HasZeros(level) ? summaries.Zeros(level, r, c)
                                                               : zeros,
                              zeros)
                        << "level " << level << " block " << r << "," << c;
                }
            }
        }
        for (std::size_t k = 0; k < csv.size(); ++k)
            for (std::size_t j = 0; j < std::min(csv[k].size(), grid.ReadyColumns()); ++j)
                ASSERT_EQ(FieldText(grid.Cell(k, j)), csv[k][j]) << "line " << k << " column " << j;
    };
    grid.Fill(NoProgress(), grid.ColumnCount() / 2);
    EXPECT_GE(grid.ReadyColumns(), grid.ColumnCount() / 2);
    expectReadyPartsRight();
    grid.Fill(NoProgress());
    ASSERT_TRUE(grid.IsComplete());
    expectReadyPartsRight();
    const TSummaryPyramid& summaries = grid.Summaries();
    EXPECT_EQ(summaries.Rows(summaries.Levels() - 1), 1u);
    EXPECT_EQ(summaries.Columns(summaries.Levels() - 1), 1u);
    const TCellStatistics whole = bruteForce({0, 0, csv.size(), grid.ColumnCount()});
    EXPECT_EQ(grid.Whole().count, whole.count);
    EXPECT_EQ(grid.Whole().sum, whole.sum);
    EXPECT_EQ(grid.Whole().min, whole.min);
    EXPECT_EQ(grid.Whole().max, whole.max);
}

TEST_P(TriangleGridTest, ValueCountsTallyTheCsvForByteValues)
{
    const TRowTable rows = CaseRows(GetParam());
    const TTriangleGrid grid(rows, GetParam().column);
    std::vector<std::uint64_t> tally(256);
    bool bytes = true;
    for (const auto& line : CsvFields(rows, GetParam().column))
        for (const std::string& field : line)
            if (!field.empty()) {
                const int value = std::stoi(field);
                bytes = bytes && value <= 255;
                if (value <= 255)
                    ++tally[static_cast<std::size_t>(value)];
            }
    // Negative values leave blanks, which the int32 form keeps.
    bytes = bytes && GetParam().low >= 0;
    EXPECT_EQ(grid.ValueCounts(), bytes ? tally : std::vector<std::uint64_t>{});
}

TEST_P(TriangleGridTest, BuildCountsUpToItsTotalOrStopsWhenCancelled)
{
    const TRowTable rows = CaseRows(GetParam());
    test::TScriptedProgress progress;
    const TTriangleGrid grid(rows, GetParam().column, progress);
    ASSERT_FALSE(progress.calls.empty());
    for (std::size_t i = 1; i < progress.calls.size(); ++i)
        EXPECT_LE(progress.calls[i - 1].first, progress.calls[i].first);
    EXPECT_EQ(progress.calls.back().first, progress.calls.back().second);

    test::TScriptedProgress stop([](std::uint64_t, std::uint64_t) { return true; });
    EXPECT_THROW(TTriangleGrid(rows, GetParam().column, stop), Cancelled);
}

// Filled on one thread, slowly, while another reads and copies it: a read
// never waits and gives only what is ready, a copy waits for the columns it
// needs and is the CSV; with no one filling, the copy's wait still hears
// Cancel. Run under ThreadSanitizer too.
TEST_P(TriangleGridTest, ReadAndCopiedWhileFilledOnAnotherThread)
{
    const TRowTable rows = CaseRows(GetParam());
    const auto csv = CsvFields(rows, GetParam().column);
    TTriangleGrid grid(rows, GetParam().column, TTriangleGrid::TUnfilled{});
    const TCellRect whole{0, 0, grid.LineCount(), grid.ColumnCount()};
    if (grid.ColumnCount() > 1) {
        EXPECT_FALSE(grid.Cell(1, 1));
        test::TScriptedProgress stop([](std::uint64_t, std::uint64_t) { return true; });
        EXPECT_THROW(grid.CsvText(whole, stop), Cancelled);
    }
    std::string expected;
    for (const auto& line : csv) {
        for (const std::string& field : line)
            expected += field + ';';
        expected += '\n';
    }
    test::TScriptedProgress slow([](std::uint64_t, std::uint64_t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return false;
    });
    std::thread filler([&] { grid.Fill(slow); });
    for (std::size_t k = 0; k < csv.size() && !grid.IsComplete(); ++k) {
        for (std::size_t j = 0; j < csv[k].size(); ++j) {
            if (j < grid.ReadyColumns()) {
                ASSERT_EQ(FieldText(grid.Cell(k, j)), csv[k][j]) << "line " << k << " column " << j;
            }
        }
    }
    test::TScriptedProgress copying;
    const std::string text = grid.CsvText(whole, copying);
    filler.join();
    EXPECT_EQ(text, expected);
}

INSTANTIATE_TEST_SUITE_P(
    RandomInputs, TriangleGridTest,
    testing::Values(TGridCase{"one_value", 1, 0, 99, 0}, TGridCase{"two_values", 2, 0, 99, 3},
                    TGridCase{"digits", 77, 0, 99, 2}, TGridCase{"bytes", 100, 0, 255, 6},
                    TGridCase{"negatives", 90, -50, 60, 1},
                    TGridCase{"wide_and_negative", 70, -100000, 100000, 4},
                    TGridCase{"past_one_summary_block", 150, 0, 1000, 5},
                    TGridCase{"odd_count_of_bytes", 203, 0, 255, 0}),
    [](const testing::TestParamInfo<TGridCase>& testCase) { return testCase.param.name; });

// The grid, filled by one thread or two, half first, against the triangle
// built cell by cell: around every tile and block boundary, odd and even.
struct TTileCase {
    std::size_t count;
    std::int32_t high;
    unsigned threads;
};

// Every cell of the ready columns is the reference's; the others read nothing.
void ExpectReadyCellsAre(const TTriangleGrid& grid, const test::TDiffTriangle& reference)
{
    const std::size_t ready = grid.ReadyColumns();
    for (std::size_t k = 0; k < reference.size(); ++k)
        for (std::size_t j = 0; j < reference[k].size(); ++j) {
            const std::int32_t cell = j < ready ? std::max(reference[k][j], -1) : -1;
            ASSERT_EQ(grid.Cell(k, j).value_or(-1), cell) << "line " << k << " column " << j;
        }
}

// Every column walked down, whole and from every value past its first up to
// the widest spacing a few values, reads the reference's cells, kept columns and those
// worked out between alike; so do the columns read left to right with a
// cursor, each on the lines of a picture, as the one before it was, and as
// those walks.
void ExpectColumnsRead(const TTriangleGrid& grid, const test::TDiffTriangle& reference)
{
    // Each cell read one by one too, on the plain walks.
    bool oneByOne = true;
    auto expectRead = [&](std::size_t j, std::size_t begin, std::size_t end, auto forEach) {
        std::size_t next = begin;
        forEach([&](std::size_t i, std::int32_t value) {
            for (; next < i; ++next)
                ASSERT_LT(reference[2 * next + j][j], 0) << "column " << j << " value " << next;
            ASSERT_EQ(value, reference[2 * i + j][j]) << "column " << j << " value " << i;
            if (oneByOne) {
                ASSERT_EQ(grid.ColumnValue(j, i), value) << "column " << j << " value " << i;
            }
            ++next;
        });
        for (; next < end; ++next)
            ASSERT_LT(reference[2 * next + j][j], 0) << "column " << j << " value " << next;
    };
    TTriangleGrid::TCursor walks;
    TTriangleGrid::TCursor picture;
    const std::size_t top = grid.LineCount() / 4;
    const std::size_t bottom = grid.LineCount() - top;
    for (std::size_t j = 0; j < grid.ColumnCount(); ++j) {
        const std::size_t length = grid.ValueCount() - j;
        // Past the first few values, a walk from 3 stands for the others.
        for (std::size_t begin = 0;
             begin <= std::min(length, TKeptColumns<std::uint8_t>::MaxSpacing); ++begin) {
            const std::size_t end = begin == 0 || begin == 3 ? length : std::min(length, begin + 3);
            oneByOne = true;
            expectRead(j, begin, end, [&](auto read) { grid.ForEachValue(j, begin, end, read); });
            oneByOne = false;
            if (begin != 3)
                expectRead(j, begin, end,
                           [&](auto read) { grid.ForEachValue(walks, j, begin, end, read); });
        }
        const std::size_t first = std::min(length, (std::max(top, j) - j + 1) / 2);
        const std::size_t end = std::clamp((std::max(bottom, j) - j + 1) / 2, first, length);
        expectRead(j, first, end,
                   [&](auto read) { grid.ForEachValue(picture, j, first, end, read); });
    }
}

// Every level's sums and counts, and zeros from the second level on, are
// the reference's, blocks wholly outside the triangle reading empty: the
// finest blocks summed from the cells, each coarser from the four below.
void ExpectSummariesAre(const TTriangleGrid& grid, const test::TDiffTriangle& reference)
{
    const TSummaryPyramid& summaries = grid.Summaries();
    using TBlocks = std::vector<std::vector<std::array<std::int64_t, 3>>>;
    TBlocks blocks(summaries.Rows(0), TBlocks::value_type(summaries.Columns(0)));
    const std::size_t size = summaries.BlockSize(0);
    for (std::size_t k = 0; k < reference.size(); ++k)
        for (std::size_t j = 0; j < reference[k].size(); ++j)
            if (reference[k][j] >= 0) {
                auto& block = blocks[k / size][j / size];
                block[0] += reference[k][j];
                ++block[1];
                block[2] += reference[k][j] == 0;
            }
    for (std::size_t level = 0; level < summaries.Levels(); ++level) {
        ASSERT_EQ(blocks.size(), summaries.Rows(level));
        for (std::size_t r = 0; r < blocks.size(); ++r)
            for (std::size_t c = 0; c < blocks[r].size(); ++c) {
                SCOPED_TRACE(testing::Message() << "level " << level << " block " << r << "," << c);
                ASSERT_EQ(summaries.Sum(level, r, c), blocks[r][c][0]);
                ASSERT_EQ(summaries.Count(level, r, c), std::uint64_t(blocks[r][c][1]));
                if (TSummaryPyramid::HasZeros(level)) {
                    ASSERT_EQ(summaries.Zeros(level, r, c), std::uint64_t(blocks[r][c][2]));
                }
            }
        TBlocks coarser((blocks.size() + 1) / 2, TBlocks::value_type((blocks[0].size() + 1) / 2));
        for (std::size_t r = 0; r < blocks.size(); ++r)
            for (std::size_t c = 0; c < blocks[r].size(); ++c)
                for (std::size_t kind = 0; kind < 3; ++kind)
                    coarser[r / 2][c / 2][kind] += blocks[r][c][kind];
        blocks = std::move(coarser);
    }
}

TEST(TriangleGridTiles, FilledInTilesAreTheReferenceAtEveryBoundary)
{
    constexpr std::size_t Tile = TTriangleGrid::TileValues;
    constexpr std::size_t Block = TTriangleGrid::SummaryBlock;
    const TTileCase cases[] = {
        {Block - 1, 99, 2},     {Block, 99, 2},    {Block + 1, 255, 2},
        {2 * Block + 1, 99, 2}, {Tile - 1, 99, 2}, {Tile, 99, 2},
        {Tile + 1, 100000, 2},  {Tile + 1, 99, 1}, {Tile + Block + 1, 255, 2},
    };
    for (const TTileCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.count << " values to " << c.high << ", " << c.threads << " threads");
        const TRowTable rows = test::RandomRows(c.count, c.high > 255 ? -c.high : 0, c.high,
                                                static_cast<unsigned>(c.count));
        const auto reference = test::BuildDiffTriangle(rows, 0);
        TTriangleGrid grid(rows, 0, TTriangleGrid::TUnfilled{});
        grid.Fill(NoProgress(), grid.ColumnCount() / 2 + 1, c.threads);
        if (grid.ColumnCount() > 2 * Block) {
            ASSERT_FALSE(grid.IsComplete());
        }
        ExpectReadyCellsAre(grid, reference);
        grid.Fill(NoProgress(), SIZE_MAX, c.threads);
        ASSERT_TRUE(grid.IsComplete());
        ExpectReadyCellsAre(grid, reference);
        ExpectColumnsRead(grid, reference);
        ExpectSummariesAre(grid, reference);
    }
}

// Cancel heard by the first thread stops the second too: Fill returns with
// no thread of its left, the ready columns right and staying so, and a
// later Fill goes on from there.
TEST(TriangleGridTiles, CancelStopsBothThreadsAndTheBuildGoesOnLater)
{
    const TRowTable rows = test::RandomRows(TTriangleGrid::TileValues + 5, 0, 99, 5);
    const auto reference = test::BuildDiffTriangle(rows, 0);
    TTriangleGrid grid(rows, 0, TTriangleGrid::TUnfilled{});
    // A sanitizer starts a thread of its own beside the first one a process
    // makes: one made and joined first keeps that out of the count.
    std::thread([] {}).join();
    const std::size_t threads = test::RunningThreads();
    int calls = 0;
    test::TScriptedProgress stop([&](std::uint64_t, std::uint64_t) { return ++calls == 20; });
    EXPECT_THROW(grid.Fill(stop, SIZE_MAX, 2), Cancelled);
    EXPECT_EQ(test::RunningThreads(), threads);
    const std::size_t ready = grid.ReadyColumns();
    EXPECT_GT(ready, 0u);
    EXPECT_LT(ready, grid.ColumnCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(grid.ReadyColumns(), ready);
    ExpectReadyCellsAre(grid, reference);
    grid.Fill(NoProgress(), SIZE_MAX, 2);
    ExpectReadyCellsAre(grid, reference);
}

// The memory check asks for what building a grid allocates at its highest,
// but for the allocator's own bookkeeping, and not for much more; a grid of
// one-byte cells takes under a third of its cells' bytes, one of 32-bit
// cells little over its cells'.
TEST(TriangleGridMemory, TheCheckCoversWhatTheBuildAllocates)
{
    constexpr std::size_t Bookkeeping = 16 * 1024;
    const struct {
        TGridCase grid;
        double ofCells;
    } cases[] = {{{"bytes", 2000, 0, 255, 0}, 0.3}, {{"words", 1000, -1000, 100000, 3}, 1.1}};
    for (const auto& [c, ofCells] : cases) {
        SCOPED_TRACE(c.name);
        const TRowTable rows = CaseRows(c);
        const std::uint64_t needed = GridMemoryNeeded(rows, c.column);
        const std::size_t before = test::LiveHeapBytes();
        test::ResetPeakHeapBytes();
        const TTriangleGrid grid(rows, c.column);
        const std::size_t used = test::PeakHeapBytes() - before;
        EXPECT_LE(used, needed + Bookkeeping);
        EXPECT_GE(used, needed - needed / 10);
        const std::size_t cells = c.count * (c.count + 1) / 2 * (c.high > 255 ? 4 : 1);
        EXPECT_LE(static_cast<double>(used), ofCells * static_cast<double>(cells));
    }
}

TEST(TriangleGridErrors, RefusesWhatNoTriangleCanBeBuiltFrom)
{
    EXPECT_THROW(TTriangleGrid({}, 0), Error);
    EXPECT_THROW(TTriangleGrid(TRowTable(3), 7), Error);
    EXPECT_THROW(TTriangleGrid(TRowTable(3), -1), Error);
}

TEST(TriangleGridParents, AreTheNeighbouringLinesOfTheColumnToTheLeft)
{
    EXPECT_FALSE(TTriangleGrid::ParentLines(4, 0));
    const auto parents = TTriangleGrid::ParentLines(5, 3);
    ASSERT_TRUE(parents);
    EXPECT_EQ(parents->first, 4u);
    EXPECT_EQ(parents->second, 6u);
}

} // namespace
} // namespace quorva
