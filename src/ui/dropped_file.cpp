#include "ui/dropped_file.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace quorva {

std::optional<std::string> DroppedRowListFile(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (!path.endsWith(QLatin1String(".tir"), Qt::CaseInsensitive))
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

} // namespace quorva
