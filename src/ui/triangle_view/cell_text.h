#pragma once

#include <QString>

#include <cstddef>

#include "triangle/triangle_grid.h"

namespace quorva {

// A cell of the triangle: line k (a row of the view) and column j.
struct TCellPosition {
    std::size_t line = 0;
    std::size_t column = 0;
    friend bool operator==(const TCellPosition&, const TCellPosition&) = default;
};

// What the view says about a cell, counting lines and columns from 1 as the
// spreadsheet does: "line 3, column 2: 17" or "line 2, column 1: blank".
QString CellAccessibleText(const TTriangleGrid& grid, TCellPosition cell);
// What a screen reader's table says of a cell: "17" or "blank".
QString CellValueText(const TTriangleGrid& grid, TCellPosition cell);
// The longer description in the status line: the value, what it was computed
// from, and for column 1 the row of the list it came from.
QString CellDescription(const TTriangleGrid& grid, TCellPosition cell);

} // namespace quorva
