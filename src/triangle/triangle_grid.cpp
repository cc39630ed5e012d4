#include "triangle/triangle_grid.h"

#include <algorithm>

#include "model/base/worker_wait.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_band_renderer.h"

namespace quorva {

namespace {

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
    if (FitsByteCells(values)) {
        bytes_ = std::make_unique<TKeptColumns<std::uint8_t>>(values, KeptSpacing(1));
    } else {
        words_ =
            std::make_unique<TKeptColumns<std::int32_t>>(values, KeptSpacing(sizeof(std::int32_t)));
    }
}

TTriangleGrid::~TTriangleGrid() = default;

std::uint64_t TTriangleGrid::CellsBefore(std::size_t columns) const
{
    const std::uint64_t n = valueCount_;
    const std::uint64_t c = std::min<std::uint64_t>(columns, n);
    return c * n - c * (c - 1) / 2;
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

} // namespace quorva
