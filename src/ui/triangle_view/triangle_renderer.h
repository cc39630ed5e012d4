#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <utility>
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
//
// The map is drawn in the device's own pixels. While cells are too small to
// tell apart, it shows values only: half the cells are blank in a pattern
// that says nothing about the data. A pixel then shows the mean of the
// non-blank cells whose centres it holds, and a pixel that holds only blank
// cells the mean of their non-blank neighbours; blank cells show as blank
// once they are large enough to see one by one.
class TTriangleRenderer {
public:
    // From this cell size on each cell shows its number; below it, the
    // triangle is a map of colours.
    static constexpr double NumberCellSize = 22;
    // From this many device pixels a cell on, blank cells show as blank.
    static constexpr double SeparateCellSize = 4;

    explicit TTriangleRenderer(const TTriangleGrid& grid);

    const TColourScale& Scale() const { return scale_; }
    void SetScale(TColourScale scale) { scale_ = std::move(scale); }
    void Paint(QPainter& painter, const QSize& viewport, double cellSize, QPoint offset,
               double pixelRatio = 1) const;

    static QColor Outside() { return {0xd8, 0xd8, 0xd8}; }
    static QColor BlankCellColour() { return Qt::white; }

private:
    void PaintNumbers(QPainter& painter, const QSize& viewport, double cellSize,
                      QPoint offset) const;
    const QImage& MapImage(const QSize& device, double cellSize, QPointF offset) const;
    void FillCellColumn(int x, std::int64_t j, const std::vector<std::int64_t>& lines,
                        bool blanksShown) const;
    void FillMeans(double cellSize, QPointF offset) const;
    template <class Value>
    void AddColumn(const Value* values, std::size_t j, std::size_t firstLine, std::size_t endLine,
                   const std::vector<int>& rowOf, std::size_t topLine) const;
    void FillSummaries(double cellsPerPixel, QPointF offset) const;
    QRgb ShadeOfBlank(std::size_t k, std::size_t j) const;
    QRgb& Pixel(int x, int y) const
    {
        return reinterpret_cast<QRgb*>(pixels_ + y * bytesPerLine_)[x];
    }
    QRgb ShadeOfMean(std::int64_t sum, std::uint64_t count, bool inside) const;

    const TTriangleGrid& grid_;
    TColourScale scale_;
    QRgb outside_;
    QRgb blank_;
    // The map of the last frame, kept so that a frame allocates nothing.
    mutable QImage image_;
    mutable uchar* pixels_ = nullptr;
    mutable qsizetype bytesPerLine_ = 0;
    // One pixel column's sums and counts while the means are worked out.
    mutable std::vector<std::int64_t> sums_;
    mutable std::vector<std::uint64_t> counts_;
};

} // namespace quorva
