#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorva::fuzz {

// Stops the run with a report when an invariant does not hold; libFuzzer then
// keeps the input that broke it.
void Check(bool holds, std::string_view what);

// The lines as the text-file writer puts them: each followed by CR LF.
std::string JoinWithCrLf(const std::vector<std::string>& lines);

}  // namespace quorva::fuzz
