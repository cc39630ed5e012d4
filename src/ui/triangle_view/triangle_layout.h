#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <cstddef>
#include <cstdint>

namespace quorva {

// Where the triangle's cells stand in the view: `lines` by `columns` cells of
// CellSize() pixels each, of which the viewport shows the part from Offset()
// (whole content pixels) on. Zoom keeps a chosen point in place; the offset
// never leaves the content. No widgets: the canvas mirrors it in its scroll
// bars and paints from it.
class TTriangleLayout {
public:
    static constexpr double MaxCellSize = 64;
    static constexpr double ZoomStep = 1.25;
    // The size at which the numbers in the cells read as the window's text.
    static constexpr double ReadableCellSize = 32;

    void SetExtent(std::size_t lines, std::size_t columns);
    void SetViewport(QSize viewport);

    double CellSize() const { return cellSize_; }
    QPoint Offset() const { return offset_; }
    bool Fitted() const { return fitted_; }
    // The largest offset each way: the content less the viewport.
    QPoint MaxOffset() const;
    void SetOffset(QPoint offset);

    // The whole triangle in the viewport, and the least there is to see.
    double FitCellSize() const;
    double MinCellSize() const;
    void Fit();
    // Zooms so that the content point under `anchor` (viewport pixels) stays
    // there, as near as whole pixels allow; the cell under it stays under it.
    void ZoomTo(double size, QPointF anchor);
    // Zooming past one pixel a cell stops there once: the one zoom at which
    // every cell is exactly one pixel.
    void ZoomBy(double factor, QPointF anchor);
    // Zooms around a cell (the focused one) when it is in view, which then
    // stays wholly in view; else around the viewport's centre.
    void ZoomAround(double factor, std::size_t line, std::size_t column);
    // The same to a cell size, without the stop at one pixel a cell.
    void ZoomAroundTo(double size, std::size_t line, std::size_t column);
    // One press of Zoom in (or out): the cell size of the next press. The
    // sizes that fit the triangle, show a cell a pixel and show readable
    // numbers are stops along the way; from one to the next takes at most
    // StopPresses presses, each at least ZoomStep, so that steps grow with
    // the distance between stops.
    double NextZoom(bool in) const;
    static constexpr int StopPresses = 4;

    // The cell (line, column) under a viewport point; negative when before
    // the content.
    QPoint CellAt(QPointF point) const;
    // The cell's rectangle in viewport pixels.
    QRectF CellRect(std::size_t line, std::size_t column) const;
    bool Shows(const QRectF& rect) const;
    // Scrolls just far enough for `rect` to be wholly in view.
    void Reveal(const QRectF& rect);

private:
    std::size_t lines_ = 0;
    std::size_t columns_ = 0;
    QSize viewport_;
    double cellSize_ = 1;
    QPoint offset_;
    bool fitted_ = true;
};

} // namespace quorva
