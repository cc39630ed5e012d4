#include "triangle/kept_columns.h"

#include <algorithm>

#include "model/base/huge_pages.h"
#include "triangle/checkpoint_triangle.h"

#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
#define QUORVA_BYTE_VECTORS 1
#include <immintrin.h>
#endif

namespace quorva {

template <class Cell>
TKeptColumns<Cell>::TKeptColumns(const std::vector<std::int32_t>& values, std::size_t spacing)
    : valueCount_(values.size()), spacing_(spacing)
{
    while ((std::size_t{1} << shift_) < spacing)
        ++shift_;
    const std::size_t n = values.size();
    start_.resize((n + spacing - 1) / spacing);
    std::size_t start = 0;
    for (std::size_t s = 0; s < start_.size(); ++s) {
        start_[s] = start;
        start += n - spacing * s;
    }
    // Left unzeroed: each cell is written before it is read, and the pages
    // are first touched as the columns are filled.
    cells_.reset(new Cell[start]);
    AdviseHugePages(cells_.get(), start * sizeof(Cell));
    std::transform(values.begin(), values.end(), cells_.get(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
}

template <class Cell>
std::uint64_t TKeptColumns<Cell>::KeptCells(std::uint64_t valueCount, std::size_t spacing)
{
    return TCheckpointTriangle<Cell>::KeptCells(valueCount, spacing);
}

template <class Cell> void TKeptColumns<Cell>::NextColumn(Cell* cells, std::size_t length)
{
    // In place: each vector is read before the one it overlaps is written.
    std::size_t i = 0;
#ifdef QUORVA_BYTE_VECTORS
    if constexpr (sizeof(Cell) == 1)
        for (; i + 16 <= length; i += 16) {
            auto* at = reinterpret_cast<__m128i*>(cells + i);
            const __m128i upper = _mm_loadu_si128(at);
            const __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + i + 1));
            _mm_storeu_si128(at,
                             _mm_sub_epi8(_mm_max_epu8(upper, lower), _mm_min_epu8(upper, lower)));
        }
#endif
    for (; i < length; ++i)
        cells[i] = CellDifference(cells[i], cells[i + 1]);
}

template class TKeptColumns<std::uint8_t>;
template class TKeptColumns<std::int32_t>;

} // namespace quorva
