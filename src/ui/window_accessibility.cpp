#include "ui/window_accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

#include "ui/Unit1.h"

namespace quorva {

namespace {

QAccessibleInterface* FormAccessible(const QString& className, QObject* object)
{
    if (className != QLatin1String(TForm1::staticMetaObject.className()) || !object ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void AnnounceFormAsWindow()
{
    static const bool installed = [] {
        QAccessible::installFactory(FormAccessible);
        return true;
    }();
    (void)installed;
}

} // namespace quorva
