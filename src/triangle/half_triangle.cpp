#include "triangle/half_triangle.h"

#include <algorithm>

#include "model/base/huge_pages.h"

namespace quorva {

template <class Cell>
THalfTriangle<Cell>::THalfTriangle(const std::vector<std::int32_t>& values)
    : valueCount_(values.size())
{
    const std::size_t n = values.size();
    start_.resize((n + 1) / 2);
    std::size_t start = 0;
    for (std::size_t s = 0; s < start_.size(); ++s) {
        start_[s] = start;
        start += n - 2 * s;
    }
    // Left unzeroed: each cell is written before it is read, and the pages
    // are first touched as the columns are filled.
    cells_.reset(new Cell[start]);
    AdviseHugePages(cells_.get(), start * sizeof(Cell));
    std::transform(values.begin(), values.end(), cells_.get(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
}

template <class Cell> std::uint64_t THalfTriangle<Cell>::KeptCells(std::uint64_t valueCount)
{
    // Columns 0, 2, 4, ... of n, n - 2, n - 4, ... values.
    const std::uint64_t kept = (valueCount + 1) / 2;
    return kept * valueCount - kept * (kept - 1);
}

template <class Cell> void THalfTriangle<Cell>::FillColumn(std::size_t j)
{
    const Cell* before = KeptColumn(j - 2);
    Cell* column = cells_.get() + start_[j / 2];
    // Each value from three of the column two before, through the two odd
    // values between: no value depends on the one before it, so the loop
    // runs a vector at a time.
    const std::size_t length = ValueCount() - j;
    for (std::size_t i = 0; i < length; ++i)
        column[i] = CellDifference(CellDifference(before[i], before[i + 1]),
                                   CellDifference(before[i + 1], before[i + 2]));
}

template class THalfTriangle<std::uint8_t>;
template class THalfTriangle<std::int32_t>;

} // namespace quorva
