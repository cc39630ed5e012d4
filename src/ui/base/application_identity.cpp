#include "ui/base/application_identity.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace quorva {
namespace {

const QString Name = QStringLiteral("quorva");

// Only the user's own regular file is read: settings are read back, so a
// link or another's file planted there is left alone.
bool IsOwnRegularFile(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::geteuid();
}

void TakeOverEarlierSettings()
{
    QSettings settings;
    if (!settings.allKeys().isEmpty())
        return;
    const QString earlier =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Unknown Organization/") + Name + QStringLiteral(".conf");
    if (!IsOwnRegularFile(earlier))
        return;
    const QSettings old(earlier, QSettings::IniFormat);
    for (const QString& key : old.allKeys())
        settings.setValue(key, old.value(key));
}

// The icon at every size the build drew, as the theme's folders hold them.
QIcon BuiltInIcon()
{
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (sizes.hasNext())
        icon.addFile(sizes.next() + QStringLiteral("/apps/quorva.png"));
    return icon;
}

} // namespace

void SetUpApplicationIdentity()
{
    QCoreApplication::setApplicationName(Name);
    QCoreApplication::setOrganizationName(Name);
    QGuiApplication::setDesktopFileName(Name);
    QGuiApplication::setWindowIcon(QIcon::fromTheme(Name, BuiltInIcon()));
    TakeOverEarlierSettings();
}

} // namespace quorva
