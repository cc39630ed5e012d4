#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "model/rows/row_table.h"

namespace quorva {

// The rules of the triangle of repeated absolute differences, which every
// form of it (compact, rolling, the grid, the CSV) follows from here.
//
// A triangle of n values has 2n - 1 lines with 1, 2, ..., n, ..., 2, 1 cells,
// every value standing on the line between the two it comes from. Column 0
// holds the values on every second line; cell [k][j] is the difference of its
// upper parent [k-1][j-1] and its lower parent [k+1][j-1], or blank.

// The value of a blank cell in the 32-bit form. Any negative cell counts as
// blank when it is read as an upper parent and when it is shown or written.
inline constexpr std::int32_t BlankCellValue = -1;

// Raises "Range check error" when no triangle can be built: an empty table
// or a column outside 0 to 6.
void CheckTriangleInput(const TRowTable& rows, int column);
// The same for a table of `valueCount` rows.
void CheckTriangleInput(std::size_t valueCount, int column);

// Cells in line k of a triangle of `lineCount` lines.
std::size_t TriangleRowLength(std::size_t k, std::size_t lineCount);

// |upper - lower| in wrapping 32-bit arithmetic, so no input is undefined.
inline std::int32_t AbsDifference(std::int32_t upper, std::int32_t lower)
{
    const auto diff = static_cast<std::uint32_t>(upper) - static_cast<std::uint32_t>(lower);
    const auto magnitude = static_cast<std::int32_t>(diff) < 0 ? 0u - diff : diff;
    return static_cast<std::int32_t>(magnitude);
}

// Whether a cell is blank. A one-byte cell (a triangle whose values all lie
// in 0 to 255) never is: differences of such values stay in that range.
template <class Cell> bool IsBlank(Cell value)
{
    if constexpr (std::is_unsigned_v<Cell>)
        return false;
    else
        return value < 0;
}

// The cell below an upper and a lower parent: blank under a blank upper
// parent, otherwise |upper - lower| with the lower parent used as it is.
template <class Cell> Cell CellDifference(Cell upper, Cell lower)
{
    if constexpr (std::is_unsigned_v<Cell>)
        return static_cast<Cell>(std::max(upper, lower) - std::min(upper, lower));
    else
        return IsBlank(upper) ? BlankCellValue : AbsDifference(upper, lower);
}

// Writes a cell's CSV field: its decimal digits and ';', or ';' alone for a
// blank cell. Returns the end; at most 11 characters.
inline char* AppendCsvField(char* out, std::int32_t value)
{
    if (!IsBlank(value))
        out = std::to_chars(out, out + 10, value).ptr;
    *out++ = ';';
    return out;
}

} // namespace quorva
