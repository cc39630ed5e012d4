#pragma once

#include <string_view>

namespace quorva::fuzz {

// Stops the run with a report when an invariant does not hold; libFuzzer then
// keeps the input that broke it.
void Check(bool holds, std::string_view what);

} // namespace quorva::fuzz
