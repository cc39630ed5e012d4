#include "ui/base/queued_call.h"

#include <QObject>

#include <utility>

namespace quorva {

std::function<void(std::function<void()>)> QueuedCallsTo(QObject& owner)
{
    return [owner = &owner](std::function<void()> task) {
        QMetaObject::invokeMethod(owner, std::move(task), Qt::QueuedConnection);
    };
}

} // namespace quorva
