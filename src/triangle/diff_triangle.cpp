#include "triangle/diff_triangle.h"

#include <algorithm>

#include "model/error.h"

namespace quorva {

void CheckTriangleInput(const TRowTable& rows, int column)
{
    // An empty table would need a triangle of -1 rows.
    if (rows.empty() || column < 0 || column >= RowWidth)
        throw Error("Range check error");
}

std::size_t TriangleRowLength(std::size_t k, std::size_t rowCount)
{
    return std::min(k + 1, rowCount - k);
}

TDiffTriangle BuildDiffTriangle(const TRowTable& rows, int column)
{
    CheckTriangleInput(rows, column);
    const std::size_t n = rows.size();
    const std::size_t m = 2 * n - 1;
    TDiffTriangle triangle(m);
    for (std::size_t k = 0; k < m; ++k)
        triangle[k].resize(TriangleRowLength(k, m));

    for (std::size_t i = 0; i < n; ++i)
        triangle[2 * i][0] = rows[i][static_cast<std::size_t>(column)];
    for (std::size_t i = 0; i + 1 < n; ++i)
        triangle[2 * i + 1][0] = BlankCell;

    for (std::size_t j = 1; j < n; ++j) {
        for (std::size_t k = j; k + j < m; ++k) {
            const std::int32_t upper = triangle[k - 1][j - 1];
            const std::int32_t lower = triangle[k + 1][j - 1];
            triangle[k][j] = upper < 0 ? BlankCell : AbsDifference(upper, lower);
        }
    }
    return triangle;
}

} // namespace quorva
