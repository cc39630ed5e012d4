#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "triangle/diff_triangle.h"

namespace quorva {

// The difference columns of a triangle (see TCompactTriangle) of which only
// the even ones are kept, whole: a value of an odd column is the difference
// of two neighbours in the even column before it, worked out again when it
// is read. So the triangle takes half its cells' memory, and the system
// zeroes half as many fresh pages for it.
//
// Value i of column j lies on line 2i + j; column j has n - j values.
template <class Cell> class THalfTriangle {
public:
    // Only column 0, the values themselves: the caller fills the even
    // columns in order with FillColumn.
    explicit THalfTriangle(const std::vector<std::int32_t>& values);

    // Cells a triangle of `valueCount` values keeps.
    static std::uint64_t KeptCells(std::uint64_t valueCount);

    std::size_t ValueCount() const { return valueCount_; }
    Cell At(std::size_t j, std::size_t i) const
    {
        const Cell* kept = cells_.get() + start_[j / 2] + i;
        return j % 2 ? CellDifference(kept[0], kept[1]) : kept[0];
    }
    // The values of the even column j, one after another.
    const Cell* KeptColumn(std::size_t j) const { return cells_.get() + start_[j / 2]; }

    // Computes values [begin, end) of the even column j >= 2 from values
    // [begin, end + 2) of column j - 2, which must be filled.
    void FillColumn(std::size_t j, std::size_t begin, std::size_t end);
    // Writes values [begin, end) of the odd column j to out[0], out[1], ...
    void CopyOddColumn(std::size_t j, std::size_t begin, std::size_t end, Cell* out) const;

private:
    std::size_t valueCount_;
    std::unique_ptr<Cell[]> cells_;
    // Where each kept column starts: the even column 2s at index s.
    std::vector<std::size_t> start_;
};

extern template class THalfTriangle<std::uint8_t>;
extern template class THalfTriangle<std::int32_t>;

} // namespace quorva
