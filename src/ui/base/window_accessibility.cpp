#include "ui/base/window_accessibility.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace quorva {

namespace {

// The roles given to whole classes, by class name.
QHash<QString, QAccessible::Role>& ClassRoles()
{
    static QHash<QString, QAccessible::Role> roles;
    return roles;
}

QAccessibleInterface* ClassAccessible(const QString& className, QObject* object)
{
    const auto role = ClassRoles().constFind(className);
    if (role == ClassRoles().cend() || !object || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), *role);
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

void AnnounceFrom(QWidget& window, const QString& text)
{
    // A new object each time, which is shown as it appears: readers keep
    // what they have learnt of an object's name, and would read the last
    // announcement's again.
    const QString name = QStringLiteral("Announcement");
    delete window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    auto* announcement = new QWidget(&window);
    announcement->setObjectName(name);
    announcement->setFocusPolicy(Qt::NoFocus);
    announcement->setAttribute(Qt::WA_TransparentForMouseEvents);
    announcement->setGeometry(0, 0, 0, 0);
    AnnounceAsAlert(*announcement, text);
    announcement->setVisible(window.isVisible());
}

void AnnounceClassAs(const QMetaObject& type, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(ClassAccessible);
        return true;
    }();
    (void)installed;
    ClassRoles().insert(QLatin1String(type.className()), role);
}

} // namespace quorva
