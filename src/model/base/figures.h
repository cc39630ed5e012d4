#pragma once

#include <cstdint>
#include <string>

namespace quorva {

// How figures are written for people: the separator between groups of three
// digits and the decimal point, as the user's locale writes them. The core
// knows no locale; the program sets this once at start, before any other
// thread runs, and every text that shows a figure takes it from here.
struct TFigureStyle {
    std::string groupSeparator; // empty: digits are not grouped
    std::string decimalPoint = ".";
};

void SetFigureStyle(TFigureStyle style);
const TFigureStyle& FigureStyle();

// A count as people read it: "40,000" with a comma as the separator.
std::string FormatCount(std::uint64_t count);

} // namespace quorva
