#include "triangle/triangle_grid.h"

#include <algorithm>
#include <type_traits>

#include "model/base/worker_wait.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_band_renderer.h"

namespace quorva {

namespace {

// The statistics of cells of which counts[v] hold each value v.
TCellStatistics CountedStatistics(const std::array<std::uint64_t, 256>& counts)
{
    TCellStatistics whole;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        if (counts[v] == 0)
            continue;
        const auto value = static_cast<std::int32_t>(v);
        whole.count += counts[v];
        whole.sum += static_cast<std::int64_t>(counts[v]) * value;
        whole.min = std::min(whole.min, value);
        whole.max = std::max(whole.max, value);
    }
    return whole;
}

// The values of a column a triangle can be built of.
std::vector<std::int32_t> CheckedValues(const TRowTable& rows, int column)
{
    CheckTriangleInput(rows, column);
    return ColumnValues(rows, column);
}

} // namespace

void TCellStatistics::Merge(const TCellStatistics& other)
{
    count += other.count;
    sum += other.sum;
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

TTriangleGrid::TTriangleGrid(const TRowTable& rows, int column, TProgress& progress)
    : TTriangleGrid(rows, column, TUnfilled{})
{
    Fill(progress);
}

TTriangleGrid::TTriangleGrid(const TRowTable& rows, int column, TUnfilled)
    : TTriangleGrid(CheckedValues(rows, column))
{
}

TTriangleGrid::TTriangleGrid(const std::vector<std::int32_t>& values)
    : valueCount_(values.size()), summaries_(LineCount(), ColumnCount(), FitsByteCells(values))
{
    blockSums_.resize(summaries_.Rows(0));
    blockCounts_.resize(summaries_.Rows(0));
    blockZeros_.resize(summaries_.Rows(0));
    if (FitsByteCells(values)) {
        bytes_ = std::make_unique<THalfTriangle<std::uint8_t>>(values);
        oddColumn_.reset(new std::uint8_t[values.size()]);
    } else {
        words_ = std::make_unique<THalfTriangle<std::int32_t>>(values);
    }
}

TTriangleGrid::~TTriangleGrid() = default;

std::uint64_t TTriangleGrid::CellsBefore(std::size_t columns) const
{
    const std::uint64_t n = valueCount_;
    const std::uint64_t c = std::min<std::uint64_t>(columns, n);
    return c * n - c * (c - 1) / 2;
}

void TTriangleGrid::Fill(TProgress& progress, std::size_t endColumn)
{
    const std::uint64_t total = CellsBefore(ColumnCount());
    for (std::size_t ready = ReadyColumns(); ready < std::min(endColumn, ColumnCount());
         ready = ReadyColumns()) {
        const std::size_t block = ready / SummaryBlock;
        if (bytes_)
            FillBlockColumn(*bytes_, block);
        else
            FillBlockColumn(*words_, block);
        Publish(std::min((block + 1) * SummaryBlock, ColumnCount()));
        ProceedOrCancel(progress, CellsBefore(ReadyColumns()), total);
    }
}

template <class Value>
void TTriangleGrid::FillBlockColumn(THalfTriangle<Value>& triangle, std::size_t block)
{
    const std::size_t first = block * SummaryBlock;
    const std::size_t end = std::min(first + SummaryBlock, ColumnCount());
    std::fill(blockSums_.begin(), blockSums_.end(), 0);
    std::fill(blockCounts_.begin(), blockCounts_.end(), 0);
    std::fill(blockZeros_.begin(), blockZeros_.end(), 0);
    for (std::size_t j = first; j < end; ++j) {
        if (j % 2 == 0 && j > 0)
            triangle.FillColumn(j);
        SummariseColumn(triangle, j);
    }
    summaries_.SetColumn(block, blockSums_.data(), blockCounts_.data(), blockZeros_.data());
}

template <class Value>
void TTriangleGrid::SummariseColumn(const THalfTriangle<Value>& triangle, std::size_t j)
{
    const Value* kept = triangle.KeptColumn(j & ~std::size_t{1});
    if constexpr (std::is_unsigned_v<Value>) {
        if (j % 2 == 0)
            return SummariseBytes(j, kept);
        triangle.CopyOddColumn(j, oddColumn_.get());
        return SummariseBytes(j, oddColumn_.get());
    }
    // Value i stands on line 2i + j; a block row takes the values of
    // SummaryBlock consecutive lines.
    const std::size_t length = ValueCount() - j;
    std::size_t i = 0;
    while (i < length) {
        const std::size_t blockRow = (2 * i + j) / SummaryBlock;
        const std::size_t end = std::min(length, ((blockRow + 1) * SummaryBlock - j + 1) / 2);
        TCellStatistics run;
        std::uint32_t zeros = 0;
        ForEachValueOf(triangle, j, i, end, [&](std::size_t, Value value) {
            run.Add(value);
            zeros += value == 0;
        });
        i = end;
        blockSums_[blockRow] += run.sum;
        blockCounts_[blockRow] += static_cast<std::uint32_t>(run.count);
        blockZeros_[blockRow] += zeros;
        filledWhole_.Merge(run);
    }
}

void TTriangleGrid::SummariseBytes(std::size_t j, const std::uint8_t* values)
{
    // One-byte cells are never blank, and the whole triangle's statistics
    // follow from the counts of each value: a value costs a count and a
    // sum. Four tallies, merged after, keep a run of equal values from
    // waiting on its own count.
    std::array<std::array<std::uint32_t, 256>, 4> tallies{};
    const std::size_t length = ValueCount() - j;
    std::size_t i = 0;
    while (i < length) {
        const std::size_t blockRow = (2 * i + j) / SummaryBlock;
        const std::size_t end = std::min(length, ((blockRow + 1) * SummaryBlock - j + 1) / 2);
        std::uint32_t sum = 0;
        std::uint32_t zeros = 0;
        for (std::size_t at = i; at < end; ++at) {
            const std::uint8_t value = values[at];
            ++tallies[at % 4][value];
            sum += value;
            zeros += value == 0;
        }
        blockSums_[blockRow] += sum;
        blockZeros_[blockRow] += zeros;
        blockCounts_[blockRow] += static_cast<std::uint32_t>(end - i);
        i = end;
    }
    for (std::size_t v = 0; v < 256; ++v)
        filledCounts_[v] +=
            std::uint64_t{tallies[0][v]} + tallies[1][v] + tallies[2][v] + tallies[3][v];
}

void TTriangleGrid::Publish(std::size_t readyColumns)
{
    {
        const std::lock_guard lock(mutex_);
        readyWhole_ = filledWhole_;
        readyCounts_ = filledCounts_;
        if (bytes_)
            readyWhole_ = CountedStatistics(filledCounts_);
        ready_.store(readyColumns, std::memory_order_release);
    }
    readied_.notify_all();
}

void TTriangleGrid::AwaitColumn(std::size_t j, TProgress& progress) const
{
    AwaitColumns(std::min(j + 1, ColumnCount()), progress, 0);
}

void TTriangleGrid::AwaitColumns(std::size_t columns, TProgress& progress,
                                 std::uint64_t workAfter) const
{
    if (ReadyColumns() >= columns)
        return;
    std::unique_lock lock(mutex_);
    AwaitWorker(
        lock, readied_, [&] { return ReadyColumns() >= columns; },
        [&] { ProceedOrCancel(progress, ReadyColumns(), columns + workAfter); });
}

TCellStatistics TTriangleGrid::Whole() const
{
    const std::lock_guard lock(mutex_);
    return readyWhole_;
}

std::vector<std::uint64_t> TTriangleGrid::ValueCounts() const
{
    if (!bytes_)
        return {};
    const std::lock_guard lock(mutex_);
    return {readyCounts_.begin(), readyCounts_.end()};
}

std::optional<std::int32_t> TTriangleGrid::Cell(std::size_t k, std::size_t j) const
{
    // Cells with k + j odd are the blank half; the others are column j's
    // values in order, one every second line from line j on.
    if (!HasCell(k, j) || (k + j) % 2 != 0)
        return std::nullopt;
    if (j >= ReadyColumns())
        return std::nullopt;
    const std::int32_t value = ColumnValue(j, (k - j) / 2);
    if (IsBlank(value))
        return std::nullopt;
    return value;
}

std::optional<std::pair<std::size_t, std::size_t>> TTriangleGrid::ParentLines(std::size_t k,
                                                                              std::size_t j)
{
    if (j == 0)
        return std::nullopt;
    return std::pair{k - 1, k + 1};
}

// Columns 0 to the last one any line of `rect` has a field in.
std::size_t TTriangleGrid::ColumnsNeeded(const TCellRect& rect) const
{
    const std::size_t endLine = std::min(rect.endLine, LineCount());
    if (rect.firstLine >= endLine)
        return 0;
    // Lines lengthen up to the middle one, then shorten.
    const std::size_t middle = ValueCount() - 1;
    const std::size_t longest = rect.firstLine <= middle && middle < endLine
                                    ? ColumnCount()
                                    : std::max(TriangleRowLength(rect.firstLine, LineCount()),
                                               TriangleRowLength(endLine - 1, LineCount()));
    return std::min(rect.endColumn, longest);
}

std::string TTriangleGrid::CsvText(const TCellRect& rect, TProgress& progress) const
{
    const std::size_t columns = ColumnsNeeded(rect);
    const std::size_t endLine = std::min(rect.endLine, LineCount());
    const std::size_t lines = endLine > rect.firstLine ? endLine - rect.firstLine : 0;
    AwaitColumns(columns, progress, lines);
    std::string text;
    text.reserve(CsvTextBound(rect));
    for (std::size_t k = rect.firstLine; k < endLine; ++k) {
        const std::size_t endColumn = std::min(rect.endColumn, TriangleRowLength(k, LineCount()));
        for (std::size_t j = rect.firstColumn; j < endColumn; ++j) {
            char field[12];
            text.append(field, AppendCsvField(field, Cell(k, j).value_or(BlankCellValue)));
        }
        text += '\n';
        ProceedOrCancel(progress, columns + k + 1 - rect.firstLine, columns + lines);
    }
    return text;
}

std::uint64_t TTriangleGrid::CsvTextBound(const TCellRect& rect) const
{
    // Every line: a value and a blank for each two columns, and a line feed.
    const std::uint64_t lines =
        std::min(rect.endLine, LineCount()) - std::min(rect.firstLine, LineCount());
    const std::uint64_t columns =
        std::min(rect.endColumn, ColumnCount()) - std::min(rect.firstColumn, ColumnCount());
    const std::uint64_t pairText = MaxPairText(bytes_ ? 1 : sizeof(std::int32_t));
    return lines * ((columns + 1) / 2 * pairText + 1);
}

std::uint64_t TTriangleGrid::MemoryNeeded(std::uint64_t valueCount, std::uint64_t cellBytes)
{
    if (valueCount == 0)
        return 0;
    // The kept cells, where each kept column starts, the values while the
    // grid is made, and the summaries.
    const std::uint64_t blockRows = (2 * valueCount - 1 + SummaryBlock - 1) / SummaryBlock;
    return THalfTriangle<std::uint8_t>::KeptCells(valueCount) * cellBytes +
           (valueCount + 1) / 2 * sizeof(std::size_t) + valueCount * sizeof(std::int32_t) +
           TSummaryPyramid::Bytes(2 * valueCount - 1, valueCount, cellBytes == 1) +
           blockRows * (sizeof(std::int64_t) + 2 * sizeof(std::uint32_t)) +
           (cellBytes == 1 ? valueCount : 0);
}

} // namespace quorva
