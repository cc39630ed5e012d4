#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorva {

// The cells of a triangle (see TCompactTriangle) line by line, in memory that
// does not grow with the triangle's square: for the .xlsx export, whose
// library takes about a microsecond a cell, so that a cell worked out again
// costs next to nothing beside it.
//
// Every `Spacing()`-th column is kept whole. A line's cells between two kept
// columns are worked out again, for each line read, from the few values of the
// kept column to their left that they come from: about Spacing() differences
// for each cell read. The spacing is the smallest that keeps the kept columns
// within a budget of cells, so a small triangle keeps every column.
template <class Cell> class TCheckpointTriangle {
public:
    // The spacing for a triangle of `valueCount` values within `budgetCells`,
    // and the cells the triangle then keeps (its memory, with its two working
    // columns of `valueCount` cells each).
    static std::size_t Spacing(std::uint64_t valueCount, std::uint64_t budgetCells);
    static std::uint64_t CellCount(std::uint64_t valueCount, std::uint64_t budgetCells);
    // Cells of the kept columns 0, s, 2s, ... of a triangle of `valueCount`
    // values, for a spacing s.
    static std::uint64_t KeptCells(std::uint64_t valueCount, std::uint64_t spacing);

    // Works out every column once and keeps those on the spacing.
    // `afterColumn` is called after each column: it may throw to stop.
    TCheckpointTriangle(
        const std::vector<std::int32_t>& values, std::uint64_t budgetCells,
        const std::function<void()>& afterColumn = [] {});

    std::size_t ValueCount() const { return valueCount_; }
    std::size_t LineCount() const { return 2 * valueCount_ - 1; }
    std::size_t Spacing() const { return spacing_; }

    // The cells on line k, columns k % 2, k % 2 + 2, ... up to the line's
    // end, in that order, into `out` (resized to fit). Value i of column j
    // lies on line 2i + j.
    void ReadLine(std::size_t k, std::vector<Cell>& out);

private:
    void ReadSegment(std::size_t k, std::size_t first, std::size_t last, std::vector<Cell>& out);

    std::size_t valueCount_;
    std::size_t spacing_;
    // Column c * spacing_ whole, for every c.
    std::vector<std::vector<Cell>> kept_;
    std::vector<Cell> work_;
};

extern template class TCheckpointTriangle<std::uint8_t>;
extern template class TCheckpointTriangle<std::int32_t>;

} // namespace quorva
