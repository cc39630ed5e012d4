#include "model/rows/number_rules.h"

#include <charconv>
#include <limits>

#include "model/base/error.h"

namespace quorva {
namespace {

[[noreturn]] void ThrowNotAnInteger(std::string_view text)
{
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the hexadecimal prefix at the start of `rest`, 0 for none.
std::size_t HexPrefixLength(std::string_view rest)
{
    if (rest.empty())
        return 0;
    if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')
        return 1;
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
        return 2;
    return 0;
}

// Reads up to 8 significant hexadecimal digits as a bit pattern.
bool ParseHex(std::string_view digits, std::uint32_t& pattern)
{
    if (digits.empty())
        return false;
    std::uint32_t value = 0;
    int significant = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        if (value != 0 || digit != 0)
            ++significant;
        if (significant > 8)
            return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    pattern = value;
    return true;
}

// The magnitude of a decimal number, as long as it fits the 32-bit range
// once the sign is applied.
bool ParseDecimal(std::string_view digits, bool negative, std::uint32_t& magnitude)
{
    if (digits.empty())
        return false;
    for (char c : digits)
        if (!IsDigit(c))
            return false;
    std::uint64_t value = 0;
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
    for (char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit)
            return false;
    }
    magnitude = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace

std::int32_t StrToInt(std::string_view text)
{
    std::string_view rest = text;
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);

    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }

    std::uint32_t pattern = 0;
    const std::size_t prefix = HexPrefixLength(rest);
    const bool parsed =
        prefix > 0 ? ParseHex(rest.substr(prefix), pattern) : ParseDecimal(rest, negative, pattern);
    if (!parsed)
        ThrowNotAnInteger(text);
    // Negation wraps, as the pattern of a negative hexadecimal number would.
    const std::uint32_t value = negative ? 0u - pattern : pattern;
    return static_cast<std::int32_t>(value);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace quorva
