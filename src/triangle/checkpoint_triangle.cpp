#include "triangle/checkpoint_triangle.h"

#include <algorithm>

#include "triangle/diff_triangle.h"

namespace quorva {

namespace {

// Replaces the first `length` cells of `cells` by the next column's
// length - 1 cells, each from its upper and lower parent.
template <class Cell> void NextColumn(Cell* cells, std::size_t length)
{
    for (std::size_t i = 0; i + 1 < length; ++i)
        cells[i] = CellDifference(cells[i], cells[i + 1]);
}

} // namespace

template <class Cell>
std::uint64_t TCheckpointTriangle<Cell>::KeptCells(std::uint64_t n, std::uint64_t s)
{
    // Column j has n - j cells.
    const std::uint64_t columns = (n + s - 1) / s;
    return columns * n - s * columns * (columns - 1) / 2;
}

template <class Cell>
std::size_t TCheckpointTriangle<Cell>::Spacing(std::uint64_t valueCount, std::uint64_t budgetCells)
{
    // Kept cells fall about as n² / 2s: start there and step to the exact one.
    std::uint64_t s = std::max<std::uint64_t>(1, valueCount * valueCount / 2 /
                                                     std::max<std::uint64_t>(budgetCells, 1));
    while (s > 1 && KeptCells(valueCount, s - 1) <= budgetCells)
        --s;
    while (s < valueCount && KeptCells(valueCount, s) > budgetCells)
        ++s;
    return static_cast<std::size_t>(s);
}

template <class Cell>
std::uint64_t TCheckpointTriangle<Cell>::CellCount(std::uint64_t valueCount,
                                                   std::uint64_t budgetCells)
{
    return KeptCells(valueCount, Spacing(valueCount, budgetCells)) + 2 * valueCount;
}

template <class Cell>
TCheckpointTriangle<Cell>::TCheckpointTriangle(const std::vector<std::int32_t>& values,
                                               std::uint64_t budgetCells,
                                               const std::function<void()>& afterColumn)
    : valueCount_(values.size()), spacing_(Spacing(values.size(), budgetCells))
{
    std::vector<Cell> column(values.size());
    std::transform(values.begin(), values.end(), column.begin(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
    kept_.reserve((valueCount_ + spacing_ - 1) / spacing_);
    for (std::size_t j = 0; j < valueCount_; ++j) {
        if (j % spacing_ == 0)
            kept_.emplace_back(column.begin(), column.begin() + std::ptrdiff_t(valueCount_ - j));
        NextColumn(column.data(), valueCount_ - j);
        afterColumn();
    }
    work_.reserve(spacing_ + 1);
}

template <class Cell>
void TCheckpointTriangle<Cell>::ReadLine(std::size_t k, std::vector<Cell>& out)
{
    const std::size_t last = std::min(k, LineCount() - 1 - k);
    out.clear();
    for (std::size_t first = 0; first <= last; first += spacing_)
        ReadSegment(k, first, std::min(first + spacing_ - 1, last), out);
}

// The cells of line k in the columns first (a kept one) to last. The
// rightmost of them with the line's parity, R columns on, comes from the R + 1
// values of column `first` that begin at its own index; each column to its
// left takes one value fewer, centred on the same line.
template <class Cell>
void TCheckpointTriangle<Cell>::ReadSegment(std::size_t k, std::size_t first, std::size_t last,
                                            std::vector<Cell>& out)
{
    std::size_t reach = last - first;
    if ((first + reach) % 2 != k % 2) {
        if (reach == 0)
            return;
        --reach;
    }
    const std::size_t from = (k - first - reach) / 2;
    const Cell* kept = kept_[first / spacing_].data() + from;
    work_.assign(kept, kept + reach + 1);
    for (std::size_t r = 0; r <= reach; ++r) {
        if ((first + r) % 2 == k % 2)
            out.push_back(work_[(reach - r) / 2]);
        NextColumn(work_.data(), reach + 1 - r);
    }
}

template class TCheckpointTriangle<std::uint8_t>;
template class TCheckpointTriangle<std::int32_t>;

} // namespace quorva
