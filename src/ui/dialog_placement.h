#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace quorva {

// File dialogs stand centred across the monitor and a third of the way down.
QPoint FileDialogPosition(const QRect& monitor, const QSize& dialog);

// The monitor of the active window, else of `mainWindow`, else the first one.
QScreen* DialogMonitor(const QWidget* mainWindow);

} // namespace quorva
