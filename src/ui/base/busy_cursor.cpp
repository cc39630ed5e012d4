#include "ui/base/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace quorva {

TOverrideCursor::TOverrideCursor(Qt::CursorShape shape)
{
    QGuiApplication::setOverrideCursor(QCursor(shape));
}

TOverrideCursor::~TOverrideCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

} // namespace quorva
