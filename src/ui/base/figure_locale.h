#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

namespace quorva {

// Has every figure shown to people (counts in titles, refusals, progress)
// written as `locale` writes numbers: its group separator and its decimal
// point. The program calls it once at start with the user's locale.
void FollowLocaleInFigures(const QLocale& locale = QLocale());

// A count or a place (line 79,999) as FormatCount writes it, for the
// window's texts.
QString CountText(std::uint64_t count);

} // namespace quorva
