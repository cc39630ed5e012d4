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
    // A line rendered from its row is digits, spaces and minus signs, shown
    // as its bytes, which no letter's case changes: it begins with the prefix
    // when its bytes do, so a long list is searched without decoding each
    // line. Only the lines kept as they were read are decoded.
    const QByteArray bytes = prefix.toLatin1();
    const bool plain = QString::fromLatin1(bytes) == prefix;
    const std::string_view plainPrefix(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const TStoredLines& stored = lines.Stored();
    std::size_t next = 0; // the next line kept as read
    TRowLineBuffer buffer;
    for (int i = 0; i < lines.Count(); ++i) {
        const bool kept = next < stored.Count() && stored.IndexAt(next) == i;
        next += kept ? 1 : 0;
        const std::string_view line = lines.Line(i, buffer);
        if (kept ? DisplayText(line).startsWith(prefix, Qt::CaseInsensitive)
                 : plain && line.starts_with(plainPrefix))
            return i;
    }
    return std::nullopt;
}

} // namespace quorva
