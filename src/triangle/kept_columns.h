#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "triangle/diff_triangle.h"

#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
#include <emmintrin.h>
#endif

namespace quorva {

// The difference columns of a triangle (see TCompactTriangle) of which only
// every `Spacing()`-th is kept, whole: a value of a column between is worked
// out again, when it is read, from the few values of the kept column to its
// left that it comes from. So the triangle takes a Spacing()-th of its
// cells' memory, and the system zeroes that many fewer fresh pages for it.
//
// Value i of column j lies on line 2i + j; column j has n - j values.
template <class Cell> class TKeptColumns {
public:
    // Columns between two kept ones at most, and so the widest spacing.
    static constexpr std::size_t MaxSpacing = 16;

    // Only column 0, the values themselves: the caller fills the rest with
    // FillColumns. `spacing` is a power of two up to MaxSpacing.
    TKeptColumns(const std::vector<std::int32_t>& values, std::size_t spacing);

    // Cells a triangle of `valueCount` values keeps with `spacing`.
    static std::uint64_t KeptCells(std::uint64_t valueCount, std::size_t spacing);

    std::size_t ValueCount() const { return valueCount_; }
    std::size_t Spacing() const { return spacing_; }
    Cell At(std::size_t j, std::size_t i) const
    {
        const std::size_t steps = j & (spacing_ - 1);
        const Cell* kept = KeptColumn(j - steps) + i;
        // The near columns spelt out: a painter asks for cells one by one.
        switch (steps) {
        case 0:
            return kept[0];
        case 1:
            return CellDifference(kept[0], kept[1]);
        case 2:
            return CellDifference(CellDifference(kept[0], kept[1]),
                                  CellDifference(kept[1], kept[2]));
        case 3: {
            const Cell upper = CellDifference(kept[1], kept[2]);
            return CellDifference(CellDifference(CellDifference(kept[0], kept[1]), upper),
                                  CellDifference(upper, CellDifference(kept[2], kept[3])));
        }
        default:
            break;
        }
#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
        // Further on, a byte column's sixteen values at once, each step in one
        // vector of differences; only where all sixteen lie in the column, as
        // the kept column after it may be being written.
        if constexpr (sizeof(Cell) == 1)
            if (i + VectorCells <= valueCount_ - (j - steps))
                return FarByte(kept, steps);
#endif
        Cell window[MaxSpacing];
        std::copy(kept, kept + steps + 1, window);
        for (std::size_t length = steps; length > 0; --length)
            for (std::size_t t = 0; t < length; ++t)
                window[t] = CellDifference(window[t], window[t + 1]);
        return window[0];
    }
    // Calls read(i, value) for the values [begin, end) of the filled column
    // j, in order.
    template <class Read>
    void ReadColumn(std::size_t j, std::size_t begin, std::size_t end, Read read) const
    {
        const std::size_t steps = j & (spacing_ - 1);
        const Cell* kept = KeptColumn(j - steps);
        if (steps == 0) {
            for (std::size_t i = begin; i < end; ++i)
                read(i, kept[i]);
            return;
        }
        // A chunk at a time, each worked out from its own window.
        constexpr std::size_t Chunk = 256;
        Cell window[Chunk + MaxSpacing];
        for (std::size_t from = begin; from < end; from += Chunk) {
            const std::size_t length = std::min(Chunk, end - from);
            std::copy(kept + from, kept + from + length + steps, window);
            for (std::size_t step = 1; step <= steps; ++step)
                NextColumn(window, length + steps - step);
            for (std::size_t t = 0; t < length; ++t)
                read(from + t, window[t]);
        }
    }
    // The values of the kept column j, one after another.
    const Cell* KeptColumn(std::size_t j) const
    {
        return cells_.get() + start_[j >> shift_];
    }

    // Computes values [begin, end) of the columns first to last - 1, each cut
    // to its length, and of column last too when it is one to keep, from the
    // kept column at or before first, which must be filled up to
    // end + last - first + Spacing(); keeps those on the spacing, and calls
    // visit(j, values, count) with each of first to last - 1. So calls for
    // consecutive ranges each start from the kept column the one before
    // filled. `work` holds end - begin + last - first + Spacing() cells.
    template <class Visit>
    void FillColumns(std::size_t first, std::size_t last, std::size_t begin, std::size_t end,
                     Cell* work, Visit visit)
    {
        const std::size_t base = first >> shift_ << shift_;
        const std::size_t through =
            (last & (spacing_ - 1)) == 0 && last < ValueCount() ? last : last - 1;
        const std::size_t reach = std::min(end + (through - base), ValueCount() - base);
        if (begin >= reach)
            return;
        std::copy(KeptColumn(base) + begin, KeptColumn(base) + reach, work);
        std::size_t length = reach - begin;
        for (std::size_t j = base; j <= through; ++j) {
            if (j > base && length <= 1)
                return;
            if (j > base)
                NextColumn(work, --length);
            const std::size_t stop = std::min(end, ValueCount() - j);
            const std::size_t count = stop > begin ? stop - begin : 0;
            if (j > base && (j & (spacing_ - 1)) == 0)
                std::copy(work, work + count, cells_.get() + start_[j >> shift_] + begin);
            if (j >= first && j < last && count > 0)
                visit(j, static_cast<const Cell*>(work), count);
        }
    }

    // Replaces the first `length` cells of `cells` by the next column's,
    // each from its upper and lower parent (cells[length] is read).
    static void NextColumn(Cell* cells, std::size_t length);

private:
#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
    // The cell `steps` columns right of kept[0], from kept[0] to
    // kept[VectorCells - 1]: byte t of the vector becomes, step by step, the
    // difference of itself and byte t + 1.
    static constexpr std::size_t VectorCells = 16;
    static_assert(MaxSpacing <= VectorCells);
    static Cell FarByte(const Cell* kept, std::size_t steps)
    {
        __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kept));
        for (std::size_t step = 0; step < steps; ++step) {
            const __m128i lower = _mm_srli_si128(cells, 1);
            cells = _mm_sub_epi8(_mm_max_epu8(cells, lower), _mm_min_epu8(cells, lower));
        }
        return static_cast<Cell>(_mm_cvtsi128_si32(cells));
    }
#endif

    std::size_t valueCount_;
    std::size_t spacing_;
    // log2(spacing_): a kept column is found by a shift, not a division.
    unsigned shift_ = 0;
    std::unique_ptr<Cell[]> cells_;
    // Where each kept column starts: column s * spacing_ at index s.
    std::vector<std::size_t> start_;
};

extern template class TKeptColumns<std::uint8_t>;
extern template class TKeptColumns<std::int32_t>;

} // namespace quorva
