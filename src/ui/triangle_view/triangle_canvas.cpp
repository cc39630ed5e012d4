#include "ui/triangle_view/triangle_canvas.h"

#include "triangle/diff_triangle.h"
#include "ui/triangle_view/view_input.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace quorva {
namespace {

const QColor FocusColour(0xd0, 0x10, 0x10);
const QColor ParentColour(0xff, 0x8c, 0x00);
const QColor SelectionColour(0x30, 0x70, 0xff);

// Outlines narrower than this would vanish on a zoomed-out map.
constexpr double MinOutline = 7;

static_assert(TTriangleLayout::ReadableCellSize >= TTriangleRenderer::NumberCellSize,
              "readable cells show their numbers");

} // namespace

TTriangleCanvas::TTriangleCanvas(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleDescription(QStringLiteral("Triangle cells"));
}

void TTriangleCanvas::SetGrid(std::shared_ptr<const TTriangleGrid> grid, bool keepPlace)
{
    const TTriangleLayout before = layout_;
    const TCellPosition focus = focus_;
    const TCellPosition anchor = anchor_;
    renderer_.reset();
    grid_ = std::move(grid);
    pointed_.reset();
    viewport()->update();
    if (!grid_)
        return;
    NewRenderer();
    layout_.SetExtent(grid_->LineCount(), grid_->ColumnCount());
    layout_.SetViewport(viewport()->size());
    if (!keepPlace || before.Fitted()) {
        Fit();
    } else {
        layout_.ZoomTo(before.CellSize(), QPointF(0, 0));
        layout_.SetOffset(before.Offset());
        SyncScrollBars();
    }
    if (!keepPlace) {
        SetFocusedCell({0, 0});
        return;
    }
    // Where the cells still exist, the same ones; else the nearest.
    anchor_ =
        Clamped(static_cast<std::int64_t>(anchor.line), static_cast<std::int64_t>(anchor.column));
    focus_ =
        Clamped(static_cast<std::int64_t>(focus.line), static_cast<std::int64_t>(focus.column));
    setAccessibleName(CellAccessibleText(*grid_, focus_));
    PointAt(focus_);
}

void TTriangleCanvas::NewRenderer()
{
    renderer_ = std::make_unique<TTriangleRenderer>(*grid_, TViewColours::From(palette()));
    renderer_->SetScale(TColourScale(*grid_, scaleKind_));
}

void TTriangleCanvas::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    // A theme changed while the view is open.
    if (event->type() == QEvent::PaletteChange && grid_) {
        NewRenderer();
        viewport()->update();
    }
}

double TTriangleCanvas::FitCellSize() const
{
    return layout_.FitCellSize();
}

double TTriangleCanvas::MinCellSize() const
{
    return layout_.MinCellSize();
}

void TTriangleCanvas::Fit()
{
    layout_.Fit();
    SyncScrollBars();
}

void TTriangleCanvas::ZoomBy(double factor, QPointF anchor)
{
    layout_.ZoomBy(factor, anchor);
    SyncScrollBars();
}

void TTriangleCanvas::ZoomBy(double factor)
{
    layout_.ZoomAround(factor, focus_.line, focus_.column);
    SyncScrollBars();
}

void TTriangleCanvas::ZoomIn()
{
    ZoomBy(layout_.NextZoom(true) / layout_.CellSize());
}

void TTriangleCanvas::ZoomOut()
{
    ZoomBy(layout_.NextZoom(false) / layout_.CellSize());
}

void TTriangleCanvas::ShowReadable()
{
    layout_.ZoomAroundTo(TTriangleLayout::ReadableCellSize, focus_.line, focus_.column);
    SyncScrollBars();
}

void TTriangleCanvas::SetCellSize(double size, QPointF anchor)
{
    layout_.ZoomTo(size, anchor);
    SyncScrollBars();
}

void TTriangleCanvas::SyncScrollBars()
{
    const QPoint most = layout_.MaxOffset();
    const QPoint offset = layout_.Offset();
    const QSize view = viewport()->size();
    const int step = std::max(1, static_cast<int>(layout_.CellSize()));
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, most.x());
    h->setPageStep(view.width());
    h->setSingleStep(step);
    v->setRange(0, most.y());
    v->setPageStep(view.height());
    v->setSingleStep(step);
    h->setValue(offset.x());
    v->setValue(offset.y());
    viewport()->update();
}

void TTriangleCanvas::scrollContentsBy(int, int)
{
    // The scroll bars moved, by the user or by SyncScrollBars().
    layout_.SetOffset({horizontalScrollBar()->value(), verticalScrollBar()->value()});
    viewport()->update();
}

std::optional<TCellPosition> TTriangleCanvas::CellAt(QPointF point) const
{
    if (!grid_)
        return std::nullopt;
    const QPoint at = layout_.CellAt(point);
    if (at.x() < 0 || at.y() < 0)
        return std::nullopt;
    const TCellPosition cell{static_cast<std::size_t>(at.y()), static_cast<std::size_t>(at.x())};
    if (!grid_->HasCell(cell.line, cell.column))
        return std::nullopt;
    return cell;
}

QRectF TTriangleCanvas::CellRect(TCellPosition cell) const
{
    return layout_.CellRect(cell.line, cell.column);
}

TCellPosition TTriangleCanvas::Clamped(std::int64_t line, std::int64_t column) const
{
    const auto lines = static_cast<std::int64_t>(grid_->LineCount());
    const auto k = static_cast<std::size_t>(std::clamp<std::int64_t>(line, 0, lines - 1));
    const auto length = static_cast<std::int64_t>(TriangleRowLength(k, grid_->LineCount()));
    return {k, static_cast<std::size_t>(std::clamp<std::int64_t>(column, 0, length - 1))};
}

void TTriangleCanvas::SetFocusedCell(TCellPosition cell, bool extend)
{
    if (!grid_)
        return;
    focus_ = Clamped(static_cast<std::int64_t>(cell.line), static_cast<std::int64_t>(cell.column));
    if (!extend)
        anchor_ = focus_;
    ScrollTo(CellRect(focus_));
    // Setting the name tells screen readers, through the accessibility
    // bridge, that the focused cell has changed; the table's cell has the
    // focus too.
    setAccessibleName(CellAccessibleText(*grid_, focus_));
    AnnounceFocus();
    PointAt(focus_);
}

void TTriangleCanvas::AnnounceFocus()
{
    if (!QAccessible::isActive() || !hasFocus())
        return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
    if (!table || !table->tableInterface())
        return;
    if (QAccessibleInterface* cell = table->tableInterface()->cellAt(
            static_cast<int>(focus_.line), static_cast<int>(focus_.column))) {
        QAccessibleEvent event(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void TTriangleCanvas::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    // Space may have been let go while another window had the keys.
    spaceHeld_ = false;
    // The canvas announces its own focus after this handler; the focused
    // cell is announced after that, so that it is what the reader says.
    QMetaObject::invokeMethod(this, &TTriangleCanvas::AnnounceFocus, Qt::QueuedConnection);
}

void TTriangleCanvas::ScrollTo(const QRectF& rect)
{
    layout_.Reveal(rect);
    SyncScrollBars();
}

void TTriangleCanvas::PointAt(TCellPosition cell)
{
    pointed_ = cell;
    viewport()->update();
    emit CellPointed(cell);
}

TCellRect TTriangleCanvas::Selection() const
{
    return {std::min(focus_.line, anchor_.line), std::min(focus_.column, anchor_.column),
            std::max(focus_.line, anchor_.line) + 1, std::max(focus_.column, anchor_.column) + 1};
}

QImage TTriangleCanvas::ViewImage()
{
    return viewport()->grab().toImage();
}

QImage TTriangleCanvas::WholeImage() const
{
    if (!renderer_)
        return {};
    const auto lines = static_cast<double>(grid_->LineCount());
    const auto columns = static_cast<double>(grid_->ColumnCount());
    const double size = std::min(TTriangleLayout::ReadableCellSize,
                                 WholeImageSide / std::max({lines, columns, 1.0}));
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(columns * size))),
                       std::max(1, static_cast<int>(std::ceil(lines * size))));
    QImage image(pixels, QImage::Format_RGB32);
    QPainter painter(&image);
    renderer_->Paint(painter, pixels, size, QPoint(0, 0));
    return image;
}

void TTriangleCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!renderer_) {
        painter.fillRect(viewport()->rect(), TViewColours::From(palette()).outside);
        return;
    }
    renderer_->Paint(painter, viewport()->size(), layout_.CellSize(), Offset(),
                     viewport()->devicePixelRatioF());
    PaintHighlights(painter);
    PaintLegend(painter);
}

void TTriangleCanvas::PaintHighlights(QPainter& painter) const
{
    const TCellRect selection = Selection();
    if (selection.endLine - selection.firstLine > 1 ||
        selection.endColumn - selection.firstColumn > 1) {
        const QRectF area = CellRect({selection.firstLine, selection.firstColumn})
                                .united(CellRect({selection.endLine - 1, selection.endColumn - 1}));
        QColor fill = SelectionColour;
        fill.setAlpha(60);
        painter.fillRect(area, fill);
        painter.setPen(QPen(SelectionColour, 1));
        painter.drawRect(area);
    }
    // A blank cell was computed from nothing; a cell not ready yet is
    // outlined once it is.
    if (pointed_ && pointed_->column < grid_->ReadyColumns() &&
        grid_->Cell(pointed_->line, pointed_->column))
        if (const auto parents = TTriangleGrid::ParentLines(pointed_->line, pointed_->column)) {
            OutlineCell(painter, {parents->first, pointed_->column - 1}, ParentColour, 2);
            OutlineCell(painter, {parents->second, pointed_->column - 1}, ParentColour, 2);
        }
    OutlineCell(painter, focus_, FocusColour, 2);
}

void TTriangleCanvas::OutlineCell(QPainter& painter, TCellPosition cell, const QColor& colour,
                                  int width) const
{
    QRectF rect = CellRect(cell);
    if (rect.width() < MinOutline)
        rect = QRectF(rect.center() - QPointF(MinOutline / 2, MinOutline / 2),
                      QSizeF(MinOutline, MinOutline));
    painter.setPen(QPen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
}

QRect TTriangleCanvas::LegendRect() const
{
    // In the bottom-right corner, at one size whatever the zoom; left out
    // where it would cover more than a corner: most of a narrow view's width
    // may be a corner still, not half its height.
    const QSize size = TColourScale::LegendSize();
    const QSize view = viewport()->size();
    if (size.width() > view.width() * 3 / 4 || size.height() > view.height() / 2)
        return {};
    return {QPoint(view.width() - size.width() - 8, view.height() - size.height() - 8), size};
}

void TTriangleCanvas::PaintLegend(QPainter& painter) const
{
    const QRect area = LegendRect();
    if (area.isEmpty())
        return;
    const double deviceCellSize = CellSize() * viewport()->devicePixelRatioF();
    renderer_->LegendScale(deviceCellSize)
        .PaintLegend(painter, area, renderer_->LegendCaption(deviceCellSize), palette(),
                     renderer_->Colours().blank, renderer_->Colours().outside);
}

void TTriangleCanvas::ShowRefined()
{
    SetScaleKind(scaleKind_);
    // The focused cell read out as not yet computed is read out anew once
    // it is.
    if (grid_) {
        const QString name = CellAccessibleText(*grid_, focus_);
        if (name != accessibleName()) {
            setAccessibleName(name);
            AnnounceFocus();
        }
    }
}

void TTriangleCanvas::SetScaleKind(TColourScale::TKind kind)
{
    scaleKind_ = kind;
    if (renderer_)
        renderer_->SetScale(TColourScale(*grid_, kind));
    viewport()->update();
}

void TTriangleCanvas::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layout_.SetViewport(viewport()->size());
    SyncScrollBars();
}

void TTriangleCanvas::wheelEvent(QWheelEvent* event)
{
    const auto factor =
        TWheelController::ZoomFactor(event->modifiers(), event->angleDelta(), ZoomStep);
    if (!factor || !grid_) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    ZoomBy(*factor, event->position());
    event->accept();
}

bool TTriangleCanvas::Pans(const QMouseEvent& event) const
{
    return event.button() == Qt::MiddleButton || (event.button() == Qt::LeftButton && spaceHeld_);
}

void TTriangleCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (panStart_) {
        const QPointF moved = event->position() - panStart_->first;
        layout_.SetOffset(panStart_->second - moved.toPoint());
        SyncScrollBars();
        return;
    }
    const auto cell = CellAt(event->position());
    if (!cell)
        return;
    if (event->buttons() & Qt::LeftButton)
        SetFocusedCell(*cell, true);
    else if (cell != pointed_)
        PointAt(*cell);
}

void TTriangleCanvas::mousePressEvent(QMouseEvent* event)
{
    if (grid_ && Pans(*event)) {
        panStart_.emplace(event->position(), Offset());
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    if (const auto cell = CellAt(event->position()))
        SetFocusedCell(*cell, event->modifiers() & Qt::ShiftModifier);
}

void TTriangleCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (!panStart_)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    panStart_.reset();
    viewport()->setCursor(spaceHeld_ ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void TTriangleCanvas::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        spaceHeld_ = false;
        if (!panStart_)
            viewport()->unsetCursor();
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void TTriangleCanvas::leaveEvent(QEvent* event)
{
    QAbstractScrollArea::leaveEvent(event);
    if (grid_)
        PointAt(focus_);
}

void TTriangleCanvas::keyPressEvent(QKeyEvent* event)
{
    if (grid_ && event->matches(QKeySequence::Copy)) {
        emit CopyRequested();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        spaceHeld_ = true;
        viewport()->setCursor(Qt::OpenHandCursor);
        return;
    }
    if (grid_ && Apply(TKeyController::Read(
                     event->key(), event->modifiers(), static_cast<std::int64_t>(focus_.line),
                     static_cast<std::int64_t>(focus_.column),
                     std::max<std::int64_t>(1, std::llround(viewport()->height() / CellSize()) - 1),
                     static_cast<std::int64_t>(grid_->LineCount()) - 1)))
        return;
    QAbstractScrollArea::keyPressEvent(event);
}

bool TTriangleCanvas::Apply(const TKeyAction& action)
{
    switch (action.kind) {
    case TKeyAction::TKind::ZoomIn:
        ZoomIn();
        return true;
    case TKeyAction::TKind::ZoomOut:
        ZoomOut();
        return true;
    case TKeyAction::TKind::Fit:
        Fit();
        return true;
    case TKeyAction::TKind::Readable:
        ShowReadable();
        return true;
    case TKeyAction::TKind::Move:
        SetFocusedCell(Clamped(action.line, action.column), action.extend);
        return true;
    case TKeyAction::TKind::None:
        return false;
    }
    return false;
}

} // namespace quorva
