#include "ui/main_window/dropped_file.h"

#include <QMimeData>
#include <QUrl>

#include "ui/base/native_file_name.h"

namespace quorva {

std::optional<std::string> DroppedRowListFile(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString path = urls.front().toLocalFile();
    if (!path.endsWith(QLatin1String(".tir"), Qt::CaseInsensitive))
        return std::nullopt;
    return NativeFileName(urls.front());
}

} // namespace quorva
