#include "ui/triangle_view/view_placement.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>

#include "ui/base/dialog_placement.h"

namespace quorva {
namespace {

// Room left between the view and the window beside it.
constexpr int PlacementGap = 8;
// Narrower than this the legend would not fit; where the room beside the
// main window is narrower still, the view covers some of it.
constexpr int LeastViewWidth = 420;
// A cascaded view's offset where the frame tells no title bar's height.
constexpr int LeastCascadeStep = 24;
// How long a placed view waits for its window manager's frame.
constexpr std::chrono::seconds FrameWait{3};

// The frame beside `beside`, on its right else on its left, as wide as the
// room there up to half the work area's width; null when `roomy` and there
// is not LeastViewWidth of room either side.
QRect Beside(const QRect& available, const QRect& beside, bool roomy)
{
    // A triangle is twice as tall as it is wide: the view takes the work
    // area's whole height.
    const int right = available.right() - beside.right() - PlacementGap;
    const int left = beside.left() - available.left() - PlacementGap;
    if (roomy && right < LeastViewWidth && left < LeastViewWidth)
        return {};
    const bool onRight = right >= LeastViewWidth || right >= left;
    const int widest = std::max(LeastViewWidth, available.width() / 2);
    const QSize size =
        QSize(std::clamp(onRight ? right : left, LeastViewWidth, widest), available.height())
            .boundedTo(available.size());
    const QPoint designed(onRight ? beside.right() + 1 + PlacementGap
                                  : beside.left() - PlacementGap - size.width(),
                          available.top());
    return {PositionWithin(available, size, designed), size};
}

// The last view's frame moved right and down by a title bar, shortened to
// stay on the work area; back at the work area's top left once it would
// leave too little of itself.
QRect Cascaded(const QRect& available, const QRect& last, int step)
{
    QRect next = last.translated(step, step);
    next.setBottom(std::min(next.bottom(), available.bottom()));
    if (next.right() > available.right() || next.height() < available.height() / 2)
        next = QRect(available.topLeft() + QPoint(step, step), last.size()).intersected(available);
    return {PositionWithin(available, next.size(), next.topLeft()), next.size()};
}

// Places a view anew once its own frame is known, then goes.
class TFrameWatch : public QObject {
public:
    TFrameWatch(QWidget& window, const TViewPlacement& placement)
        : QObject(&window), window_(window), placement_(placement)
    {
        window.installEventFilter(this);
        QTimer::singleShot(FrameWait, this, &QObject::deleteLater);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Move && event->type() != QEvent::Resize)
            return false;
        const QMargins frame = FrameMargins(window_, nullptr);
        if (frame.isNull() || frame == placement_.frame)
            return false;
        placement_.frame = frame;
        window_.setGeometry(placement_.Client());
        deleteLater();
        return false;
    }

private:
    QWidget& window_;
    TViewPlacement placement_;
};

} // namespace

void PlaceView(QWidget& window, const TViewPlacement& placement)
{
    window.setGeometry(placement.Client());
    new TFrameWatch(window, placement);
}

QRect TViewPlacement::Client() const
{
    QRect placed;
    if (views.isEmpty()) {
        placed = Beside(available, owner, false);
    } else {
        QRect taken = owner;
        for (const QRect& view : views)
            taken = taken.united(view);
        placed = Beside(available, taken, true);
        if (placed.isNull())
            placed = Cascaded(available, views.last(), std::max(LeastCascadeStep, frame.top()));
    }
    return placed.marginsRemoved(frame);
}

QMargins FrameMargins(const QWidget& window, const QWidget* framed)
{
    auto margins = [](const QWidget& shown) {
        const QRect outer = shown.frameGeometry();
        const QRect inner = shown.geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    };
    const QMargins own = window.isVisible() ? margins(window) : QMargins();
    if (!own.isNull() || !framed || !framed->isVisible())
        return own;
    return margins(*framed);
}

} // namespace quorva
