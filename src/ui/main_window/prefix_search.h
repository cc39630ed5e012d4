#pragma once

#include <QString>

#include <chrono>
#include <optional>

#include "model/rows/line_list.h"
#include "ui/base/window_clock.h"

namespace quorva {

// Selecting a line of the list by typing its beginning. The search text
// starts afresh when the user pauses for half a second; Backspace takes back
// the last character, every other typed character (Enter and Esc included)
// extends it.
class TPrefixSearch {
public:
    static constexpr std::chrono::milliseconds Pause{500};
    static constexpr QChar Backspace{u'\b'};

    // The clock gives the time of each key; tests pass their own.
    explicit TPrefixSearch(TWindowClock clock);

    // Takes one typed character and returns the line to select, or nothing
    // when the selection should stay as it is.
    std::optional<int> Type(QChar key, const TLineList& lines);

private:
    void Edit(QChar key);

    TWindowClock clock_;
    std::optional<std::chrono::milliseconds> lastKey_;
    QString text_;
};

// The first line that begins with `prefix`, letter case ignored.
std::optional<int> FindLineByPrefix(const TLineList& lines, const QString& prefix);

} // namespace quorva
