#include "ui/base/application_title.h"

namespace quorva {

QString ApplicationTitle(const QString& executablePath)
{
    QString name = executablePath.mid(executablePath.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

} // namespace quorva
