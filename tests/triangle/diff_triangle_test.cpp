#include "triangle/diff_triangle.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "model/base/error.h"
#include "support/reference_triangle.h"
#include "triangle/checkpoint_triangle.h"

namespace quorva {
namespace {

constexpr std::int32_t B = BlankCellValue;

using test::BuildDiffTriangle;
using test::RowsWithColumn;
using test::TDiffTriangle;

TEST(DiffTriangleTest, SmallTriangles)
{
    const std::pair<std::vector<std::int32_t>, TDiffTriangle> cases[] = {
        {{5, 3, 8}, {{5}, {B, 2}, {3, B, 3}, {B, 5}, {8}}},
        {{7}, {{7}}},
        {{4, 9}, {{4}, {B, 5}, {9}}},
        {{6, 6, 6}, {{6}, {B, 0}, {6, B, 0}, {B, 0}, {6}}},
        // A negative upper parent blanks its child; a negative lower parent
        // is used as it is.
        {{3, -5}, {{3}, {B, 8}, {-5}}},
        {{-5, 3}, {{-5}, {B, B}, {3}}},
        {{1, -1, 4}, {{1}, {B, 2}, {-1, B, 3}, {B, B}, {4}}},
        {{INT_MIN, 1}, {{INT_MIN}, {B, B}, {1}}},
        {{INT_MAX, -2}, {{INT_MAX}, {B, INT_MAX}, {-2}}},
        {{0, INT_MIN}, {{0}, {B, INT_MIN}, {INT_MIN}}}, // 32-bit arithmetic wraps
    };
    for (const auto& [values, triangle] : cases)
        EXPECT_EQ(BuildDiffTriangle(RowsWithColumn(values), 0), triangle)
            << testing::PrintToString(values);
}

TEST(DiffTriangleTest, TheColumnChoosesOnlyTheSeedValues)
{
    for (int column = 0; column < RowWidth; ++column)
        EXPECT_EQ(BuildDiffTriangle(RowsWithColumn({5, 3, 8}, column), column),
                  BuildDiffTriangle(RowsWithColumn({5, 3, 8}), 0));
}

TEST(DiffTriangleTest, NothingToBuildIsARangeError)
{
    const std::pair<TRowTable, int> cases[] = {
        {{}, 0}, {RowsWithColumn({1}), -1}, {RowsWithColumn({1}), 7}};
    for (const auto& [rows, column] : cases) {
        try {
            CheckTriangleInput(rows, column);
            ADD_FAILURE() << "accepted column " << column << " of " << rows.size() << " rows";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Range check error");
        }
    }
}

// With values that are not negative, the non-blank cells of column j are the
// j-th differences, standing exactly where k + j is even.
TEST(DiffTriangleTest, NonNegativeValuesGiveRepeatedDifferences)
{
    std::mt19937 random(42);
    for (int n : {1, 2, 5, 33}) {
        std::vector<std::int32_t> differences(static_cast<std::size_t>(n));
        for (auto& value : differences)
            value = static_cast<std::int32_t>(random() % 100);
        const TDiffTriangle triangle = BuildDiffTriangle(RowsWithColumn(differences), 0);
        ASSERT_EQ(triangle.size(), static_cast<std::size_t>(2 * n - 1));
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < 2 * n - 1; ++k) {
                if (static_cast<int>(triangle[static_cast<std::size_t>(k)].size()) <= j)
                    continue;
                const std::int32_t cell =
                    triangle[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
                if ((k + j) % 2 != 0)
                    EXPECT_EQ(cell, B);
                else
                    EXPECT_EQ(cell, differences[static_cast<std::size_t>((k - j) / 2)]);
            }
            for (std::size_t i = 0; i + 1 < differences.size(); ++i)
                differences[i] = std::abs(differences[i] - differences[i + 1]);
            if (!differences.empty())
                differences.pop_back();
        }
    }
}

// The lines read from kept columns at every spacing, from keeping each
// column to keeping the first alone, are the reference's lines.
template <class Cell> void ExpectCheckpointLines(const std::vector<std::int32_t>& values)
{
    const TDiffTriangle reference = BuildDiffTriangle(RowsWithColumn(values), 0);
    const std::uint64_t n = values.size();
    for (std::uint64_t budget : {n * n, n * n / 5, 3 * n, 2 * n, n}) {
        TCheckpointTriangle<Cell> triangle(values, budget);
        std::vector<Cell> line;
        for (std::size_t k = 0; k < reference.size(); ++k) {
            std::vector<std::int32_t> expected;
            for (std::size_t j = k % 2; j < reference[k].size(); j += 2)
                expected.push_back(reference[k][j]);
            triangle.ReadLine(k, line);
            const std::vector<std::int32_t> got(line.begin(), line.end());
            ASSERT_EQ(got, expected)
                << "n " << n << ", spacing " << triangle.Spacing() << ", line " << k;
        }
    }
}

TEST(CheckpointTriangleTest, LinesAreTheReferenceAtEverySpacing)
{
    std::mt19937 random(7);
    for (std::size_t n : {1u, 2u, 3u, 8u, 13u, 40u}) {
        std::vector<std::int32_t> bytes(n), signedValues(n);
        for (std::size_t i = 0; i < n; ++i) {
            bytes[i] = std::int32_t(random() % 100);
            signedValues[i] = std::int32_t(random() % 200) - 50;
        }
        ExpectCheckpointLines<std::uint8_t>(bytes);
        ExpectCheckpointLines<std::int32_t>(signedValues);
    }
}

} // namespace
} // namespace quorva
