#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/row_table.h"

namespace quorva {

// A jagged table of 2n - 1 rows with 1, 2, ..., n, ..., 2, 1 cells, in which
// every value stands on the line between the two values it comes from.
using TDiffTriangle = std::vector<std::vector<std::int32_t>>;

// Marks an empty cell. Any negative cell counts as empty when it is read as an
// upper parent and when it is rendered.
inline constexpr std::int32_t BlankCell = -1;

// The triangle of repeated absolute differences of one column (0 to 6) of the
// rows. Column 0 holds the values on every second row; cell [k][j] is blank
// when its upper parent [k-1][j-1] is negative, otherwise
// |upper - lower| with the lower parent [k+1][j-1] used as it is.
// Raises "Range check error" for an empty table or a column outside 0 to 6.
TDiffTriangle BuildDiffTriangle(const TRowTable& rows, int column);

// Raises "Range check error" when no triangle can be built.
void CheckTriangleInput(const TRowTable& rows, int column);

// Cells in row k of a triangle of `rowCount` rows.
std::size_t TriangleRowLength(std::size_t k, std::size_t rowCount);

// |upper - lower| in wrapping 32-bit arithmetic, so no input is undefined.
inline std::int32_t AbsDifference(std::int32_t upper, std::int32_t lower)
{
    const auto diff = static_cast<std::uint32_t>(upper) - static_cast<std::uint32_t>(lower);
    const auto magnitude = static_cast<std::int32_t>(diff) < 0 ? 0u - diff : diff;
    return static_cast<std::int32_t>(magnitude);
}

} // namespace quorva
