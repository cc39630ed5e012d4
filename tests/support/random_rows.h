#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/rows/row_table.h"

namespace quorva::test {

// `count` rows of values drawn evenly from [low, high]; the same seed gives
// the same rows, so that runs and cases can be compared.
TRowTable RandomRows(std::size_t count, std::int32_t low, std::int32_t high,
                     unsigned seed = 20240601);

// Writes a row-list file of `count` random rows (values 0 to 99) as Add would
// have rendered them.
void WriteRandomRowListFile(std::size_t count, const std::string& fileName);

} // namespace quorva::test
