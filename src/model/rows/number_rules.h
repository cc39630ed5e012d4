#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorva {

// Text to integer. The whole text must be one number:
//
//   number  := space* sign? (decimal | hex)
//   sign    := '+' | '-'
//   decimal := digit+                         value in the signed 32-bit range
//   hex     := ('$' | 'x' | 'X' | "0x" | "0X") hexdigit+
//                                             up to 8 significant digits, read
//                                             as a 32-bit two's-complement pattern
//
// Only the space character (32) is skipped, and only in front; nothing may
// follow the number. A failure raises Error("'<text>' is not a valid integer
// value").
std::int32_t StrToInt(std::string_view text);

// Whether `c` is one of the decimal digits '0' to '9' (never another
// locale's digits).
bool IsDigit(char c);

} // namespace quorva
