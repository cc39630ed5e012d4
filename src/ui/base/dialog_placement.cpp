#include "ui/base/dialog_placement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace quorva {

QPoint FileDialogPosition(const QRect& monitor, const QSize& dialog)
{
    return {monitor.left() + (monitor.width() - dialog.width()) / 2,
            monitor.top() + (monitor.height() - dialog.height()) / 3};
}

QPoint PositionWithin(const QRect& available, const QSize& size, const QPoint& designed)
{
    const int x =
        std::max(available.left(), std::min(designed.x(), available.right() + 1 - size.width()));
    const int y =
        std::max(available.top(), std::min(designed.y(), available.bottom() + 1 - size.height()));
    return {x, y};
}

QScreen* DialogMonitor(const QWidget* mainWindow)
{
    if (const QWidget* active = QApplication::activeWindow(); active && active->screen())
        return active->screen();
    if (mainWindow && mainWindow->screen())
        return mainWindow->screen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

} // namespace quorva
