#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/base/progress.h"
#include "model/rows/row_table.h"
#include "triangle/compact_triangle.h"

namespace quorva {

// Count, sum, smallest and largest of the non-blank cells of a block.
struct TCellStatistics {
    std::uint64_t count = 0;
    std::int64_t sum = 0;
    std::int32_t min = std::numeric_limits<std::int32_t>::max();
    std::int32_t max = std::numeric_limits<std::int32_t>::min();

    void Add(std::int32_t value)
    {
        ++count;
        sum += value;
        min = value < min ? value : min;
        max = value > max ? value : max;
    }
    void Merge(const TCellStatistics& other);
    bool Empty() const { return count == 0; }
    double Mean() const
    {
        return count ? static_cast<double>(sum) / static_cast<double>(count) : 0;
    }
};

// A rectangle of the triangle: lines [firstLine, endLine) by columns
// [firstColumn, endColumn).
struct TCellRect {
    std::size_t firstLine = 0;
    std::size_t firstColumn = 0;
    std::size_t endLine = 0;
    std::size_t endColumn = 0;
};

// The triangle of one column of the rows laid out as its CSV is: line k,
// column j holds the CSV's field j of line k. It keeps only the compact form,
// so it costs what the triangle costs, plus a small table of block summaries
// that lets a far zoomed-out picture be drawn without reading every cell.
class TTriangleGrid {
public:
    // Lines and columns summed up by one entry of the finest summary level.
    static constexpr std::size_t SummaryBlock = 32;

    // Raises "Range check error" for an empty table or a column outside 0 to 6.
    // The cells are computed on a second thread while this one asks
    // `progress`; Cancelled when it says stop, with the second thread joined.
    TTriangleGrid(const TRowTable& rows, int column, TProgress& progress = NoProgress());
    ~TTriangleGrid();

    std::size_t ValueCount() const { return valueCount_; }
    std::size_t LineCount() const { return 2 * valueCount_ - 1; }
    std::size_t ColumnCount() const { return valueCount_; }

    // Whether line k has a field j at all (the lines get shorter towards
    // both ends of the triangle).
    bool HasCell(std::size_t k, std::size_t j) const
    {
        return k < LineCount() && j <= k && j < LineCount() - k;
    }
    // The cell's value; nothing for a blank cell or one outside the triangle.
    std::optional<std::int32_t> Cell(std::size_t k, std::size_t j) const;
    // The lines of the two cells a cell is the difference of, in the column
    // to its left; nothing for column 0, whose cells are the rows' values.
    static std::optional<std::pair<std::size_t, std::size_t>> ParentLines(std::size_t k,
                                                                          std::size_t j);

    // Value i of column j, which stands on line 2i + j; negative when blank.
    // For painters that walk down a column without asking about every line.
    std::int32_t ColumnValue(std::size_t j, std::size_t i) const
    {
        return bytes_ ? std::int32_t{bytes_->At(j, i)} : words_->At(j, i);
    }

    // Column j's values one after another, in whichever form the grid keeps
    // them: exactly one of the two is not null.
    const std::uint8_t* ByteColumn(std::size_t j) const
    {
        return bytes_ ? bytes_->Column(j) : nullptr;
    }
    const std::int32_t* WordColumn(std::size_t j) const
    {
        return words_ ? words_->Column(j) : nullptr;
    }

    // The non-blank cells among the four next to a cell (above, below, left
    // and right): what stands in for a blank cell on a map too small to
    // show blanks.
    TCellStatistics Neighbours(std::size_t k, std::size_t j) const;

    // Exact statistics of the non-blank cells in a rectangle.
    TCellStatistics Block(const TCellRect& rect) const;
    // Statistics of the whole triangle.
    const TCellStatistics& Whole() const { return levels_.back().blocks.front(); }

    // Summary level L covers blocks of SummaryBlock << L lines and columns.
    std::size_t SummaryLevels() const { return levels_.size(); }
    std::size_t SummaryRows(std::size_t level) const { return levels_[level].rows; }
    std::size_t SummaryColumns(std::size_t level) const { return levels_[level].columns; }
    const TCellStatistics& Summary(std::size_t level, std::size_t row, std::size_t column) const
    {
        const TLevel& summary = levels_[level];
        return summary.blocks[row * summary.columns + column];
    }

    // How many cells hold each value 0 to 255, for a triangle whose values
    // all lie there; empty for one with larger or negative values.
    const std::vector<std::uint64_t>& ValueCounts() const { return valueCounts_; }

    // The rectangle as CSV text: each line's fields in the rectangle, each
    // followed by ';' (a blank field by ';' alone), and a line feed. Asks
    // `progress` after every line; Cancelled when it says stop.
    std::string CsvText(const TCellRect& rect, TProgress& progress = NoProgress()) const;
    // Bytes that text takes at most, worked out without reading a cell.
    std::uint64_t CsvTextBound(const TCellRect& rect) const;

    // Bytes the summaries of a grid of `valueCount` values take.
    static std::uint64_t SummaryBytes(std::uint64_t valueCount);

private:
    struct TLevel {
        std::size_t rows = 0;
        std::size_t columns = 0;
        std::vector<TCellStatistics> blocks;
    };

    using TValueCounts = std::array<std::uint64_t, 256>;

    class TBuild;

    template <class Value>
    void SummariseColumns(const TCompactTriangle<Value>& triangle, std::size_t firstBlock,
                          std::size_t endBlock, TValueCounts& counts);
    void SummariseBlockColumn(std::size_t block, TValueCounts& counts);
    void FillColumn(std::size_t j);
    template <class Value>
    TCellStatistics BlockOf(const TCompactTriangle<Value>& triangle, const TCellRect& rect) const;
    void AddCoarserLevels();

    std::size_t valueCount_;
    std::unique_ptr<TCompactTriangle<std::uint8_t>> bytes_;
    std::unique_ptr<TCompactTriangle<std::int32_t>> words_;
    std::vector<TLevel> levels_;
    std::vector<std::uint64_t> valueCounts_;
};

} // namespace quorva
