#include "triangle/diff_triangle.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "model/base/error.h"
#include "support/reference_triangle.h"

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

} // namespace
} // namespace quorva
