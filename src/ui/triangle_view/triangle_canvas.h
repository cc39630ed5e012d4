#pragma once

#include <QAbstractScrollArea>

#include <memory>
#include <optional>

#include "triangle/triangle_grid.h"
#include "ui/triangle_view/cell_text.h"
#include "ui/triangle_view/triangle_layout.h"
#include "ui/triangle_view/triangle_renderer.h"

namespace quorva {

struct TKeyAction;

// The triangle, zoomable from readable numbers down to a map in which a pixel
// averages a block of cells. It paints only what the viewport shows, straight
// from the grid. One cell has the keyboard focus; with Shift the focus
// stretches a selected rectangle from where it was. Screen readers see it as
// a table once InstallTriangleAccessibility has run.
class TTriangleCanvas : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr double MaxCellSize = TTriangleLayout::MaxCellSize;
    static constexpr double ZoomStep = TTriangleLayout::ZoomStep;

    explicit TTriangleCanvas(QWidget* parent = nullptr);

    // Shows a new grid, fitted to the viewport, with the focus on its first
    // cell; or, keeping the place, at the zoom, scroll position, focus and
    // selection of the grid before, as far as the new one has those cells.
    void SetGrid(std::shared_ptr<const TTriangleGrid> grid, bool keepPlace = false);
    const TTriangleGrid* Grid() const { return grid_.get(); }
    // More of the grid is ready: shows it, on the scale of all that is ready.
    void ShowRefined();

    double CellSize() const { return layout_.CellSize(); }
    const TTriangleLayout& Layout() const { return layout_; }
    // Zooms so that the content point under `anchor` (viewport pixels) stays there.
    void SetCellSize(double size, QPointF anchor);
    void ZoomBy(double factor, QPointF anchor);
    // From the keyboard: around the focused cell, which stays wholly in view
    // when it was in view.
    void ZoomBy(double factor);
    // One press of Zoom in or out, around the focused cell: steps grow with
    // the distance between the layout's stops.
    void ZoomIn();
    void ZoomOut();
    // Cells large enough to read their numbers, around the focused cell.
    void ShowReadable();
    // The whole triangle in the viewport.
    void Fit();
    double FitCellSize() const;
    double MinCellSize() const;

    // The cell under a viewport point, if the point is on the triangle.
    std::optional<TCellPosition> CellAt(QPointF point) const;
    // The cell's rectangle in viewport pixels.
    QRectF CellRect(TCellPosition cell) const;

    TCellPosition FocusedCell() const { return focus_; }
    // Moves the focus there (kept inside the triangle), scrolling it into
    // view; `extend` keeps the selection's other corner where it was.
    void SetFocusedCell(TCellPosition cell, bool extend = false);
    TCellRect Selection() const;

    // How values are shaded; the legend shows it.
    void SetScaleKind(TColourScale::TKind kind);
    TColourScale::TKind ScaleKind() const { return scaleKind_; }
    // Where the legend stands in the viewport; empty when left out.
    QRect LegendRect() const;

    // The viewport as it is painted now.
    QImage ViewImage();
    // The whole triangle, without outlines or legend: numbers readable where
    // it stays within WholeImageSide pixels, smaller cells where not.
    QImage WholeImage() const;
    static constexpr int WholeImageSide = 4096;

signals:
    // The cell whose description the window shows: the one under the
    // pointer, or the focused one.
    void CellPointed(TCellPosition cell);
    // Ctrl+C: the window copies the selection, behind its progress dialog.
    void CopyRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool Apply(const TKeyAction& action);
    // A drag with the middle button, or the left one with Space held, moves
    // the triangle under the pointer.
    bool Pans(const QMouseEvent& event) const;
    void NewRenderer();
    TCellPosition Clamped(std::int64_t line, std::int64_t column) const;
    void SyncScrollBars();
    QPoint Offset() const { return layout_.Offset(); }
    void ScrollTo(const QRectF& rect);
    void PointAt(TCellPosition cell);
    void AnnounceFocus();
    void PaintHighlights(QPainter& painter) const;
    void PaintLegend(QPainter& painter) const;
    void OutlineCell(QPainter& painter, TCellPosition cell, const QColor& colour, int width) const;

    std::shared_ptr<const TTriangleGrid> grid_;
    std::unique_ptr<TTriangleRenderer> renderer_;
    TTriangleLayout layout_;
    TCellPosition focus_;
    TCellPosition anchor_;
    std::optional<TCellPosition> pointed_;
    TColourScale::TKind scaleKind_ = TColourScale::TKind::ZeroShare;
    bool spaceHeld_ = false;
    // Where a pan began: the pointer, and the offset then.
    std::optional<std::pair<QPointF, QPoint>> panStart_;
};

} // namespace quorva
