#include "ui/base/native_file_name.h"

#include <QFile>

#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace quorva {
namespace {

bool Exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// The one entry of `folder` that reads as `part`, or its encoded bytes when
// there is none, or more than one.
std::string EntryBytes(const std::string& folder, const QString& part)
{
    std::string bytes = QFile::encodeName(part).toStdString();
    if (Exists(folder + "/" + bytes))
        return bytes;
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(
        ::opendir(folder.empty() ? "/" : folder.c_str()), ::closedir);
    std::string match;
    int matches = 0;
    while (const dirent* entry = listing ? ::readdir(listing.get()) : nullptr)
        if (QFile::decodeName(entry->d_name) == part && ++matches == 1)
            match = entry->d_name;
    return matches == 1 ? match : bytes;
}

} // namespace

std::string NativeFileName(const QString& name)
{
    std::string bytes = QFile::encodeName(name).toStdString();
    if (bytes.empty() || Exists(bytes) || !name.startsWith(u'/'))
        return bytes;
    std::string path;
    for (const QString& part : name.split(u'/', Qt::SkipEmptyParts)) {
        const std::string entry = EntryBytes(path, part);
        path += '/';
        path += entry;
    }
    return name.endsWith(u'/') ? path + "/" : path;
}

std::string NativeFileName(const QUrl& url)
{
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return Exists(bytes.toStdString()) ? bytes.toStdString() : NativeFileName(url.toLocalFile());
}

QString ArgumentText(const std::string& argument)
{
    return QFile::decodeName(QByteArray::fromStdString(argument));
}

std::string ArgumentBytes(const QString& text, const std::vector<std::string>& arguments,
                          std::size_t& from)
{
    for (std::size_t i = from; i < arguments.size(); ++i)
        if (ArgumentText(arguments[i]) == text) {
            from = i + 1;
            return arguments[i];
        }
    return QFile::encodeName(text).toStdString();
}

} // namespace quorva
