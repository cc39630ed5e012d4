#pragma once

#include <QList>
#include <QMargins>
#include <QRect>

class QWidget;

namespace quorva {

// Where a triangle view goes, worked out from rectangles alone. The window
// manager's frame (title bar and borders) stands around the client area
// that Qt sizes and places, so the frame is what must stay on the work area.
struct TViewPlacement {
    // The screen less panels and docks (_NET_WORKAREA).
    QRect available;
    // What the frame adds around the client area; none without a window
    // manager.
    QMargins frame;
    // The main window's frame.
    QRect owner;
    // The frames of the views already open, the last opened last.
    QList<QRect> views;

    // The view's client area, for QWidget::setGeometry. The first view
    // stands beside the owner, as tall as the work area; a further one beside
    // the views already open where there is room, else offset from the last
    // by a title bar's height, so that every title stays readable. The frame
    // around it always lies within `available` when it fits there.
    QRect Client() const;
    // Client() with its frame around it.
    QRect Frame() const { return Client().marginsAdded(frame); }
};

// Gives the shown `window` the placement's client area; once the window
// manager has framed it, and its frame differs from the one assumed (a
// resizable window may have a grip the main window has not), places it
// anew for its own frame. Stops watching after a few seconds.
void PlaceView(QWidget& window, const TViewPlacement& placement);

// What the window manager's frame adds around `window`, once shown; before
// that, or without a window manager, what it adds around `framed`, a window
// of the same program already shown.
QMargins FrameMargins(const QWidget& window, const QWidget* framed);

} // namespace quorva
