#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/rows/row_table.h"

namespace quorva::test {

// The triangle built cell by cell in a jagged table, from the rules alone:
// the reference the product's forms are checked against. 2n - 1 lines with
// 1, 2, ..., n, ..., 2, 1 cells; -1 marks a blank cell.
using TDiffTriangle = std::vector<std::vector<std::int32_t>>;

// Column 0 holds the values on every second line; cell [k][j] is blank when
// its upper parent [k-1][j-1] is negative, otherwise |upper - lower| in
// wrapping 32-bit arithmetic with the lower parent [k+1][j-1] as it is.
// Raises "Range check error" for an empty table or a column outside 0 to 6.
TDiffTriangle BuildDiffTriangle(const TRowTable& rows, int column);

// One line per triangle line: each cell as its decimal digits followed by
// ';', a negative cell as ';' alone.
std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle);

// Rows whose `column` holds `values`, the other columns 50 to 56.
TRowTable RowsWithColumn(const std::vector<std::int32_t>& values, int column = 0);

} // namespace quorva::test
