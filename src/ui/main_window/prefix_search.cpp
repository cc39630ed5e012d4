#include "ui/main_window/prefix_search.h"

#include <utility>

#include "ui/base/display_text.h"

namespace quorva {

TPrefixSearch::TPrefixSearch(TWindowClock clock) : clock_(std::move(clock)) {}

std::optional<int> TPrefixSearch::Type(QChar key, const TLineList& lines)
{
    const auto now = clock_();
    if (!lastKey_ || now - *lastKey_ >= Pause)
        text_.clear();
    lastKey_ = now;
    Edit(key);

    if (!text_.isEmpty())
        return FindLineByPrefix(lines, text_);
    if (lines.Count() > 0)
        return 0;
    return std::nullopt;
}

void TPrefixSearch::Edit(QChar key)
{
    if (key == Backspace)
        text_.chop(1);
    else
        text_.append(key);
}

std::optional<int> FindLineByPrefix(const TLineList& lines, const QString& prefix)
{
    TRowLineBuffer buffer;
    for (int i = 0; i < lines.Count(); ++i) {
        if (DisplayText(lines.Line(i, buffer)).startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return std::nullopt;
}

} // namespace quorva
