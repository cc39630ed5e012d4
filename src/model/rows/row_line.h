#pragma once

#include <string>

#include "model/rows/number_row.h"

namespace quorva {

// The text form of a row: seven two-character fields separated by single
// spaces, e.g. "10 00 99 05 42 07 13". Values below 10 get a leading '0',
// except -9 to -1, which keep their two-character signed form ("-5") so that
// every field stays at its fixed position and the line reads back.
std::string RowToLine(const TNumberRow& row);

// Room for the longest row line: seven fields of a '0' and an 11-character
// number, and six spaces.
using TRowLineBuffer = std::array<char, RowWidth * 12 + RowWidth - 1>;

// The same text, written into `buffer` without allocating, so that a long
// list can be rendered again line by line; valid while `buffer` is.
std::string_view RowToLine(const TNumberRow& row, TRowLineBuffer& buffer);

} // namespace quorva
