#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

#include "triangle/triangle_grid.h"
#include "ui/triangle_view/colour_scale.h"

class QPainter;

namespace quorva {

// Paints the part of a triangle that a viewport shows, reading only the cells
// it shows (or, far zoomed out, the grid's block summaries), so a frame costs
// the same at any size of triangle.
//
// The content is the whole triangle at `cellSize` pixels a cell: line k, column
// j covers [j * cellSize, (j + 1) * cellSize) horizontally and the same with k
// vertically. `offset` is the content pixel at the viewport's top-left corner.
class TTriangleRenderer {
public:
    // From this cell size on each cell shows its number; below it, the
    // triangle is a map of colours.
    static constexpr double NumberCellSize = 22;

    explicit TTriangleRenderer(const TTriangleGrid& grid);

    const TColourScale& Scale() const { return scale_; }
    void Paint(QPainter& painter, const QSize& viewport, double cellSize, QPoint offset) const;

    static QColor Outside() { return {0xd8, 0xd8, 0xd8}; }
    static QColor BlankCell() { return Qt::white; }

private:
    void PaintNumbers(QPainter& painter, const QSize& viewport, double cellSize,
                      QPoint offset) const;
    const QImage& MapImage(const QSize& viewport, double cellSize, QPoint offset) const;
    void FillCellColumn(int x, std::int64_t j, const std::vector<std::int64_t>& lines) const;
    void FillSampledColumn(int x, double cellsPerPixel, double top, double left) const;
    void FillSummaries(double cellsPerPixel, QPoint offset) const;
    QRgb& Pixel(int x, int y) const
    {
        return reinterpret_cast<QRgb*>(pixels_ + y * bytesPerLine_)[x];
    }
    QRgb ShadeOf(const TCellBlock& block, bool inside) const;
    QRgb ShadeOfMean(std::int64_t sum, std::uint64_t count, bool inside) const;

    const TTriangleGrid& grid_;
    TColourScale scale_;
    QRgb outside_;
    QRgb blank_;
    // The map of the last frame, kept so that a frame allocates nothing.
    mutable QImage image_;
    mutable uchar* pixels_ = nullptr;
    mutable qsizetype bytesPerLine_ = 0;
};

} // namespace quorva
