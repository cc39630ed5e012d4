#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/rows/row_table.h"

namespace quorva::test {

// `count` rows of values drawn evenly from [low, high], the same for the same seed.
TRowTable RandomRows(std::size_t count, std::int32_t low, std::int32_t high, unsigned seed);

// The fields of every line of the exported CSV of one column, split at ';'
// as a spreadsheet splits them: "" for a blank field.
std::vector<std::vector<std::string>> CsvFields(const TRowTable& rows, int column);

} // namespace quorva::test
