#include "triangle/rolling_triangle.h"

#include <algorithm>
#include <cstring>

#include "model/base/huge_pages.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

// Values column j keeps: when lines below E are filled, every line below
// E - lag is read, so the newest value, at most E - j - 1, is never more than
// (n - j + lag) / 2 values ahead of the oldest one still to be read, which
// the odd column after it needs one line later still.
std::uint64_t RingLength(std::uint64_t valueCount, std::uint64_t lag, std::uint64_t j)
{
    const std::uint64_t length = valueCount - j;
    return j == 0 ? length : std::min(length, (length + lag) / 2 + 1);
}

std::uint64_t KeptColumns(std::uint64_t valueCount)
{
    return (valueCount + 1) / 2;
}

} // namespace

template <class Cell>
std::uint64_t TRollingTriangle<Cell>::CellCount(std::uint64_t valueCount, std::uint64_t lag)
{
    std::uint64_t cells = 0;
    for (std::uint64_t kept = 0; kept < KeptColumns(valueCount); ++kept) {
        const std::uint64_t j = 2 * kept;
        const std::uint64_t ring = RingLength(valueCount, lag, j);
        cells += ring + (ring < valueCount - j ? ContiguousValues : 0);
    }
    return cells;
}

template <class Cell>
TRollingTriangle<Cell>::TRollingTriangle(const std::vector<std::int32_t>& values, std::size_t lag)
    : valueCount_(values.size())
{
    const std::size_t kept = KeptColumns(valueCount_);
    start_.resize(kept);
    capacity_.resize(kept);
    std::size_t start = 0;
    for (std::size_t s = 0; s < kept; ++s) {
        const std::size_t length = valueCount_ - 2 * s;
        start_[s] = start;
        capacity_[s] = RingLength(valueCount_, lag, 2 * s);
        start += capacity_[s] + (capacity_[s] < length ? ContiguousValues : 0);
    }
    // Hundreds of megabytes for a large triangle, first touched as it is
    // filled.
    cells_.reset(new Cell[start]);
    AdviseHugePages(cells_.get(), start * sizeof(Cell));
    std::transform(values.begin(), values.end(), cells_.get(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
}

template <class Cell>
void TRollingTriangle<Cell>::CopyValues(std::size_t j, std::size_t i, std::size_t count,
                                        Cell* out) const
{
    if (j % 2 == 0) {
        std::memcpy(out, Values(j, i), count * sizeof(Cell));
        return;
    }
    const Cell* upper = Values(j - 1, i);
    for (std::size_t q = 0; q < count; ++q)
        out[q] = CellDifference(upper[q], upper[q + 1]);
}

template <class Cell>
void TRollingTriangle<Cell>::FillColumnPart(std::size_t j, std::size_t begin, std::size_t end)
{
    const std::size_t kept = j / 2;
    while (begin < end) {
        const std::size_t from = Position(kept - 1, begin);
        const std::size_t to = Position(kept, begin);
        // A run ends where either ring does; the two values of column j - 2
        // after `from + run - 1` may lie in the repeated values past its end.
        const std::size_t run =
            std::min({end - begin, capacity_[kept - 1] - from, capacity_[kept] - to});
        const Cell* twoBefore = cells_.get() + start_[kept - 1] + from;
        Cell* out = cells_.get() + start_[kept] + to;
        for (std::size_t i = 0; i < run; ++i) {
            const Cell upper = CellDifference(twoBefore[i], twoBefore[i + 1]);
            out[i] = CellDifference(upper, CellDifference(twoBefore[i + 1], twoBefore[i + 2]));
        }
        Repeat(kept, to, to + run);
        begin += run;
    }
}

// Copies what was written at ring positions [from, to) to its place past the
// ring's end, where a reader near the end finds it.
template <class Cell>
void TRollingTriangle<Cell>::Repeat(std::size_t kept, std::size_t from, std::size_t to)
{
    if (capacity_[kept] == valueCount_ - 2 * kept || from >= ContiguousValues)
        return;
    Cell* ring = cells_.get() + start_[kept];
    const std::size_t last = std::min(to, ContiguousValues);
    std::memcpy(ring + capacity_[kept] + from, ring + from, (last - from) * sizeof(Cell));
}

template class TRollingTriangle<std::uint8_t>;
template class TRollingTriangle<std::int32_t>;

} // namespace quorva
