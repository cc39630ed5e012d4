#include "triangle/summary_pyramid.h"

#include <algorithm>
#include <type_traits>

namespace quorva {
namespace {

std::size_t Blocks(std::size_t cells, std::size_t blockSize)
{
    return (cells + blockSize - 1) / blockSize;
}

// The numbers of one kept block column: those of rows [first, end).
template <class Number> struct TColumnRows {
    const Number* numbers = nullptr;
    std::size_t first = 0;
    std::size_t end = 0;
};

// Rows [firstRow, endRow) of a coarser block column, to merged[r - firstRow],
// from rows 2r and 2r + 1 of the `columns` finer ones: a loop of plain
// arrays, with no choice of type in it.
template <class Fine, class Merged>
void MergeRows(const TColumnRows<Fine> (&fine)[2], std::size_t columns, std::size_t firstRow,
               std::size_t endRow, Merged* merged)
{
    for (std::size_t r = firstRow; r < endRow; ++r) {
        std::uint64_t total = 0;
        for (std::size_t c = 0; c < columns; ++c) {
            const TColumnRows<Fine>& rows = fine[c];
            const std::size_t end = std::min(2 * r + 2, rows.end);
            for (std::size_t fr = std::max(2 * r, rows.first); fr < end; ++fr)
                total += rows.numbers[fr - rows.first];
        }
        merged[r - firstRow] = static_cast<Merged>(total);
    }
}

} // namespace

TSummaryPyramid::TWidths TSummaryPyramid::WidthsOf(std::size_t level, bool byteCells)
{
    const std::uint64_t size = FinestBlock << level;
    const std::uint64_t cells = size * size / 2;
    TWidths widths;
    widths.sums = byteCells ? TBlockNumbers::WidthFor(cells * UINT8_MAX) : 8;
    widths.counts = byteCells ? 0 : TBlockNumbers::WidthFor(cells);
    widths.zeros = HasZeros(level) ? TBlockNumbers::WidthFor(cells) : 0;
    return widths;
}

std::size_t TSummaryPyramid::KeptRows(std::size_t lineCount, std::size_t size, std::size_t column)
{
    // The block column's first column has the longest span of lines, from
    // line column * size to the line count less one less that.
    return (lineCount - 1 - column * size) / size + 1 - column;
}

TSummaryPyramid::TSummaryPyramid(std::size_t lineCount, std::size_t columnCount, bool byteCells)
    : lineCount_(lineCount), columnCount_(columnCount)
{
    for (std::size_t size = FinestBlock;; size *= 2) {
        TLevel level;
        level.rows = Blocks(lineCount, size);
        level.columns = Blocks(columnCount, size);
        level.starts.resize(level.columns + 1);
        for (std::size_t c = 0; c < level.columns; ++c)
            level.starts[c + 1] = level.starts[c] + KeptRows(lineCount, size, c);
        const std::size_t blocks = level.starts.back();
        const TWidths widths = WidthsOf(levels_.size(), byteCells);
        level.sums = TBlockNumbers(blocks, widths.sums);
        level.counts = TBlockNumbers(blocks, widths.counts);
        level.zeros = TBlockNumbers(blocks, widths.zeros);
        const bool last = level.rows * level.columns <= 1;
        levels_.push_back(std::move(level));
        if (last)
            break;
    }
}

std::uint64_t TSummaryPyramid::Bytes(std::size_t lineCount, std::size_t columnCount, bool byteCells)
{
    // The finest level's zeros: two block columns.
    std::uint64_t bytes = 2 * std::uint64_t{Blocks(lineCount, FinestBlock)} * sizeof(std::uint32_t);
    for (std::size_t level = 0, size = FinestBlock;; ++level, size *= 2) {
        const std::size_t columns = Blocks(columnCount, size);
        std::uint64_t blocks = 0;
        for (std::size_t c = 0; c < columns; ++c)
            blocks += KeptRows(lineCount, size, c);
        const TWidths widths = WidthsOf(level, byteCells);
        bytes += blocks * (widths.sums + widths.counts + widths.zeros) +
                 (columns + 1) * sizeof(std::size_t);
        if (std::uint64_t{Blocks(lineCount, size)} * columns <= 1)
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
    // Rows outside the block column's kept ones add nothing.
    const TLevel& at = levels_[level];
    const std::size_t from = std::max(firstRow, column);
    const std::size_t to = std::min(endRow, at.EndRow(column));
    if (from >= to)
        return;
    const std::size_t start = at.starts[column] + from - column;
    const std::size_t rows = to - from;
    sums += from - firstRow;
    counts += from - firstRow;
    zeros += from - firstRow;
    at.sums.Visit([&](const auto* blocks) {
        for (std::size_t r = 0; r < rows; ++r)
            sums[r] += static_cast<std::int64_t>(blocks[start + r]);
    });
    at.zeros.Visit([&](const auto* blocks) {
        for (std::size_t r = 0; r < rows; ++r)
            zeros[r] += blocks[start + r];
    });
    if (at.counts.Kept()) {
        at.counts.Visit([&](const auto* blocks) {
            for (std::size_t r = 0; r < rows; ++r)
                counts[r] += blocks[start + r];
        });
        return;
    }
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
    const std::size_t wholeFrom = std::clamp(insideFrom, from, to);
    const std::size_t wholeEnd = std::clamp(insideEnd, wholeFrom, to);
    for (std::size_t row = from; row < wholeFrom; ++row)
        counts[row - from] += CellsIn(level, row, column);
    for (std::size_t row = wholeFrom; row < wholeEnd; ++row)
        counts[row - from] += whole;
    for (std::size_t row = wholeEnd; row < to; ++row)
        counts[row - from] += CellsIn(level, row, column);
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
    const std::size_t start = finest.starts[column];
    const std::size_t end = finest.EndRow(column);
    auto set = [&](TBlockNumbers& numbers, const auto* rows) {
        numbers.Visit([&](auto* blocks) {
            using Number = std::remove_pointer_t<decltype(blocks)>;
            for (std::size_t r = column; r < end; ++r)
                blocks[start + r - column] = static_cast<Number>(rows[r]);
        });
    };
    set(finest.sums, sums);
    set(finest.counts, counts);
    finestZeros_[column % 2].assign(zeros + column, zeros + end);
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

void TSummaryPyramid::Merge(std::size_t level, std::size_t column)
{
    // The coarser block column from the one or two finer ones it covers,
    // kind of number by kind; numbersOf(c) points at the first kept row of
    // finer block column c.
    const TLevel& fine = levels_[level];
    TLevel& coarse = levels_[level + 1];
    const std::size_t target = column / 2;
    const std::size_t first = target * 2;
    const std::size_t columns = std::min(first + 2, fine.columns) - first;
    auto mergeFrom = [&](auto numbersOf, TBlockNumbers& into) {
        using Number = std::remove_cv_t<std::remove_pointer_t<decltype(numbersOf(first))>>;
        TColumnRows<Number> rows[2];
        for (std::size_t c = first; c < first + columns; ++c)
            rows[c - first] = {numbersOf(c), c, fine.EndRow(c)};
        into.Visit([&](auto* merged) {
            MergeRows(rows, columns, target, coarse.EndRow(target), merged + coarse.starts[target]);
        });
    };
    auto kept = [&](const TBlockNumbers& numbers, TBlockNumbers& into) {
        numbers.Visit([&](const auto* blocks) {
            mergeFrom([&](std::size_t c) { return blocks + fine.starts[c]; }, into);
        });
    };
    kept(fine.sums, coarse.sums);
    kept(fine.counts, coarse.counts);
    if (level > 0)
        return kept(fine.zeros, coarse.zeros);
    mergeFrom(
        [this](std::size_t c) {
            return static_cast<const std::uint32_t*>(finestZeros_[c % 2].data());
        },
        coarse.zeros);
}

} // namespace quorva
