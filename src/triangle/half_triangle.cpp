#include "triangle/half_triangle.h"

#include <algorithm>

#include "model/base/huge_pages.h"

#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
#define QUORVA_BYTE_VECTORS 1
#include <immintrin.h>
#endif

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

#ifdef QUORVA_BYTE_VECTORS
namespace {

__m128i Load(const std::uint8_t* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// |a - b| of sixteen one-byte cells: max(a, b) - min(a, b).
__m128i Difference(__m128i a, __m128i b)
{
    return _mm_sub_epi8(_mm_max_epu8(a, b), _mm_min_epu8(a, b));
}

void Store(std::uint8_t* at, __m128i cells)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), cells);
}

} // namespace
#endif

template <class Cell>
void THalfTriangle<Cell>::FillColumn(std::size_t j, std::size_t begin, std::size_t end)
{
    const Cell* before = KeptColumn(j - 2) + begin;
    Cell* column = cells_.get() + start_[j / 2] + begin;
    // Each value from three of the column two before, through the two odd
    // values between; the vectors read up to before[i + 17], within it.
    const std::size_t length = end - begin;
    std::size_t i = 0;
#ifdef QUORVA_BYTE_VECTORS
    if constexpr (sizeof(Cell) == 1)
        for (; i + 16 <= length; i += 16)
            Store(column + i, Difference(Difference(Load(before + i), Load(before + i + 1)),
                                         Difference(Load(before + i + 1), Load(before + i + 2))));
#endif
    for (; i < length; ++i)
        column[i] = CellDifference(CellDifference(before[i], before[i + 1]),
                                   CellDifference(before[i + 1], before[i + 2]));
}

template <class Cell>
void THalfTriangle<Cell>::CopyOddColumn(std::size_t j, std::size_t begin, std::size_t end,
                                        Cell* out) const
{
    const Cell* before = KeptColumn(j - 1) + begin;
    const std::size_t length = end - begin;
    std::size_t i = 0;
#ifdef QUORVA_BYTE_VECTORS
    if constexpr (sizeof(Cell) == 1)
        for (; i + 16 <= length; i += 16)
            Store(out + i, Difference(Load(before + i), Load(before + i + 1)));
#endif
    for (; i < length; ++i)
        out[i] = CellDifference(before[i], before[i + 1]);
}

template class THalfTriangle<std::uint8_t>;
template class THalfTriangle<std::int32_t>;

} // namespace quorva
