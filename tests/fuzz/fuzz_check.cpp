#include "fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quorva::fuzz {

void Check(bool holds, std::string_view what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

std::string JoinWithCrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

}  // namespace quorva::fuzz
