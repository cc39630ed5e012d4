#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/base/progress.h"
#include "model/rows/row_table.h"
#include "triangle/column_cursor.h"
#include "triangle/diff_triangle.h"
#include "triangle/kept_columns.h"
#include "triangle/summary_pyramid.h"

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
// column j holds the CSV's field j of line k. It keeps every KeptSpacing()-th
// difference column only (see TKeptColumns), and a pyramid of block
// summaries that lets a zoomed-out picture be drawn without reading every
// cell.
//
// The cells can be computed while the grid is shown: Fill computes them
// block column by block column, left to right, and makes each ready, cells
// and summaries at once, for any thread to read. Reading never waits: what
// is not ready yet reads as nothing, and whoever needs it waits for it
// with AwaitColumn, which keeps asking its progress so that Cancel is heard.
class TTriangleGrid {
public:
    // Lines and columns summed up by one block of the finest summary level;
    // the columns are filled and made ready this many at a time.
    static constexpr std::size_t SummaryBlock = TSummaryPyramid::FinestBlock;
    // A block column is filled a tile of this many values of each column at
    // a time, from its last values up: small enough that a tile's columns
    // stay in the processor's cache while they are computed and summed up.
    static constexpr std::size_t TileValues = 4096;
    // Threads that fill a grid at most: each takes every second block
    // column, a tile behind the other.
    static constexpr unsigned FillThreads = 2;
    // Every this many columns one is kept, for cells of `cellBytes` bytes: a
    // cell between costs a few differences when read. One-byte cells keep a
    // sixteenth, as sixteen of them are worked out at once in a vector, and
    // painters read whole columns in view with a TCursor, a step a cell;
    // wider ones, worked out one by one, a quarter.
    static constexpr std::size_t KeptSpacing(std::uint64_t cellBytes)
    {
        return cellBytes == 1 ? 16 : 4;
    }

    // Raises "Range check error" for an empty table or a column outside 0 to
    // 6. Computes every cell, asking `progress` as Fill does.
    TTriangleGrid(const TRowTable& rows, int column, TProgress& progress = NoProgress());
    // Only the values, column 0: Fill computes the rest.
    struct TUnfilled {};
    TTriangleGrid(const TRowTable& rows, int column, TUnfilled);
    ~TTriangleGrid();

    // Computes the columns after the ready ones until at least `endColumn`
    // are ready, asking `progress` after each block column with the cells
    // ready of all; Cancelled when it says stop, what is ready staying so.
    // Uses up to `threads` threads (FillThreads when 0, one on a single
    // processor), which all end before it returns or raises. One caller at a
    // time.
    void Fill(TProgress& progress, std::size_t endColumn = SIZE_MAX, unsigned threads = 0);
    // Columns 0 to ReadyColumns() - 1 are ready; from any thread.
    std::size_t ReadyColumns() const { return ready_.load(std::memory_order_acquire); }
    bool IsComplete() const { return ReadyColumns() == ColumnCount(); }
    // Cells of the first `columns` columns.
    std::uint64_t CellsBefore(std::size_t columns) const;
    // Waits until column j (or the last, when beyond) is ready, reporting
    // the ready columns to `progress` at least every ProgressInterval;
    // Cancelled when it says stop. Only while some thread fills the grid.
    void AwaitColumn(std::size_t j, TProgress& progress) const;

    std::size_t ValueCount() const { return valueCount_; }
    std::size_t LineCount() const { return 2 * valueCount_ - 1; }
    std::size_t ColumnCount() const { return valueCount_; }

    // Whether line k has a field j at all (the lines get shorter towards
    // both ends of the triangle).
    bool HasCell(std::size_t k, std::size_t j) const
    {
        return k < LineCount() && j <= k && j < LineCount() - k;
    }
    // The cell's value; nothing for a blank cell, one outside the triangle,
    // or one whose column is not ready yet. Never waits.
    std::optional<std::int32_t> Cell(std::size_t k, std::size_t j) const;
    // The lines of the two cells a cell is the difference of, in the column
    // to its left; nothing for column 0, whose cells are the rows' values.
    static std::optional<std::pair<std::size_t, std::size_t>> ParentLines(std::size_t k,
                                                                          std::size_t j);

    // Value i of the ready column j, which stands on line 2i + j; negative
    // when blank. For painters that walk down a column.
    std::int32_t ColumnValue(std::size_t j, std::size_t i) const
    {
        return bytes_ ? std::int32_t{bytes_->At(j, i)} : words_->At(j, i);
    }
    // Calls add(i, value) for the non-blank values [begin, end) of the ready
    // column j, in order.
    template <class Add>
    void ForEachValue(std::size_t j, std::size_t begin, std::size_t end, Add add) const
    {
        if (bytes_)
            ForEachValueOf(*bytes_, j, begin, end, add);
        else
            ForEachValueOf(*words_, j, begin, end, add);
    }

    // Where ForEachValue with a cursor keeps the column it read last.
    class TCursor {
        friend class TTriangleGrid;
        TColumnCursor<std::uint8_t> bytes_;
        TColumnCursor<std::int32_t> words_;
    };
    // The same, each column worked out from the one `cursor` read before
    // where that is the column to its left: for painters that read the
    // columns in view left to right.
    template <class Add>
    void ForEachValue(TCursor& cursor, std::size_t j, std::size_t begin, std::size_t end,
                      Add add) const
    {
        if (bytes_)
            cursor.bytes_.ReadColumn(*bytes_, j, begin, end, add);
        else
            cursor.words_.ReadColumn(*words_, j, begin, end,
                                     [&](std::size_t i, std::int32_t value) {
                                         if (!IsBlank(value))
                                             add(i, value);
                                     });
    }

    // Statistics of the ready cells: of the whole triangle once complete.
    TCellStatistics Whole() const;
    // How many ready cells hold each value 0 to 255, for a triangle whose
    // values all lie there; empty for one with larger or negative values.
    std::vector<std::uint64_t> ValueCounts() const;

    const TSummaryPyramid& Summaries() const { return summaries_; }
    // Whether a block column of a summary level is final.
    bool IsSummaryReady(std::size_t level, std::size_t column) const
    {
        const std::size_t ready = ReadyColumns();
        return ready == ColumnCount() || (column + 1) * summaries_.BlockSize(level) <= ready;
    }

    // The rectangle as CSV text: each line's fields in the rectangle, each
    // followed by ';' (a blank field by ';' alone), and a line feed. Waits
    // first for the columns it needs, as AwaitColumn does, then asks
    // `progress` after every line; Cancelled when it says stop. Progress
    // counts columns awaited and lines copied.
    std::string CsvText(const TCellRect& rect, TProgress& progress = NoProgress()) const;
    // Bytes that text takes at most, worked out without reading a cell.
    std::uint64_t CsvTextBound(const TCellRect& rect) const;

    // Bytes a grid of `valueCount` values of `cellBytes` bytes each takes.
    static std::uint64_t MemoryNeeded(std::uint64_t valueCount, std::uint64_t cellBytes);

private:
    using TValueCounts = std::array<std::uint64_t, 256>;

    explicit TTriangleGrid(const std::vector<std::int32_t>& values);

    template <class Value, class Add>
    static void ForEachValueOf(const TKeptColumns<Value>& triangle, std::size_t j,
                               std::size_t begin, std::size_t end, Add add)
    {
        triangle.ReadColumn(j, begin, end, [&](std::size_t i, Value value) {
            if (!IsBlank(value))
                add(i, value);
        });
    }
    struct TBlockSums;
    class TFillRun;
    // Computes values [begin, end) of every column of a block column, each
    // clipped to its column, and adds them to `sums`.
    template <class Value>
    void FillTile(TKeptColumns<Value>& triangle, TBlockSums& sums, std::size_t block,
                  std::size_t begin, std::size_t end);
    void FillTile(TBlockSums& sums, std::size_t block, std::size_t begin, std::size_t end);
    // Sets the block column's summaries and statistics and makes it ready;
    // the block column before it must be ready.
    void PublishBlock(std::size_t block, TBlockSums& sums);
    std::size_t ColumnsNeeded(const TCellRect& rect) const;
    // Waits until `columns` are ready, reporting them out of `columns` +
    // `workAfter`.
    void AwaitColumns(std::size_t columns, TProgress& progress, std::uint64_t workAfter) const;

    std::size_t valueCount_;
    std::unique_ptr<TKeptColumns<std::uint8_t>> bytes_;
    std::unique_ptr<TKeptColumns<std::int32_t>> words_;
    // Written by the filling threads in the block columns not yet ready.
    TSummaryPyramid summaries_;
    std::atomic<std::size_t> ready_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable readied_;
    // Guarded by mutex_: those of the ready columns.
    TCellStatistics readyWhole_;
    TValueCounts readyCounts_{};
};

} // namespace quorva
