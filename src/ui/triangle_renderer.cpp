#include "ui/triangle_renderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

// Cells read for one pixel along each axis when a pixel covers fewer cells
// than a block summary: enough to average out the blank half and noise,
// few enough to keep a frame short.
constexpr int MaxSamples = 3;

TColourScale ScaleOf(const TTriangleGrid& grid)
{
    const TCellBlock& whole = grid.Whole();
    return whole.Empty() ? TColourScale(0, 0) : TColourScale(whole.min, whole.max);
}

std::int64_t CellIndex(double pixel, double cellSize)
{
    return static_cast<std::int64_t>(std::floor(pixel / cellSize));
}

} // namespace

TTriangleRenderer::TTriangleRenderer(const TTriangleGrid& grid) : grid_(grid), scale_(ScaleOf(grid))
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

QImage TTriangleRenderer::MapImage(const QSize& viewport, double cellSize, QPoint offset) const
{
    QImage image(viewport, QImage::Format_RGB32);
    const QRgb outside = Outside().rgb();
    if (cellSize >= 1) {
        // Each pixel shows the one cell under it; the line of every pixel
        // row is worked out once.
        std::vector<std::int64_t> lines(static_cast<std::size_t>(viewport.height()));
        for (int y = 0; y < viewport.height(); ++y)
            lines[static_cast<std::size_t>(y)] = CellIndex(offset.y() + y, cellSize);
        for (int x = 0; x < viewport.width(); ++x)
            FillCellColumn(image, x, CellIndex(offset.x() + x, cellSize), lines, outside);
        return image;
    }
    const double cellsPerPixel = 1 / cellSize;
    for (int x = 0; x < viewport.width(); ++x) {
        const double left = (offset.x() + x) * cellsPerPixel;
        const double top = offset.y() * cellsPerPixel;
        if (cellsPerPixel < TTriangleGrid::SummaryBlock)
            FillSampledColumn(image, x, cellsPerPixel, top, left, outside);
        else
            FillSummaryColumn(image, x, cellsPerPixel, top, left, outside);
    }
    return image;
}

void TTriangleRenderer::FillCellColumn(QImage& image, int x, std::int64_t j,
                                       const std::vector<std::int64_t>& lines, QRgb outside) const
{
    const QRgb blank = BlankCell().rgb();
    for (int y = 0; y < image.height(); ++y) {
        const std::int64_t k = lines[static_cast<std::size_t>(y)];
        QRgb shade = outside;
        if (k >= 0 && j >= 0 &&
            grid_.HasCell(static_cast<std::size_t>(k), static_cast<std::size_t>(j))) {
            const auto value = grid_.Cell(static_cast<std::size_t>(k), static_cast<std::size_t>(j));
            shade = value ? scale_.Of(*value) : blank;
        }
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = shade;
    }
}

void TTriangleRenderer::FillSampledColumn(QImage& image, int x, double cellsPerPixel, double top,
                                          double left, QRgb outside) const
{
    // A few cells evenly spread over the pixel's block. Where they are all
    // the cells of the block, the mean is exact; where they are spread out,
    // a sample that falls on a blank cell takes the cell below it, lest the
    // samples all land on the blank half.
    const int samples = std::min(MaxSamples, static_cast<int>(std::ceil(cellsPerPixel)));
    const double step = cellsPerPixel / samples;
    std::int64_t columns[MaxSamples];
    for (int a = 0; a < samples; ++a)
        columns[a] = static_cast<std::int64_t>(left + (a + 0.5) * step);
    for (int y = 0; y < image.height(); ++y) {
        const double pixelTop = top + y * cellsPerPixel;
        TCellBlock block;
        bool inside = false;
        for (int b = 0; b < samples; ++b) {
            const auto k = static_cast<std::size_t>(pixelTop + (b + 0.5) * step);
            for (int a = 0; a < samples; ++a) {
                const auto j = static_cast<std::size_t>(columns[a]);
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
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = ShadeOf(block, inside, outside);
    }
}

void TTriangleRenderer::FillSummaryColumn(QImage& image, int x, double cellsPerPixel, double top,
                                          double left, QRgb outside) const
{
    // The coarsest summaries no larger than a pixel: a pixel then spans one
    // or two of them each way, and their merge is its block's mean.
    std::size_t level = 0;
    while (level + 1 < grid_.SummaryLevels() &&
           double(TTriangleGrid::SummaryBlock << (level + 1)) <= cellsPerPixel)
        ++level;
    const double block = double(TTriangleGrid::SummaryBlock << level);
    const auto rows = static_cast<std::int64_t>(grid_.SummaryRows(level));
    const auto columns = static_cast<std::int64_t>(grid_.SummaryColumns(level));
    const auto firstColumn = static_cast<std::int64_t>(left / block);
    const auto endColumn =
        std::min(columns, static_cast<std::int64_t>(std::ceil((left + cellsPerPixel) / block)));
    for (int y = 0; y < image.height(); ++y) {
        const double pixelTop = top + y * cellsPerPixel;
        const auto firstRow = static_cast<std::int64_t>(pixelTop / block);
        const auto endRow = std::min(
            rows, static_cast<std::int64_t>(std::ceil((pixelTop + cellsPerPixel) / block)));
        TCellBlock merged;
        for (std::int64_t r = firstRow; r < endRow; ++r)
            for (std::int64_t c = firstColumn; c < endColumn; ++c)
                merged.Merge(
                    grid_.Summary(level, static_cast<std::size_t>(r), static_cast<std::size_t>(c)));
        const bool inside = grid_.HasCell(static_cast<std::size_t>(pixelTop + cellsPerPixel / 2),
                                          static_cast<std::size_t>(left + cellsPerPixel / 2));
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = ShadeOf(merged, inside, outside);
    }
}

QRgb TTriangleRenderer::ShadeOf(const TCellBlock& block, bool inside, QRgb outside) const
{
    if (!inside)
        return outside;
    return block.Empty() ? BlankCell().rgb() : scale_.Of(block.Mean());
}

} // namespace quorva
