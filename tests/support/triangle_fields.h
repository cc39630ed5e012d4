#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/rows/row_table.h"

namespace quorva::test {

// The fields of every line of the exported CSV of one column, split at ';'
// as a spreadsheet splits them: "" for a blank field.
std::vector<std::vector<std::string>> CsvFields(const TRowTable& rows, int column);

} // namespace quorva::test
