#include "ui/dialog_placement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace quorva {

QPoint FileDialogPosition(const QRect& monitor, const QSize& dialog)
{
    return {monitor.left() + (monitor.width() - dialog.width()) / 2,
            monitor.top() + (monitor.height() - dialog.height()) / 3};
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
