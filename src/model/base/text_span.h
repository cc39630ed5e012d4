#pragma once

#include <cstddef>
#include <string_view>

namespace quorva {

// A piece of a larger text, by position, so that a million lines can share
// one buffer instead of owning a string each.
struct TTextSpan {
    std::size_t offset = 0;
    std::size_t length = 0;

    std::string_view In(std::string_view text) const { return text.substr(offset, length); }
};

} // namespace quorva
