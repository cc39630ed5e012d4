#include "support/grid_neighbours.h"

namespace quorva::test {

TCellStatistics Neighbours(const TTriangleGrid& grid, std::size_t k, std::size_t j)
{
    TCellStatistics block;
    auto add = [&](std::size_t line, std::size_t column) {
        if (const auto value = grid.Cell(line, column))
            block.Add(*value);
    };
    // Unsigned wrap-around takes line or column -1 off the triangle.
    add(k - 1, j);
    add(k + 1, j);
    add(k, j - 1);
    add(k, j + 1);
    return block;
}

} // namespace quorva::test
