#include "ui/window_accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

#include "ui/Unit1.h"
#include "ui/error_dialog.h"

namespace quorva {

namespace {

QAccessibleInterface* FormAccessible(const QString& className, QObject* object)
{
    if (className != QLatin1String(TForm1::staticMetaObject.className()) || !object ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

QAccessibleInterface* ErrorDialogAccessible(const QString& className, QObject* object)
{
    if (className != QLatin1String(TErrorDialog::staticMetaObject.className()) || !object ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

// Marks the widgets announced as alerts, whatever their class.
constexpr char AlertProperty[] = "quorvaAlert";

QAccessibleInterface* AlertAccessible(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType() || !object->property(AlertProperty).toBool())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

} // namespace

void AnnounceAsAlert(QWidget& notice, const QString& text)
{
    static const bool installed = [] {
        QAccessible::installFactory(AlertAccessible);
        return true;
    }();
    (void)installed;
    notice.setProperty(AlertProperty, true);
    notice.setAccessibleName(text);
}

void AnnounceErrorDialogAsAlert()
{
    static const bool installed = [] {
        QAccessible::installFactory(ErrorDialogAccessible);
        return true;
    }();
    (void)installed;
}

void AnnounceFormAsWindow()
{
    static const bool installed = [] {
        QAccessible::installFactory(FormAccessible);
        return true;
    }();
    (void)installed;
}

} // namespace quorva
