#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorva {

// Sums and counts of the non-blank cells of square blocks of the triangle,
// and, from the second level on, how many of them are zero,
// level by level: level L's blocks are FinestBlock << L lines and columns,
// each the merge of four blocks of the level below, up to one block for the
// whole triangle. A picture zoomed out so far that a pixel holds a block or
// more reads a level whose blocks are about a pixel, not the cells.
//
// The levels are completed block column by block column, left to right, as
// the cells are computed: the finest level's blocks of a column are added to
// until CompleteColumn, which merges them into every coarser block column
// they complete.
class TSummaryPyramid {
public:
    static constexpr std::size_t FinestBlock = 8;

    // For a triangle of `lineCount` lines and `columnCount` columns, whose
    // cells are all 0 to 255 when `byteCells`.
    TSummaryPyramid(std::size_t lineCount, std::size_t columnCount, bool byteCells);

    // Bytes the levels of such a triangle take.
    static std::uint64_t Bytes(std::size_t lineCount, std::size_t columnCount, bool byteCells);

    std::size_t Levels() const { return levels_.size(); }
    std::size_t BlockSize(std::size_t level) const { return FinestBlock << level; }
    std::size_t Rows(std::size_t level) const { return levels_[level].rows; }
    std::size_t Columns(std::size_t level) const { return levels_[level].columns; }
    std::int64_t Sum(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = column * at.rows + row;
        return at.sums ? at.sums[index] : std::int64_t{at.smallSums[index]};
    }
    std::uint64_t Count(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = column * at.rows + row;
        if (at.counts)
            return at.counts[index];
        return at.smallCounts ? std::uint64_t{at.smallCounts[index]} : CellsIn(level, row, column);
    }
    // From level 1 on: the finest level keeps the zeros of its last two
    // block columns only, as long as they are merged.
    static bool HasZeros(std::size_t level) { return level > 0; }
    std::uint64_t Zeros(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = column * at.rows + row;
        return at.zeros ? std::uint64_t{at.zeros[index]} : std::uint64_t{at.smallZeros[index]};
    }

    // Adds the sums, counts and zeros (where the level has them) of rows
    // [firstRow, endRow) of a block column to sums[r - firstRow],
    // counts[r - firstRow] and zeros[r - firstRow].
    void AddColumnTo(std::size_t level, std::size_t column, std::size_t firstRow,
                     std::size_t endRow, std::int64_t* sums, std::uint64_t* counts,
                     std::uint64_t* zeros) const;

    // Sets the finest level's block column, row by row, and merges it into
    // every coarser block column it completes. Block columns come in order.
    void SetColumn(std::size_t column, const std::int64_t* sums, const std::uint32_t* counts,
                   const std::uint32_t* zeros);
    void SetColumn(std::size_t column, const std::uint32_t* sums, const std::uint32_t* counts,
                   const std::uint32_t* zeros);

private:
    // Left unzeroed: every block is written as its column is completed,
    // before anything reads it.
    template <class T> using TBlocks = std::unique_ptr<T[]>;

    // A level keeps its sums and counts in the narrowest type that holds a
    // block's: two and one bytes for small blocks of one-byte cells, whose
    // counts are not kept at all. Block columns lie one after another, as
    // they are completed.
    struct TLevel {
        std::size_t rows = 0;
        std::size_t columns = 0;
        TBlocks<std::uint16_t> smallSums;
        TBlocks<std::uint8_t> smallCounts;
        TBlocks<std::uint8_t> smallZeros;
        TBlocks<std::int64_t> sums;
        TBlocks<std::uint32_t> counts;
        TBlocks<std::uint32_t> zeros;
    };

    static bool Small(std::size_t blockSize, bool byteCells);
    // The cells of a block of a triangle with no blank cells but its
    // blank half.
    std::uint64_t CellsIn(std::size_t level, std::size_t row, std::size_t column) const;
    template <class TSum>
    void SetColumnOf(std::size_t column, const TSum* sums, const std::uint32_t* counts,
                     const std::uint32_t* zeros);
    void CompleteColumn(std::size_t column);
    void Merge(std::size_t level, std::size_t column);

    std::size_t lineCount_;
    std::size_t columnCount_;
    std::vector<TLevel> levels_;
    // The finest level's zeros of its block columns, even and odd, until
    // they are merged into the level above.
    std::array<std::vector<std::uint32_t>, 2> finestZeros_;
};

} // namespace quorva
