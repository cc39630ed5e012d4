#include "ui/triangle_view/triangle_layout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorva {
namespace {

// The whole-pixel offset that puts the content point `cell` (in cells)
// nearest to the viewport pixel `anchor`, without leaving the cell it is in.
int AnchoredOffset(double cell, double anchor, double cellSize)
{
    const double wanted = cell * cellSize - anchor;
    const double cellStart = std::floor(cell) * cellSize - anchor;
    const double first = std::ceil(cellStart);
    const double last = std::ceil(cellStart + cellSize) - 1;
    const double offset = std::round(wanted);
    return static_cast<int>(first <= last ? std::clamp(offset, first, last) : offset);
}

} // namespace

void TTriangleLayout::SetExtent(std::size_t lines, std::size_t columns)
{
    lines_ = lines;
    columns_ = columns;
}

void TTriangleLayout::SetViewport(QSize viewport)
{
    viewport_ = viewport;
    // A fitted view stays fitted as the window changes size.
    if (fitted_) {
        Fit();
        return;
    }
    cellSize_ = std::max(cellSize_, MinCellSize());
    SetOffset(offset_);
}

QPoint TTriangleLayout::MaxOffset() const
{
    const auto width = static_cast<int>(std::ceil(static_cast<double>(columns_) * cellSize_));
    const auto height = static_cast<int>(std::ceil(static_cast<double>(lines_) * cellSize_));
    return {std::max(0, width - viewport_.width()), std::max(0, height - viewport_.height())};
}

void TTriangleLayout::SetOffset(QPoint offset)
{
    const QPoint most = MaxOffset();
    offset_ = {std::clamp(offset.x(), 0, most.x()), std::clamp(offset.y(), 0, most.y())};
}

double TTriangleLayout::FitCellSize() const
{
    if (lines_ == 0 || columns_ == 0)
        return 1;
    const double across = viewport_.width() / static_cast<double>(columns_);
    const double down = viewport_.height() / static_cast<double>(lines_);
    return std::min({across, down, MaxCellSize});
}

double TTriangleLayout::MinCellSize() const
{
    return std::min(FitCellSize(), 1.0);
}

void TTriangleLayout::Fit()
{
    cellSize_ = std::clamp(FitCellSize(), MinCellSize(), MaxCellSize);
    offset_ = {};
    fitted_ = true;
}

void TTriangleLayout::ZoomTo(double size, QPointF anchor)
{
    const QPointF content = (anchor + offset_) / cellSize_;
    cellSize_ = std::clamp(size, MinCellSize(), MaxCellSize);
    fitted_ = false;
    SetOffset({AnchoredOffset(content.x(), anchor.x(), cellSize_),
               AnchoredOffset(content.y(), anchor.y(), cellSize_)});
}

void TTriangleLayout::ZoomBy(double factor, QPointF anchor)
{
    double size = cellSize_ * factor;
    if ((cellSize_ - 1) * (size - 1) < 0)
        size = 1;
    ZoomTo(size, anchor);
}

void TTriangleLayout::ZoomAround(double factor, std::size_t line, std::size_t column)
{
    double size = cellSize_ * factor;
    if ((cellSize_ - 1) * (size - 1) < 0)
        size = 1;
    ZoomAroundTo(size, line, column);
}

void TTriangleLayout::ZoomAroundTo(double size, std::size_t line, std::size_t column)
{
    const QRectF cell = CellRect(line, column);
    const QRectF view(QPointF(0, 0), QSizeF(viewport_));
    const bool shown = view.intersects(cell);
    ZoomTo(size, view.contains(cell.center()) ? cell.center() : view.center());
    if (shown)
        Reveal(CellRect(line, column));
}

double TTriangleLayout::NextZoom(bool in) const
{
    std::vector<double> stops{MinCellSize(), FitCellSize(), 1.0, ReadableCellSize, MaxCellSize};
    std::sort(stops.begin(), stops.end());
    // A hair's tolerance, so that a size that is a stop counts as one.
    constexpr double Tolerance = 1.001;
    const auto after = std::upper_bound(stops.begin(), stops.end(), cellSize_ * Tolerance);
    const auto before = std::lower_bound(stops.begin(), stops.end(), cellSize_ / Tolerance);
    if (in ? after == stops.end() : before == stops.begin())
        return cellSize_;
    // The stops either side of the present size; a stop at it belongs to
    // the way past it.
    const double next = in ? *after : *std::prev(before);
    const double from = in ? (after == stops.begin() ? next : *std::prev(after))
                           : (before == stops.end() ? next : *before);
    const double span = std::max(next, from) / std::min(next, from);
    const double step = std::max(ZoomStep, std::pow(span, 1.0 / StopPresses));
    const double size = in ? cellSize_ * step : cellSize_ / step;
    return in ? std::min(next, size * Tolerance >= next ? next : size)
              : std::max(next, size / Tolerance <= next ? next : size);
}

QPoint TTriangleLayout::CellAt(QPointF point) const
{
    const QPointF content = (point + offset_) / cellSize_;
    return {static_cast<int>(std::floor(content.x())), static_cast<int>(std::floor(content.y()))};
}

QRectF TTriangleLayout::CellRect(std::size_t line, std::size_t column) const
{
    return {static_cast<double>(column) * cellSize_ - offset_.x(),
            static_cast<double>(line) * cellSize_ - offset_.y(), cellSize_, cellSize_};
}

bool TTriangleLayout::Shows(const QRectF& rect) const
{
    return QRectF(QPointF(0, 0), QSizeF(viewport_)).contains(rect);
}

void TTriangleLayout::Reveal(const QRectF& rect)
{
    QPoint offset = offset_;
    const QRectF view(QPointF(0, 0), QSizeF(viewport_));
    if (rect.left() < 0)
        offset.rx() += static_cast<int>(std::floor(rect.left()));
    else if (rect.right() > view.right())
        offset.rx() += static_cast<int>(std::ceil(rect.right() - view.right()));
    if (rect.top() < 0)
        offset.ry() += static_cast<int>(std::floor(rect.top()));
    else if (rect.bottom() > view.bottom())
        offset.ry() += static_cast<int>(std::ceil(rect.bottom() - view.bottom()));
    SetOffset(offset);
}

} // namespace quorva
