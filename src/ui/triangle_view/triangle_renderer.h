#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <utility>
#include <vector>

#include "triangle/triangle_grid.h"
#include "ui/triangle_view/colour_scale.h"
#include "ui/triangle_view/column_window.h"

class QPainter;
class QPalette;

namespace quorva {

// The colours of what is no value: blank cells, the outside of the triangle
// and the stripes of cells not built yet. The value colours stay the same in
// every theme; these follow it.
struct TViewColours {
    QColor blank{0xff, 0xff, 0xff};
    QColor outside{0xd8, 0xd8, 0xd8};
    QColor notYet{0xc4, 0xc4, 0xc4};

    // Blank cells on the palette's base, the outside a step darker than it
    // (lighter on a dark base), the stripes a step further still.
    static TViewColours From(const QPalette& palette);
};

// Paints the part of a triangle that a viewport shows, reading only the cells
// it shows (or, from SummaryCellsPerPixel cells a pixel out, the grid's block
// summaries of about a pixel's size), so a frame costs the same at any size
// of triangle and any zoom.
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
// once they are large enough to see one by one. Zoomed out further, a pixel
// shows the mean of the summary blocks it touches, or, where the scale says
// so, their share of zero cells, on a scale that gives each share a part in
// proportion to the blocks that have it (histogram-equalised), so that the
// shares common in view still look apart.
//
// While the grid is still being filled, whatever is not ready yet shows as
// grey stripes, never as a value: a pixel shows its final shade or none.
class TTriangleRenderer {
public:
    // From this cell size on each cell shows its number; below it, the
    // triangle is a map of colours.
    static constexpr double NumberCellSize = 22;
    // From this many device pixels a cell on, blank cells show as blank.
    static constexpr double SeparateCellSize = 4;
    // From this many cells a device pixel on, the map is drawn from the
    // grid's summaries rather than from the cells.
    static constexpr double SummaryCellsPerPixel = 4;

    explicit TTriangleRenderer(const TTriangleGrid& grid, const TViewColours& colours = {});

    const TColourScale& Scale() const { return scale_; }
    // The scale and the legend's caption for what a pixel shows at
    // `cellSize` device pixels a cell, as the last frame painted it.
    const TColourScale& LegendScale(double cellSize) const;
    QString LegendCaption(double cellSize) const;
    void SetScale(TColourScale scale);
    void Paint(QPainter& painter, const QSize& viewport, double cellSize, QPoint offset,
               double pixelRatio = 1) const;

    const TViewColours& Colours() const { return colours_; }

private:
    void PaintNumbers(QPainter& painter, const QSize& viewport, double cellSize,
                      QPoint offset) const;
    const QImage& MapImage(const QSize& device, double cellSize, QPointF offset) const;
    void FillCellColumn(int x, std::int64_t j, const std::vector<std::int64_t>& lines,
                        bool blanksShown) const;
    void FillMeans(double cellSize, QPointF offset) const;
    void AddColumn(std::size_t j, std::size_t firstLine, std::size_t endLine,
                   const std::vector<int>& rowOf, std::size_t topLine) const;
    void FillSummaries(double cellsPerPixel, QPointF offset) const;
    // Whether column j's cells and those to its right that a blank's shade
    // takes are ready.
    bool ReadyFor(std::int64_t j) const;
    QRgb ShadeOfBlank(std::int64_t k, std::int64_t j) const;
    // The same, the columns it reads first read on lines [firstLine, endLine).
    QRgb ShadeOfBlankIn(std::int64_t k, std::int64_t j, std::int64_t firstLine,
                        std::int64_t endLine) const;
    QRgb ShadeOfMean(std::int64_t sum, std::uint64_t count) const
    {
        return count <= MeanCounts && !meanShades_.empty()
                   ? meanShades_[(count - 1) * MeanSums + static_cast<std::size_t>(sum)]
                   : scale_.Of(static_cast<double>(sum) / static_cast<double>(count));
    }
    QRgb ShadeOf(std::int32_t value) const
    {
        return valueShades_.empty() ? scale_.Of(value)
                                    : valueShades_[static_cast<std::size_t>(value)];
    }
    // The stripes of what is not ready yet.
    QRgb NotYet(int x, int y) const { return (x + y) / 4 % 2 ? notYet_ : outside_; }
    QRgb& Pixel(int x, int y) const
    {
        return reinterpret_cast<QRgb*>(pixels_ + y * bytesPerLine_)[x];
    }
    QRgb ShadeOfMean(std::int64_t sum, std::uint64_t count, bool inside) const;
    bool ShowsShares(double cellSize) const
    {
        // The zeros are kept from the summaries' second level on.
        return scale_.ShowsZeroShares() && 1 / cellSize >= SummaryCellsPerPixel &&
               grid_.Summaries().Levels() > 1;
    }
    // Sets the scale of zero shares from the ready blocks of a summary level.
    void ScaleShares(std::size_t level) const;

    const TTriangleGrid& grid_;
    TColourScale scale_;
    TViewColours colours_;
    QRgb outside_;
    QRgb blank_;
    QRgb notYet_;
    // The shade of each value 0 to 255 of a grid of one-byte cells, and of
    // each mean of up to MeanCounts such values, by count - 1 and sum: as
    // many as a blank's neighbours, or a pixel's cells while cells are read.
    static constexpr std::size_t MeanCounts = 8;
    static constexpr std::size_t MeanSums = MeanCounts * 255 + 1;
    std::vector<QRgb> valueShades_;
    std::vector<QRgb> meanShades_;
    // Columns ready when the frame began.
    mutable std::size_t ready_ = 0;
    // The map of the last frame, kept so that a frame allocates nothing.
    mutable QImage image_;
    mutable uchar* pixels_ = nullptr;
    mutable qsizetype bytesPerLine_ = 0;
    // The column the means read last, from which they work out the next.
    mutable TTriangleGrid::TCursor cursor_;
    // The cells a pixel column of a picture of a pixel or more a cell reads.
    mutable TColumnWindow window_;
    // One pixel column's sums and counts while the means are worked out.
    mutable std::vector<std::int64_t> sums_;
    mutable std::vector<std::uint64_t> counts_;
    mutable std::vector<std::uint64_t> zeros_;
    // The scale of zero shares, in per cent, and the level and ready
    // columns it was made for.
    mutable TColourScale shareScale_{0, 100, {}, TColourScale::TKind::Linear};
    mutable std::size_t shareLevel_ = SIZE_MAX;
    mutable std::size_t shareReady_ = 0;
};

} // namespace quorva
