#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/rows/row_table.h"

namespace quorva {

// The triangle without its blank half. In a triangle built from n values,
// every cell [k][j] with k + j odd is blank, and the others form the
// difference columns D[j][i] = cell [2i + j][j], i < n - j. Each column is
// stored contiguously, so computing one from the one before is a simple loop.
//
// Cell is std::uint8_t when every value is 0 to 255: differences of such
// values never leave that range and are never blank. Otherwise std::int32_t,
// with the blank rules of diff_triangle.h.
template <class Cell> class TCompactTriangle {
public:
    explicit TCompactTriangle(const std::vector<std::int32_t>& values);

    // Only column 0, the values themselves: the caller fills columns 1 to
    // n - 1 with FillColumn or FillColumnPart, so that others can read the
    // cells already filled while the rest are computed. A value can be
    // filled once the previous column holds the value at the same index and
    // the one after it.
    struct TSeedOnly {};
    TCompactTriangle(const std::vector<std::int32_t>& values, TSeedOnly);

    std::size_t ValueCount() const { return columnStart_.size(); }
    Cell At(std::size_t j, std::size_t i) const { return cells_[columnStart_[j] + i]; }
    // Column j's n - j values, one after another.
    const Cell* Column(std::size_t j) const { return cells_.get() + columnStart_[j]; }

    // Computes column j from column j - 1, which must be filled already.
    void FillColumn(std::size_t j);
    // Computes the values [begin, end) of column j.
    void FillColumnPart(std::size_t j, std::size_t begin, std::size_t end);

private:
    // Left uninitialised until filled: zeroing hundreds of megabytes first
    // would cost a whole extra pass over memory.
    std::unique_ptr<Cell[]> cells_;
    std::vector<std::size_t> columnStart_;
};

extern template class TCompactTriangle<std::uint8_t>;
extern template class TCompactTriangle<std::int32_t>;

// One column (0 to 6) of the rows: the values a triangle is built from.
std::vector<std::int32_t> ColumnValues(const TRowTable& rows, int column);

// Whether every value fits the one-byte form.
bool FitsByteCells(const std::vector<std::int32_t>& values);

} // namespace quorva
