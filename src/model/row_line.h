#pragma once

#include <string>

#include "model/number_row.h"

namespace quorva {

// The text form of a row: seven two-character fields separated by single
// spaces, e.g. "10 00 99 05 42 07 13". Values below 10 get a leading '0',
// except -9 to -1, which keep their two-character signed form ("-5") so that
// every field stays at its fixed position and the line reads back.
std::string RowToLine(const TNumberRow& row);

}  // namespace quorva
