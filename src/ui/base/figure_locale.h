#pragma once

#include <QLocale>

namespace quorva {

// Has every figure shown to people (counts in titles, refusals, progress)
// written as `locale` writes numbers: its group separator and its decimal
// point. The program calls it once at start with the user's locale.
void FollowLocaleInFigures(const QLocale& locale = QLocale());

} // namespace quorva
