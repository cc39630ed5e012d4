#pragma once

#include <cstddef>

#include "triangle/triangle_grid.h"

namespace quorva::test {

// The non-blank cells among the four next to cell (k, j) of `grid` (above,
// below, left and right), asked for one by one: what the renderer's shade of
// a blank cell on a map too small to show blanks must be the mean of. Those
// of a column not ready yet do not count.
TCellStatistics Neighbours(const TTriangleGrid& grid, std::size_t k, std::size_t j);

} // namespace quorva::test
