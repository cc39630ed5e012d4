#include "ui/triangle_view/triangle_renderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

// Cells read for one pixel along each axis when a pixel covers fewer cells
// than a block summary: enough to average out the blank half and noise,
// few enough to keep a frame short.
constexpr int MaxSamples = 3;

std::int64_t CellIndex(double pixel, double cellSize)
{
    return static_cast<std::int64_t>(std::floor(pixel / cellSize));
}

} // namespace

TTriangleRenderer::TTriangleRenderer(const TTriangleGrid& grid)
    : grid_(grid), scale_(grid), outside_(Outside().rgb()), blank_(BlankCell().rgb())
{
}

void TTriangleRenderer::Paint(QPainter& painter, const QSize& viewport, double cellSize,
                              QPoint offset) const
{
    if (cellSize >= NumberCellSize)
        PaintNumbers(painter, viewport, cellSize, offset);
    else
        painter.drawImage(0, 0, MapImage(viewport, cellSize, offset));
}

void TTriangleRenderer::PaintNumbers(QPainter& painter, const QSize& viewport, double cellSize,
                                     QPoint offset) const
{
    painter.fillRect(QRect(QPoint(0, 0), viewport), Outside());
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
            const auto value = grid_.Cell(line, column);
            if (!value) {
                painter.fillRect(cell, BlankCell());
                continue;
            }
            const QRgb shade = scale_.Of(*value);
            painter.fillRect(cell, QColor(shade));
            painter.setPen(TColourScale::TextOn(shade));
            painter.drawText(cell, Qt::AlignCenter, QString::number(*value));
        }
    }
}

const QImage& TTriangleRenderer::MapImage(const QSize& viewport, double cellSize,
                                          QPoint offset) const
{
    if (image_.size() != viewport)
        image_ = QImage(viewport, QImage::Format_RGB32);
    pixels_ = image_.bits();
    bytesPerLine_ = image_.bytesPerLine();
    if (cellSize >= 1) {
        // Each pixel shows the one cell under it; the line of every pixel
        // row is worked out once, and each column is read downwards, in
        // the order its values lie in memory.
        std::vector<std::int64_t> lines(static_cast<std::size_t>(viewport.height()));
        for (int y = 0; y < viewport.height(); ++y)
            lines[static_cast<std::size_t>(y)] = CellIndex(offset.y() + y, cellSize);
        for (int x = 0; x < viewport.width(); ++x)
            FillCellColumn(x, CellIndex(offset.x() + x, cellSize), lines);
        return image_;
    }
    const double cellsPerPixel = 1 / cellSize;
    if (cellsPerPixel >= TTriangleGrid::SummaryBlock) {
        FillSummaries(cellsPerPixel, offset);
        return image_;
    }
    for (int x = 0; x < viewport.width(); ++x)
        FillSampledColumn(x, cellsPerPixel, offset.y() * cellsPerPixel,
                          (offset.x() + x) * cellsPerPixel);
    return image_;
}

void TTriangleRenderer::FillCellColumn(int x, std::int64_t j,
                                       const std::vector<std::int64_t>& lines) const
{
    // Column j has cells on lines j to LineCount() - 1 - j; those with k - j
    // odd are blank, the others are the column's values in order.
    const auto lineCount = static_cast<std::int64_t>(grid_.LineCount());
    const bool onGrid = j >= 0 && j < static_cast<std::int64_t>(grid_.ColumnCount());
    for (int y = 0; y < image_.height(); ++y) {
        const std::int64_t k = lines[static_cast<std::size_t>(y)];
        QRgb shade = outside_;
        if (onGrid && k >= j && k < lineCount - j) {
            const std::int32_t value =
                (k - j) % 2 ? -1
                            : grid_.ColumnValue(static_cast<std::size_t>(j),
                                                static_cast<std::size_t>((k - j) / 2));
            shade = value < 0 ? blank_ : scale_.Of(value);
        }
        Pixel(x, y) = shade;
    }
}

void TTriangleRenderer::FillSampledColumn(int x, double cellsPerPixel, double top,
                                          double left) const
{
    // A few cells evenly spread over the pixel's block. Where they are all
    // the cells of the block, the mean is exact; where they are spread out,
    // a sample that falls on a blank cell takes the cell below it, lest the
    // samples all land on the blank half.
    const int samples = std::min(MaxSamples, static_cast<int>(std::ceil(cellsPerPixel)));
    const double step = cellsPerPixel / samples;
    std::size_t columns[MaxSamples];
    for (int a = 0; a < samples; ++a)
        columns[a] = static_cast<std::size_t>(left + (a + 0.5) * step);
    for (int y = 0; y < image_.height(); ++y) {
        const double pixelTop = top + y * cellsPerPixel;
        TCellBlock block;
        bool inside = false;
        for (int b = 0; b < samples; ++b) {
            const auto k = static_cast<std::size_t>(pixelTop + (b + 0.5) * step);
            for (int a = 0; a < samples; ++a) {
                const std::size_t j = columns[a];
                if (!grid_.HasCell(k, j))
                    continue;
                inside = true;
                auto value = grid_.Cell(k, j);
                if (!value && step > 1 && (k + j) % 2 != 0)
                    value = grid_.Cell(k + 1, j);
                if (value)
                    block.Add(*value);
            }
        }
        Pixel(x, y) = ShadeOf(block, inside);
    }
}

void TTriangleRenderer::FillSummaries(double cellsPerPixel, QPoint offset) const
{
    // The coarsest summaries no larger than a pixel: a pixel then spans one
    // to three of them each way, and their merge is about its block's mean.
    std::size_t level = 0;
    while (level + 1 < grid_.SummaryLevels() &&
           double(TTriangleGrid::SummaryBlock << (level + 1)) <= cellsPerPixel)
        ++level;
    const double block = double(TTriangleGrid::SummaryBlock << level);
    const auto rows = static_cast<std::int64_t>(grid_.SummaryRows(level));
    const auto columns = static_cast<std::int64_t>(grid_.SummaryColumns(level));
    // Each pixel column's first and end summary column, worked out once.
    const auto width = static_cast<std::size_t>(image_.width());
    std::vector<std::int64_t> first(width), end(width), centre(width);
    for (std::size_t x = 0; x < width; ++x) {
        const double left = (offset.x() + static_cast<double>(x)) * cellsPerPixel;
        first[x] = static_cast<std::int64_t>(left / block);
        end[x] =
            std::min(columns, static_cast<std::int64_t>(std::ceil((left + cellsPerPixel) / block)));
        centre[x] = static_cast<std::int64_t>(left + cellsPerPixel / 2);
    }
    for (int y = 0; y < image_.height(); ++y) {
        const double top = (offset.y() + y) * cellsPerPixel;
        const auto firstRow = static_cast<std::int64_t>(top / block);
        const auto endRow =
            std::min(rows, static_cast<std::int64_t>(std::ceil((top + cellsPerPixel) / block)));
        const auto middleLine = static_cast<std::size_t>(top + cellsPerPixel / 2);
        for (std::size_t x = 0; x < width; ++x) {
            std::int64_t sum = 0;
            std::uint64_t count = 0;
            for (std::int64_t r = firstRow; r < endRow; ++r)
                for (std::int64_t c = first[x]; c < end[x]; ++c) {
                    const TCellBlock& summary = grid_.Summary(level, static_cast<std::size_t>(r),
                                                              static_cast<std::size_t>(c));
                    sum += summary.sum;
                    count += summary.count;
                }
            const bool inside = grid_.HasCell(middleLine, static_cast<std::size_t>(centre[x]));
            Pixel(static_cast<int>(x), y) = ShadeOfMean(sum, count, inside);
        }
    }
}

QRgb TTriangleRenderer::ShadeOf(const TCellBlock& block, bool inside) const
{
    return ShadeOfMean(block.sum, block.count, inside);
}

QRgb TTriangleRenderer::ShadeOfMean(std::int64_t sum, std::uint64_t count, bool inside) const
{
    if (!inside)
        return outside_;
    if (count == 0)
        return blank_;
    return scale_.Of(static_cast<double>(sum) / static_cast<double>(count));
}

} // namespace quorva
