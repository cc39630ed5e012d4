#include "triangle/rolling_triangle.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "model/huge_pages.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

// Values column j keeps: when lines below E are filled, every line below
// E - lag is read, so the newest value, at most E - j - 1, is never more than
// (n - j + lag) / 2 values ahead of the oldest one still to be read.
std::uint64_t RingLength(std::uint64_t valueCount, std::uint64_t lag, std::uint64_t j)
{
    const std::uint64_t length = valueCount - j;
    return j == 0 ? length : std::min(length, (length + lag) / 2 + 1);
}

template <class Cell> Cell Difference(Cell upper, Cell lower)
{
    if constexpr (std::is_unsigned_v<Cell>)
        return static_cast<Cell>(std::max(upper, lower) - std::min(upper, lower));
    else
        return upper < 0 ? BlankCell : AbsDifference(upper, lower);
}

} // namespace

template <class Cell>
std::uint64_t TRollingTriangle<Cell>::CellCount(std::uint64_t valueCount, std::uint64_t lag)
{
    std::uint64_t cells = 0;
    for (std::uint64_t j = 0; j < valueCount; ++j) {
        const std::uint64_t ring = RingLength(valueCount, lag, j);
        cells += ring + (ring < valueCount - j ? ContiguousValues : 0);
    }
    return cells;
}

template <class Cell>
TRollingTriangle<Cell>::TRollingTriangle(const std::vector<std::int32_t>& values, std::size_t lag)
{
    const std::size_t n = values.size();
    start_.resize(n);
    capacity_.resize(n);
    std::size_t start = 0;
    for (std::size_t j = 0; j < n; ++j) {
        start_[j] = start;
        capacity_[j] = RingLength(n, lag, j);
        start += capacity_[j] + (capacity_[j] < n - j ? ContiguousValues : 0);
    }
    // Hundreds of megabytes for a large triangle, first touched as it is
    // filled.
    cells_.reset(new Cell[start]);
    AdviseHugePages(cells_.get(), start * sizeof(Cell));
    std::transform(values.begin(), values.end(), cells_.get(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
}

template <class Cell>
void TRollingTriangle<Cell>::FillColumnPart(std::size_t j, std::size_t begin, std::size_t end)
{
    while (begin < end) {
        const std::size_t from = Position(j - 1, begin);
        const std::size_t to = Position(j, begin);
        // A run ends where either ring does; value `from + run` of column
        // j - 1 may lie in the repeated values past its ring's end.
        const std::size_t run = std::min({end - begin, capacity_[j - 1] - from, capacity_[j] - to});
        const Cell* upper = cells_.get() + start_[j - 1] + from;
        Cell* out = cells_.get() + start_[j] + to;
        for (std::size_t i = 0; i < run; ++i)
            out[i] = Difference(upper[i], upper[i + 1]);
        Repeat(j, to, to + run);
        begin += run;
    }
}

// Copies what was written at ring positions [from, to) to its place past the
// ring's end, where a reader near the end finds it.
template <class Cell>
void TRollingTriangle<Cell>::Repeat(std::size_t j, std::size_t from, std::size_t to)
{
    if (capacity_[j] == ValueCount() - j || from >= ContiguousValues)
        return;
    Cell* ring = cells_.get() + start_[j];
    const std::size_t last = std::min(to, ContiguousValues);
    std::memcpy(ring + capacity_[j] + from, ring + from, (last - from) * sizeof(Cell));
}

template class TRollingTriangle<std::uint8_t>;
template class TRollingTriangle<std::int32_t>;

} // namespace quorva
