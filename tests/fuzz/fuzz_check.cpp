#include "fuzz/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace quorva::fuzz {

void Check(bool holds, std::string_view what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

} // namespace quorva::fuzz
