#include "ui/triangle_view/triangle_renderer.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

std::int64_t CellIndex(double pixel, double cellSize)
{
    return static_cast<std::int64_t>(std::floor(pixel / cellSize));
}

// The first cell whose centre lies at or after a content pixel, at a size of
// less than a pixel a cell.
std::int64_t FirstCentreFrom(double pixel, double cellSize)
{
    return static_cast<std::int64_t>(std::ceil(pixel / cellSize - 0.5));
}

} // namespace

TViewColours TViewColours::From(const QPalette& palette)
{
    // 118 takes white to the light grey the view has always had.
    const QColor base = palette.color(QPalette::Base);
    const bool dark = base.lightness() < 128;
    const QColor outside = dark ? base.lighter(160) : base.darker(118);
    return {base, outside, dark ? outside.lighter(125) : outside.darker(110)};
}

TTriangleRenderer::TTriangleRenderer(const TTriangleGrid& grid, const TViewColours& colours)
    : grid_(grid), scale_(grid), colours_(colours), outside_(colours.outside.rgb()),
      blank_(colours.blank.rgb()), notYet_(colours.notYet.rgb())
{
    SetScale(scale_);
}

void TTriangleRenderer::SetScale(TColourScale scale)
{
    scale_ = std::move(scale);
    shareLevel_ = SIZE_MAX;
    valueShades_.clear();
    meanShades_.clear();
    if (grid_.ValueCounts().empty())
        return;
    for (int value = 0; value < 256; ++value)
        valueShades_.push_back(scale_.Of(value));
    for (std::size_t count = 1; count <= MeanCounts; ++count)
        for (std::size_t sum = 0; sum < MeanSums; ++sum)
            meanShades_.push_back(scale_.Of(static_cast<double>(sum) / static_cast<double>(count)));
}

void TTriangleRenderer::Paint(QPainter& painter, const QSize& viewport, double cellSize,
                              QPoint offset, double pixelRatio) const
{
    // What a frame shows was ready when it began, whatever is made ready
    // while it is painted.
    ready_ = grid_.ReadyColumns();
    if (cellSize >= NumberCellSize) {
        PaintNumbers(painter, viewport, cellSize, offset);
        return;
    }
    const QSize device(static_cast<int>(std::ceil(viewport.width() * pixelRatio)),
                       static_cast<int>(std::ceil(viewport.height() * pixelRatio)));
    QImage& image =
        const_cast<QImage&>(MapImage(device, cellSize * pixelRatio, QPointF(offset) * pixelRatio));
    image.setDevicePixelRatio(pixelRatio);
    painter.drawImage(QPointF(0, 0), image);
}

void TTriangleRenderer::PaintNumbers(QPainter& painter, const QSize& viewport, double cellSize,
                                     QPoint offset) const
{
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), viewport), colours_.outside);
    QFont font = painter.font();
    font.setPixelSize(std::clamp(static_cast<int>(cellSize * 0.42), 8, 22));
    painter.setFont(font);

    const std::int64_t firstLine = std::max<std::int64_t>(0, CellIndex(offset.y(), cellSize));
    const std::int64_t firstColumn = std::max<std::int64_t>(0, CellIndex(offset.x(), cellSize));
    const std::int64_t endLine =
        std::min<std::int64_t>(static_cast<std::int64_t>(grid_.LineCount()),
                               CellIndex(offset.y() + viewport.height(), cellSize) + 1);
    const std::int64_t endColumn =
        std::min<std::int64_t>(static_cast<std::int64_t>(grid_.ColumnCount()),
                               CellIndex(offset.x() + viewport.width(), cellSize) + 1);
    for (std::int64_t k = firstLine; k < endLine; ++k) {
        for (std::int64_t j = firstColumn; j < endColumn; ++j) {
            const auto line = static_cast<std::size_t>(k);
            const auto column = static_cast<std::size_t>(j);
            if (!grid_.HasCell(line, column))
                continue;
            // A one-pixel gap between cells draws the grid.
            const QRectF cell(j * cellSize - offset.x(), k * cellSize - offset.y(), cellSize - 1,
                              cellSize - 1);
            if (column >= ready_) {
                painter.fillRect(cell, colours_.notYet);
                continue;
            }
            const auto value = grid_.Cell(line, column);
            if (!value) {
                painter.fillRect(cell, colours_.blank);
                continue;
            }
            const QRgb shade = scale_.Of(*value);
            painter.fillRect(cell, QColor(shade));
            painter.setPen(TColourScale::TextOn(shade));
            painter.drawText(cell, Qt::AlignCenter, QString::number(*value));
        }
    }
    painter.restore();
}

const QImage& TTriangleRenderer::MapImage(const QSize& device, double cellSize,
                                          QPointF offset) const
{
    if (image_.size() != device)
        image_ = QImage(device, QImage::Format_RGB32);
    pixels_ = image_.bits();
    bytesPerLine_ = image_.bytesPerLine();
    if (cellSize >= 1) {
        // Each pixel shows the cell under its centre; the line of every
        // pixel row is worked out once, and each column is read downwards,
        // in the order its values lie in memory.
        std::vector<std::int64_t> lines(static_cast<std::size_t>(device.height()));
        for (int y = 0; y < device.height(); ++y)
            lines[static_cast<std::size_t>(y)] = CellIndex(offset.y() + y + 0.5, cellSize);
        const bool blanksShown = cellSize >= SeparateCellSize;
        window_.Clear();
        for (int x = 0; x < device.width(); ++x)
            FillCellColumn(x, CellIndex(offset.x() + x + 0.5, cellSize), lines, blanksShown);
        return image_;
    }
    const double cellsPerPixel = 1 / cellSize;
    if (cellsPerPixel >= SummaryCellsPerPixel)
        FillSummaries(cellsPerPixel, offset);
    else
        FillMeans(cellSize, offset);
    return image_;
}

void TTriangleRenderer::FillCellColumn(int x, std::int64_t j,
                                       const std::vector<std::int64_t>& lines,
                                       bool blanksShown) const
{
    // Column j has cells on lines j to LineCount() - 1 - j; those with k - j
    // odd are blank, the others are the column's values in order.
    const auto lineCount = static_cast<std::int64_t>(grid_.LineCount());
    const bool onGrid = j >= 0 && j < static_cast<std::int64_t>(grid_.ColumnCount());
    const bool ready =
        onGrid && (blanksShown ? j < static_cast<std::int64_t>(ready_) : ReadyFor(j));
    // A blank's shade reads the lines above and below those in view too.
    if (ready && !lines.empty())
        window_.Read(grid_, j, lines.front() - 1, lines.back() + 2, ready_);
    for (int y = 0; y < image_.height(); ++y) {
        const std::int64_t k = lines[static_cast<std::size_t>(y)];
        QRgb shade = outside_;
        if (onGrid && k >= j && k < lineCount - j) {
            const std::int32_t value =
                !ready || (k - j) % 2 ? BlankCellValue : window_.Value(grid_, k, j);
            if (!ready)
                shade = NotYet(x, y);
            else if (!IsBlank(value))
                shade = ShadeOf(value);
            else
                shade = blanksShown ? blank_ : ShadeOfBlank(k, j);
        }
        Pixel(x, y) = shade;
    }
}

void TTriangleRenderer::FillMeans(double cellSize, QPointF offset) const
{
    // Every cell counts towards the one pixel that holds its centre. The
    // pixel row of each line in view is worked out once; then each pixel
    // column sums the values of its cell columns, read downwards.
    const int height = image_.height();
    const auto lineCount = static_cast<std::int64_t>(grid_.LineCount());
    const auto columnCount = static_cast<std::int64_t>(grid_.ColumnCount());
    const auto topLine =
        std::clamp<std::int64_t>(FirstCentreFrom(offset.y(), cellSize), 0, lineCount);
    const auto endLine = std::clamp<std::int64_t>(FirstCentreFrom(offset.y() + height, cellSize),
                                                  topLine, lineCount);
    std::vector<int> rowOf(static_cast<std::size_t>(endLine - topLine));
    for (std::int64_t k = topLine; k < endLine; ++k)
        rowOf[static_cast<std::size_t>(k - topLine)] = std::clamp(
            static_cast<int>(std::floor((static_cast<double>(k) + 0.5) * cellSize - offset.y())), 0,
            height - 1);
    sums_.resize(static_cast<std::size_t>(height));
    counts_.resize(static_cast<std::size_t>(height));
    window_.Clear();
    for (int x = 0; x < image_.width(); ++x) {
        const auto first =
            std::clamp<std::int64_t>(FirstCentreFrom(offset.x() + x, cellSize), 0, columnCount);
        const auto end = std::clamp<std::int64_t>(FirstCentreFrom(offset.x() + x + 1, cellSize),
                                                  first, columnCount);
        std::fill(sums_.begin(), sums_.end(), 0);
        std::fill(counts_.begin(), counts_.end(), 0);
        // The lines of the triangle in this pixel column: those of its
        // first cell column, the longest.
        int insideFrom = height;
        int insideTo = -1;
        const bool ready = end <= static_cast<std::int64_t>(ready_) && ReadyFor(first);
        for (std::int64_t j = first; j < end; ++j) {
            const std::int64_t from = std::max(topLine, j);
            const std::int64_t to = std::min(endLine, lineCount - j);
            if (from >= to)
                continue;
            insideFrom = std::min(insideFrom, rowOf[static_cast<std::size_t>(from - topLine)]);
            insideTo = std::max(insideTo, rowOf[static_cast<std::size_t>(to - 1 - topLine)]);
            if (ready)
                AddColumn(static_cast<std::size_t>(j), static_cast<std::size_t>(from),
                          static_cast<std::size_t>(to), rowOf, static_cast<std::size_t>(topLine));
        }
        for (int y = 0; y < height; ++y) {
            const auto row = static_cast<std::size_t>(y);
            QRgb shade = outside_;
            if (y >= insideFrom && y <= insideTo) {
                if (!ready)
                    shade = NotYet(x, y);
                else if (counts_[row] > 0)
                    shade = ShadeOfMean(sums_[row], counts_[row]);
                else
                    shade = ShadeOfBlankIn(FirstCentreFrom(offset.y() + y, cellSize), first,
                                           topLine - 1, endLine + 2);
            }
            Pixel(x, y) = shade;
        }
    }
}

void TTriangleRenderer::AddColumn(std::size_t j, std::size_t firstLine, std::size_t endLine,
                                  const std::vector<int>& rowOf, std::size_t topLine) const
{
    // Value i of column j stands on line 2i + j.
    const std::size_t begin = (firstLine - j + 1) / 2;
    const std::size_t end = std::max(begin, (endLine - j + 1) / 2);
    grid_.ForEachValue(cursor_, j, begin, end, [&](std::size_t i, auto value) {
        const auto row = static_cast<std::size_t>(rowOf[2 * i + j - topLine]);
        sums_[row] += value;
        ++counts_[row];
    });
}

bool TTriangleRenderer::ReadyFor(std::int64_t j) const
{
    // A blank's shade takes the column to its right too.
    const auto ready = static_cast<std::int64_t>(ready_);
    return j + 1 < ready || ready == static_cast<std::int64_t>(grid_.ColumnCount());
}

QRgb TTriangleRenderer::ShadeOfBlankIn(std::int64_t k, std::int64_t j, std::int64_t firstLine,
                                       std::int64_t endLine) const
{
    // Its columns are read once for every blank of the pixel column.
    window_.Read(grid_, j, firstLine, endLine, ready_);
    return ShadeOfBlank(k, j);
}

QRgb TTriangleRenderer::ShadeOfBlank(std::int64_t k, std::int64_t j) const
{
    // The mean of the non-blank cells above, below, left and right (those of
    // a column not ready yet do not count), without asking about each.
    const auto lineCount = static_cast<std::int64_t>(grid_.LineCount());
    const auto columnCount = static_cast<std::int64_t>(grid_.ColumnCount());
    std::int64_t sum = 0;
    std::uint64_t count = 0;
    auto add = [&](std::int64_t line, std::int64_t column) {
        if (column < 0 || column >= columnCount || line < column || line >= lineCount - column ||
            (line - column) % 2 != 0)
            return;
        const std::int32_t value = window_.Value(grid_, line, column);
        if (!IsBlank(value)) {
            sum += value;
            ++count;
        }
    };
    add(k - 1, j);
    add(k + 1, j);
    add(k, j - 1);
    add(k, j + 1);
    return count == 0 ? blank_ : ShadeOfMean(sum, count);
}

void TTriangleRenderer::FillSummaries(double cellsPerPixel, QPointF offset) const
{
    // The coarsest summaries no larger than a pixel, or the finest: a pixel
    // then spans one to three of them each way, and their merge is about
    // its block's mean.
    const TSummaryPyramid& summaries = grid_.Summaries();
    std::size_t level = 0;
    while (level + 1 < summaries.Levels() &&
           double(summaries.BlockSize(level + 1)) <= cellsPerPixel)
        ++level;
    // Zero shares come from the second level on.
    const bool shares = ShowsShares(1 / cellsPerPixel);
    if (shares)
        level = std::max<std::size_t>(level, 1);
    const double block = double(summaries.BlockSize(level));
    const auto rows = static_cast<std::int64_t>(summaries.Rows(level));
    const auto columns = static_cast<std::int64_t>(summaries.Columns(level));
    // Each pixel row's first and end summary row, and the line at its
    // centre, worked out once.
    const auto height = static_cast<std::size_t>(image_.height());
    std::vector<std::int64_t> firstRow(height), endRow(height);
    std::vector<std::int64_t> middleLine(height);
    for (std::size_t y = 0; y < height; ++y) {
        const double top = (offset.y() + static_cast<double>(y)) * cellsPerPixel;
        // Left of or above the content, where an offset puts it, nothing.
        firstRow[y] = std::clamp(CellIndex(top, block), std::int64_t{0}, rows);
        endRow[y] = std::max(
            firstRow[y],
            std::min(rows, static_cast<std::int64_t>(std::ceil((top + cellsPerPixel) / block))));
        middleLine[y] = CellIndex(top + cellsPerPixel / 2, 1);
    }
    // The summaries of a pixel column's block columns, merged once for every
    // row in view, then for each pixel its one to three rows.
    const std::int64_t topRow = firstRow.front();
    const std::int64_t bottomRow = endRow.back();
    sums_.assign(static_cast<std::size_t>(bottomRow - topRow), 0);
    counts_.assign(sums_.size(), 0);
    zeros_.assign(sums_.size(), 0);
    if (shares)
        ScaleShares(level);
    std::int64_t lastSum = 0;
    std::uint64_t lastCount = 0;
    std::uint64_t lastZeros = 0;
    QRgb lastShade = blank_;
    std::int64_t mergedFirst = -1;
    std::int64_t mergedEnd = -1;
    for (int x = 0; x < image_.width(); ++x) {
        const double left = (offset.x() + x) * cellsPerPixel;
        const std::int64_t first = std::clamp(CellIndex(left, block), std::int64_t{0}, columns);
        const std::int64_t end = std::max(
            first, std::min(columns,
                            static_cast<std::int64_t>(std::ceil((left + cellsPerPixel) / block))));
        const std::int64_t centre = CellIndex(left + cellsPerPixel / 2, 1);
        const bool ready =
            end <= first || grid_.IsSummaryReady(level, static_cast<std::size_t>(end - 1));
        if (ready && (first != mergedFirst || end != mergedEnd)) {
            mergedFirst = first;
            mergedEnd = end;
            std::fill(sums_.begin(), sums_.end(), 0);
            std::fill(counts_.begin(), counts_.end(), 0);
            std::fill(zeros_.begin(), zeros_.end(), 0);
            for (std::int64_t c = first; c < end; ++c)
                summaries.AddColumnTo(level, static_cast<std::size_t>(c),
                                      static_cast<std::size_t>(topRow),
                                      static_cast<std::size_t>(bottomRow), sums_.data(),
                                      counts_.data(), zeros_.data());
        }
        for (std::size_t y = 0; y < height; ++y) {
            const bool inside = middleLine[y] >= 0 && centre >= 0 &&
                                grid_.HasCell(static_cast<std::size_t>(middleLine[y]),
                                              static_cast<std::size_t>(centre));
            QRgb shade = outside_;
            if (inside && !ready) {
                shade = NotYet(x, static_cast<int>(y));
            } else if (inside) {
                std::int64_t sum = 0;
                std::uint64_t count = 0;
                std::uint64_t zeros = 0;
                for (std::int64_t r = firstRow[y]; r < endRow[y]; ++r) {
                    sum += sums_[static_cast<std::size_t>(r - topRow)];
                    count += counts_[static_cast<std::size_t>(r - topRow)];
                    zeros += zeros_[static_cast<std::size_t>(r - topRow)];
                }
                // Neighbouring pixels often merge the same summaries.
                if (sum != lastSum || count != lastCount || zeros != lastZeros) {
                    lastSum = sum;
                    lastCount = count;
                    lastZeros = zeros;
                    lastShade = count == 0 || !shares
                                    ? ShadeOfMean(sum, count, true)
                                    : shareScale_.Of(100.0 * static_cast<double>(zeros) /
                                                     static_cast<double>(count));
                }
                shade = lastShade;
            }
            Pixel(x, static_cast<int>(y)) = shade;
        }
    }
}

void TTriangleRenderer::ScaleShares(std::size_t level) const
{
    if (level == shareLevel_ && ready_ == shareReady_)
        return;
    // Blocks of about a pixel: a pixel merges one to three of them each way.
    // Every stride-th of them each way, about SampledBlocks in all, tell
    // their shares as well as all would, within a frame's time.
    constexpr std::size_t SampledBlocks = 1 << 16;
    const TSummaryPyramid& summaries = grid_.Summaries();
    const std::size_t stride =
        1 +
        static_cast<std::size_t>(std::sqrt(
            static_cast<double>(summaries.Rows(level) * summaries.Columns(level)) / SampledBlocks));
    std::vector<std::uint64_t> blocks(101);
    for (std::size_t c = 0; c < summaries.Columns(level); c += stride) {
        if (!grid_.IsSummaryReady(level, c))
            break;
        for (std::size_t r = 0; r < summaries.Rows(level); r += stride)
            if (const std::uint64_t count = summaries.Count(level, r, c))
                ++blocks[summaries.Zeros(level, r, c) * 100 / count];
    }
    shareScale_ = TColourScale(0, 100, blocks, TColourScale::TKind::ByShare);
    shareLevel_ = level;
    shareReady_ = ready_;
}

const TColourScale& TTriangleRenderer::LegendScale(double cellSize) const
{
    return ShowsShares(cellSize) && shareLevel_ != SIZE_MAX ? shareScale_ : scale_;
}

QString TTriangleRenderer::LegendCaption(double cellSize) const
{
    if (ShowsShares(cellSize))
        return QStringLiteral("share of zero cells in a pixel (%)");
    return cellSize >= 1 ? QStringLiteral("cell value")
                         : QStringLiteral("mean of the cells in a pixel");
}

QRgb TTriangleRenderer::ShadeOfMean(std::int64_t sum, std::uint64_t count, bool inside) const
{
    if (!inside)
        return outside_;
    return count == 0 ? blank_ : ShadeOfMean(sum, count);
}

} // namespace quorva
