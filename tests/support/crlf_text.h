#pragma once

#include <string>
#include <vector>

namespace quorva::test {

// The bytes the text-file writer makes of lines: each followed by CR LF, the
// last one included.
std::string JoinWithCrLf(const std::vector<std::string>& lines);

} // namespace quorva::test
