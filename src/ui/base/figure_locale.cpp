#include "ui/base/figure_locale.h"

#include "model/base/figures.h"

namespace quorva {

void FollowLocaleInFigures(const QLocale& locale)
{
    // A locale that groups no digits, such as "C", says so in its options.
    const bool grouped = !locale.numberOptions().testFlag(QLocale::OmitGroupSeparator);
    SetFigureStyle({grouped ? locale.groupSeparator().toStdString() : std::string(),
                    locale.decimalPoint().toStdString()});
}

QString CountText(std::uint64_t count)
{
    return QString::fromStdString(FormatCount(count));
}

} // namespace quorva
