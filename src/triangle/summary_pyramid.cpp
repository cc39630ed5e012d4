#include "triangle/summary_pyramid.h"

#include <algorithm>

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
{
    std::size_t size = FinestBlock;
    for (;;) {
        TLevel level;
        level.rows = Blocks(lineCount, size);
        level.columns = Blocks(columnCount, size);
        const std::size_t blocks = level.rows * level.columns;
        if (Small(size, byteCells)) {
            level.smallSums = TBlocks<std::uint16_t>(new std::uint16_t[blocks]);
            level.smallCounts = TBlocks<std::uint8_t>(new std::uint8_t[blocks]);
            if (HasZeros(levels_.size()))
                level.smallZeros = TBlocks<std::uint8_t>(new std::uint8_t[blocks]);
        } else {
            level.sums = TBlocks<std::int64_t>(new std::int64_t[blocks]);
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
        const std::uint64_t zeros = size > FinestBlock;
        bytes += blocks * (Small(size, byteCells)
                               ? sizeof(std::uint16_t) + (1 + zeros) * sizeof(std::uint8_t)
                               : sizeof(std::int64_t) + (1 + zeros) * sizeof(std::uint32_t));
        if (blocks <= 1)
            return bytes;
    }
}

void TSummaryPyramid::AddColumnTo(std::size_t level, std::size_t column, std::size_t firstRow,
                                  std::size_t endRow, std::int64_t* sums, std::uint64_t* counts,
                                  std::uint64_t* zeros) const
{
    const TLevel& at = levels_[level];
    const std::size_t start = column * at.rows + firstRow;
    const std::size_t rows = endRow - firstRow;
    auto add = [&](const auto* blockSums, const auto* blockCounts, const auto* blockZeros) {
        for (std::size_t r = 0; r < rows; ++r) {
            sums[r] += blockSums[start + r];
            counts[r] += blockCounts[start + r];
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
        if (finest.sums) {
            finest.sums[start + r] = static_cast<std::int64_t>(sums[r]);
            finest.counts[start + r] = counts[r];
        } else {
            finest.smallSums[start + r] = static_cast<std::uint16_t>(sums[r]);
            finest.smallCounts[start + r] = static_cast<std::uint8_t>(counts[r]);
        }
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

void TSummaryPyramid::Merge(std::size_t level, std::size_t column)
{
    // The coarser block column from the one or two finer ones it covers.
    const TLevel& fine = levels_[level];
    TLevel& coarse = levels_[level + 1];
    const std::size_t target = column / 2;
    const std::size_t first = target * 2;
    const std::size_t end = std::min(first + 2, fine.columns);
    for (std::size_t r = 0; r < coarse.rows; ++r) {
        std::int64_t sum = 0;
        std::uint64_t count = 0;
        std::uint64_t zeros = 0;
        for (std::size_t fr = 2 * r; fr < std::min(2 * r + 2, fine.rows); ++fr)
            for (std::size_t c = first; c < end; ++c) {
                sum += Sum(level, fr, c);
                count += Count(level, fr, c);
                zeros += level == 0 ? finestZeros_[c % 2][fr] : Zeros(level, fr, c);
            }
        const std::size_t index = target * coarse.rows + r;
        if (!coarse.sums) {
            coarse.smallSums[index] = static_cast<std::uint16_t>(sum);
            coarse.smallCounts[index] = static_cast<std::uint8_t>(count);
            coarse.smallZeros[index] = static_cast<std::uint8_t>(zeros);
        } else {
            coarse.sums[index] = sum;
            coarse.counts[index] = static_cast<std::uint32_t>(count);
            coarse.zeros[index] = static_cast<std::uint32_t>(zeros);
        }
    }
}

} // namespace quorva
