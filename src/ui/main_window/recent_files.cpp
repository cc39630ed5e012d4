#include "ui/main_window/recent_files.h"

#include <QFile>
#include <QSettings>
#include <QStringList>

#include "model/files/file_path.h"

namespace quorva {
namespace {

const QString RecentFilesSetting = QStringLiteral("recentFiles");

} // namespace

std::vector<std::string> RecentFiles()
{
    std::vector<std::string> files;
    // Settings are the user's to edit: only a list of names is taken, and
    // no more of them than are kept.
    const QStringList stored = QSettings().value(RecentFilesSetting).toStringList();
    for (const QString& name : stored.mid(0, RecentFileCount))
        if (!name.isEmpty())
            files.push_back(QFile::encodeName(name).toStdString());
    return files;
}

std::string LastUsedFile()
{
    const std::vector<std::string> files = RecentFiles();
    return files.empty() ? std::string() : files.front();
}

namespace {

// The stored list without the file; with it first when `first`.
void StoreWith(const std::string& fileName, bool first)
{
    const QString name = QFile::decodeName(AbsolutePath(fileName).c_str());
    QStringList stored = QSettings().value(RecentFilesSetting).toStringList();
    stored.removeAll(name);
    if (first)
        stored.prepend(name);
    QSettings().setValue(RecentFilesSetting, stored.mid(0, RecentFileCount));
}

} // namespace

void RememberRecentFile(const std::string& fileName)
{
    StoreWith(fileName, true);
}

void ForgetRecentFile(const std::string& fileName)
{
    StoreWith(fileName, false);
}

} // namespace quorva
