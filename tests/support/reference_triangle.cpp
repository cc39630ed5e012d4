#include "support/reference_triangle.h"

#include <algorithm>

#include "model/base/error.h"

namespace quorva::test {
namespace {

std::int32_t WrapTo32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

TDiffTriangle BuildDiffTriangle(const TRowTable& rows, int column)
{
    if (rows.empty() || column < 0 || column >= RowWidth)
        throw Error("Range check error");
    const std::size_t n = rows.size();
    const std::size_t m = 2 * n - 1;
    TDiffTriangle triangle(m);
    for (std::size_t k = 0; k < m; ++k)
        triangle[k].resize(std::min(k + 1, m - k));

    for (std::size_t i = 0; i < n; ++i)
        triangle[2 * i][0] = rows[i][static_cast<std::size_t>(column)];
    for (std::size_t i = 0; i + 1 < n; ++i)
        triangle[2 * i + 1][0] = -1;

    for (std::size_t j = 1; j < n; ++j) {
        for (std::size_t k = j; k + j < m; ++k) {
            const std::int64_t upper = triangle[k - 1][j - 1];
            const std::int64_t lower = triangle[k + 1][j - 1];
            // The difference and its magnitude, each cut to 32 bits.
            const std::int64_t wrapped = WrapTo32(upper - lower);
            triangle[k][j] = upper < 0 ? -1 : WrapTo32(wrapped < 0 ? -wrapped : wrapped);
        }
    }
    return triangle;
}

std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle)
{
    std::vector<std::string> lines;
    lines.reserve(triangle.size());
    for (const auto& row : triangle) {
        std::string line;
        for (std::int32_t cell : row) {
            if (cell >= 0)
                line += std::to_string(cell);
            line += ';';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

TRowTable RowsWithColumn(const std::vector<std::int32_t>& values, int column)
{
    TRowTable rows;
    for (std::int32_t value : values) {
        TNumberRow row{50, 51, 52, 53, 54, 55, 56};
        row[static_cast<std::size_t>(column)] = value;
        rows.push_back(row);
    }
    return rows;
}

} // namespace quorva::test
