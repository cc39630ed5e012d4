#include "triangle/summary_pyramid.h"

#include <algorithm>
#include <type_traits>

namespace quorva {
namespace {

std::size_t Blocks(std::size_t cells, std::size_t blockSize)
{
    return (cells + blockSize - 1) / blockSize;
}

} // namespace

bool TSummaryPyramid::Small(std::size_t blockSize, bool byteCells)
{
    // At most half a block's cells are non-blank: 128 cells of up to 255
    // for a block of 16 still fit two bytes of sum and one of count.
    return byteCells && blockSize <= 16;
}

TSummaryPyramid::TSummaryPyramid(std::size_t lineCount, std::size_t columnCount, bool byteCells)
    : lineCount_(lineCount), columnCount_(columnCount)
{
    std::size_t size = FinestBlock;
    for (;;) {
        TLevel level;
        level.rows = Blocks(lineCount, size);
        level.columns = Blocks(columnCount, size);
        const std::size_t blocks = level.rows * level.columns;
        if (Small(size, byteCells)) {
            level.smallSums = TBlocks<std::uint16_t>(new std::uint16_t[blocks]);
            if (!byteCells)
                level.smallCounts = TBlocks<std::uint8_t>(new std::uint8_t[blocks]);
            if (HasZeros(levels_.size()))
                level.smallZeros = TBlocks<std::uint8_t>(new std::uint8_t[blocks]);
        } else {
            level.sums = TBlocks<std::int64_t>(new std::int64_t[blocks]);
            if (!byteCells)
                level.counts = TBlocks<std::uint32_t>(new std::uint32_t[blocks]);
            if (HasZeros(levels_.size()))
                level.zeros = TBlocks<std::uint32_t>(new std::uint32_t[blocks]);
        }
        levels_.push_back(std::move(level));
        if (blocks <= 1)
            break;
        size *= 2;
    }
}

std::uint64_t TSummaryPyramid::Bytes(std::size_t lineCount, std::size_t columnCount, bool byteCells)
{
    // The finest level's zeros: two block columns.
    std::uint64_t bytes = 2 * std::uint64_t{Blocks(lineCount, FinestBlock)} * sizeof(std::uint32_t);
    for (std::size_t size = FinestBlock;; size *= 2) {
        const std::uint64_t blocks =
            std::uint64_t{Blocks(lineCount, size)} * Blocks(columnCount, size);
        // One-byte cells are never blank: their counts follow from where
        // the block lies, and are not kept.
        const std::uint64_t kept = (byteCells ? 0 : 1) + (size > FinestBlock ? 1 : 0);
        bytes +=
            blocks * (Small(size, byteCells) ? sizeof(std::uint16_t) + kept * sizeof(std::uint8_t)
                                             : sizeof(std::int64_t) + kept * sizeof(std::uint32_t));
        if (blocks <= 1)
            return bytes;
    }
}

std::uint64_t TSummaryPyramid::CellsIn(std::size_t level, std::size_t row, std::size_t column) const
{
    // Cell (k, j) is there when k + j is even, j <= k and k + j < the line
    // count: a block wholly inside holds half its cells, one on an edge is
    // counted column by column.
    const std::size_t size = BlockSize(level);
    const std::size_t k0 = row * size;
    const std::size_t j0 = column * size;
    const std::size_t k1 = std::min(k0 + size, lineCount_);
    const std::size_t j1 = std::min(j0 + size, columnCount_);
    if (k1 - k0 == size && j1 - j0 == size && j1 - 1 <= k0 && j1 + k1 - 2 < lineCount_)
        return std::uint64_t{size} * size / 2;
    // Wholly outside, past either edge: most blocks of a picture's margins.
    if (j0 >= j1 || k0 >= k1 || j0 > k1 - 1 || j0 + k0 >= lineCount_)
        return 0;
    std::uint64_t cells = 0;
    for (std::size_t j = j0; j < j1; ++j) {
        const std::size_t first = std::max(k0, j);
        const std::size_t end = std::min(k1, lineCount_ > j ? lineCount_ - j : 0);
        const std::size_t even = first + (first - j) % 2;
        if (even < end)
            cells += (end - 1 - even) / 2 + 1;
    }
    return cells;
}

void TSummaryPyramid::AddColumnTo(std::size_t level, std::size_t column, std::size_t firstRow,
                                  std::size_t endRow, std::int64_t* sums, std::uint64_t* counts,
                                  std::uint64_t* zeros) const
{
    const TLevel& at = levels_[level];
    const std::size_t start = column * at.rows + firstRow;
    const std::size_t rows = endRow - firstRow;
    // Where counts are not kept, the rows of blocks wholly inside the
    // triangle hold half their cells each; only those on its edges are
    // counted one by one.
    const std::size_t size = BlockSize(level);
    const std::size_t firstColumn = column * size;
    const std::size_t endColumn = std::min(firstColumn + size, columnCount_);
    const bool full = endColumn - firstColumn == size;
    const std::size_t insideFrom = full ? (endColumn - 1 + size - 1) / size : SIZE_MAX;
    const std::size_t insideEnd = full ? (lineCount_ + 1 - endColumn) / size : 0;
    const std::uint64_t whole = std::uint64_t{size} * size / 2;
    auto add = [&](const auto* blockSums, const auto* blockCounts, const auto* blockZeros) {
        for (std::size_t r = 0; r < rows; ++r) {
            sums[r] += blockSums[start + r];
            counts[r] += blockCounts ? std::uint64_t{blockCounts[start + r]}
                         : firstRow + r >= insideFrom && firstRow + r < insideEnd
                             ? whole
                             : CellsIn(level, firstRow + r, column);
            if (blockZeros)
                zeros[r] += blockZeros[start + r];
        }
    };
    if (at.sums)
        add(at.sums.get(), at.counts.get(), at.zeros.get());
    else
        add(at.smallSums.get(), at.smallCounts.get(), at.smallZeros.get());
}

void TSummaryPyramid::SetColumn(std::size_t column, const std::int64_t* sums,
                                const std::uint32_t* counts, const std::uint32_t* zeros)
{
    SetColumnOf(column, sums, counts, zeros);
}

void TSummaryPyramid::SetColumn(std::size_t column, const std::uint32_t* sums,
                                const std::uint32_t* counts, const std::uint32_t* zeros)
{
    SetColumnOf(column, sums, counts, zeros);
}

template <class TSum>
void TSummaryPyramid::SetColumnOf(std::size_t column, const TSum* sums, const std::uint32_t* counts,
                                  const std::uint32_t* zeros)
{
    TLevel& finest = levels_.front();
    const std::size_t start = column * finest.rows;
    for (std::size_t r = 0; r < finest.rows; ++r) {
        if (finest.sums)
            finest.sums[start + r] = static_cast<std::int64_t>(sums[r]);
        else
            finest.smallSums[start + r] = static_cast<std::uint16_t>(sums[r]);
        if (finest.counts)
            finest.counts[start + r] = counts[r];
        else if (finest.smallCounts)
            finest.smallCounts[start + r] = static_cast<std::uint8_t>(counts[r]);
    }
    finestZeros_[column % 2].assign(zeros, zeros + finest.rows);
    CompleteColumn(column);
}

void TSummaryPyramid::CompleteColumn(std::size_t column)
{
    // A coarser block column is complete with its second half, or with its
    // first where that is the level's last.
    for (std::size_t level = 0; level + 1 < levels_.size(); ++level) {
        const bool last = column + 1 == levels_[level].columns;
        if (column % 2 == 0 && !last)
            return;
        Merge(level, column);
        column /= 2;
    }
}

namespace {

// The one or two finer block columns a coarser one covers, as their own
// types hold them.
template <class Sum, class Count, class Zero> struct TFineColumns {
    std::size_t columns = 0;
    std::size_t rows = 0;
    const Sum* sums[2] = {};
    const Count* counts[2] = {};
    const Zero* zeros[2] = {};
};

// Row r of the coarser block column from rows 2r and 2r + 1 of the finer
// ones: a loop of plain arrays, with no choice of type in it.
template <class Fine, class Sum, class Count, class Zero>
void MergeRows(const Fine& fine, std::size_t rows, Sum* sums, Count* counts, Zero* zeros)
{
    for (std::size_t r = 0; r < rows; ++r) {
        std::int64_t sum = 0;
        std::uint64_t count = 0;
        std::uint64_t zero = 0;
        const std::size_t endRow = std::min(2 * r + 2, fine.rows);
        for (std::size_t c = 0; c < fine.columns; ++c)
            for (std::size_t fr = 2 * r; fr < endRow; ++fr) {
                sum += fine.sums[c][fr];
                zero += fine.zeros[c][fr];
            }
        sums[r] = static_cast<Sum>(sum);
        zeros[r] = static_cast<Zero>(zero);
        // Counts where they are kept: then in the finer levels too.
        if (!counts)
            continue;
        for (std::size_t c = 0; c < fine.columns; ++c)
            for (std::size_t fr = 2 * r; fr < endRow; ++fr)
                count += fine.counts[c][fr];
        counts[r] = static_cast<Count>(count);
    }
}

} // namespace

void TSummaryPyramid::Merge(std::size_t level, std::size_t column)
{
    // The coarser block column from the one or two finer ones it covers.
    const TLevel& fine = levels_[level];
    TLevel& coarse = levels_[level + 1];
    const std::size_t target = column / 2;
    const std::size_t first = target * 2;
    const std::size_t index = target * coarse.rows;
    auto columnsOf = [&](const auto* sums, const auto* counts, auto zeroesOf) {
        TFineColumns<std::remove_cv_t<std::remove_pointer_t<decltype(sums)>>,
                     std::remove_cv_t<std::remove_pointer_t<decltype(counts)>>,
                     std::remove_cv_t<std::remove_pointer_t<decltype(zeroesOf(first))>>>
            columns;
        columns.columns = std::min(first + 2, fine.columns) - first;
        columns.rows = fine.rows;
        for (std::size_t c = 0; c < columns.columns; ++c) {
            columns.sums[c] = sums + (first + c) * fine.rows;
            columns.counts[c] = counts ? counts + (first + c) * fine.rows : nullptr;
            columns.zeros[c] = zeroesOf(first + c);
        }
        return columns;
    };
    auto at = [index](auto* blocks) { return blocks ? blocks + index : nullptr; };
    auto mergeInto = [&](const auto& columns) {
        if (coarse.sums)
            MergeRows(columns, coarse.rows, at(coarse.sums.get()), at(coarse.counts.get()),
                      at(coarse.zeros.get()));
        else
            MergeRows(columns, coarse.rows, at(coarse.smallSums.get()),
                      at(coarse.smallCounts.get()), at(coarse.smallZeros.get()));
    };
    // The finest level keeps the zeros of its last two block columns only.
    auto finestZeros = [this](std::size_t c) {
        return static_cast<const std::uint32_t*>(finestZeros_[c % 2].data());
    };
    if (fine.sums) {
        if (level == 0)
            return mergeInto(columnsOf(fine.sums.get(), fine.counts.get(), finestZeros));
        return mergeInto(columnsOf(fine.sums.get(), fine.counts.get(), [&](std::size_t c) {
            return static_cast<const std::uint32_t*>(fine.zeros.get() + c * fine.rows);
        }));
    }
    if (level == 0)
        return mergeInto(columnsOf(fine.smallSums.get(), fine.smallCounts.get(), finestZeros));
    mergeInto(columnsOf(fine.smallSums.get(), fine.smallCounts.get(), [&](std::size_t c) {
        return static_cast<const std::uint8_t*>(fine.smallZeros.get() + c * fine.rows);
    }));
}

} // namespace quorva
