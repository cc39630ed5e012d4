#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "triangle/block_numbers.h"

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
//
// Only the blocks that touch the triangle are kept: block column c holds
// the block rows from c, where its first column's first line lies, to the
// one of that column's last line, one block column after another. The
// rest of the rectangle of LineCount() x ColumnCount() reads as empty.
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
    // Block rows and columns of the whole rectangle, those outside the
    // triangle included.
    std::size_t Rows(std::size_t level) const { return levels_[level].rows; }
    std::size_t Columns(std::size_t level) const { return levels_[level].columns; }
    std::int64_t Sum(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = at.Index(row, column);
        return index == NoBlock ? 0 : static_cast<std::int64_t>(at.sums.Get(index));
    }
    std::uint64_t Count(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = at.Index(row, column);
        if (index == NoBlock)
            return 0;
        return at.counts.Kept() ? at.counts.Get(index) : CellsIn(level, row, column);
    }
    // From level 1 on: the finest level keeps the zeros of its last two
    // block columns only, as long as they are merged.
    static bool HasZeros(std::size_t level) { return level > 0; }
    std::uint64_t Zeros(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& at = levels_[level];
        const std::size_t index = at.Index(row, column);
        return index == NoBlock || !at.zeros.Kept() ? 0 : at.zeros.Get(index);
    }

    // Adds the sums, counts and zeros (where the level has them) of rows
    // [firstRow, endRow) of a block column to sums[r - firstRow],
    // counts[r - firstRow] and zeros[r - firstRow].
    void AddColumnTo(std::size_t level, std::size_t column, std::size_t firstRow,
                     std::size_t endRow, std::int64_t* sums, std::uint64_t* counts,
                     std::uint64_t* zeros) const;

    // Sets the finest level's block column from its rows' sums, counts
    // and zeros, all block rows of the rectangle, and merges it into every
    // coarser block column it completes. Block columns come in order.
    void SetColumn(std::size_t column, const std::int64_t* sums, const std::uint32_t* counts,
                   const std::uint32_t* zeros);
    void SetColumn(std::size_t column, const std::uint32_t* sums, const std::uint32_t* counts,
                   const std::uint32_t* zeros);

private:
    static constexpr std::size_t NoBlock = SIZE_MAX;

    struct TLevel {
        std::size_t rows = 0;
        std::size_t columns = 0;
        // Where each block column's blocks start, and the end of the last.
        std::vector<std::size_t> starts;
        TBlockNumbers sums;
        TBlockNumbers counts;
        TBlockNumbers zeros;

        // The block row after the block column's last.
        std::size_t EndRow(std::size_t column) const
        {
            return column + starts[column + 1] - starts[column];
        }
        // Where the block lies; NoBlock outside the triangle.
        std::size_t Index(std::size_t row, std::size_t column) const
        {
            return row < column || row >= EndRow(column) ? NoBlock : starts[column] + row - column;
        }
    };
    // Bytes of each sum, count and zero of a level: the narrowest that
    // holds a block's, where at most half its cells are non-blank. One-byte
    // cells are never blank: their counts follow from where the block lies,
    // and are not kept; nor are the finest level's zeros.
    struct TWidths {
        unsigned sums = 0;
        unsigned counts = 0;
        unsigned zeros = 0;
    };
    static TWidths WidthsOf(std::size_t level, bool byteCells);
    // Block rows block column `column` of blocks of `size` keeps.
    static std::size_t KeptRows(std::size_t lineCount, std::size_t size, std::size_t column);

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
    // The finest level's zeros of its block columns, even and odd, their
    // kept rows, until they are merged into the level above.
    std::array<std::vector<std::uint32_t>, 2> finestZeros_;
};

} // namespace quorva
