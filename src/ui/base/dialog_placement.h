#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace quorva {

// File dialogs stand centred across the monitor and a third of the way down.
QPoint FileDialogPosition(const QRect& monitor, const QSize& dialog);

// Where a window of `size` meant to stand at `designed` goes: there when it
// fits on `available` (the screen less panels and docks), else moved just far
// enough to fit, its top-left corner kept on the screen when it is larger.
QPoint PositionWithin(const QRect& available, const QSize& size, const QPoint& designed);

// The monitor of the active window, else of `mainWindow`, else the first one.
QScreen* DialogMonitor(const QWidget* mainWindow);

} // namespace quorva
