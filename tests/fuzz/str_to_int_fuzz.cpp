// StrToInt on arbitrary bytes: a value that an independent reading of the
// grammar agrees with, or the one "not a valid integer value" error.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "model/base/error.h"
#include "model/rows/number_rules.h"

namespace {

using quorva::fuzz::Check;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool AllOf(std::string_view text, bool (*accepts)(char))
{
    for (char c : text)
        if (!accepts(c))
            return false;
    return !text.empty();
}

std::optional<std::int32_t> ReadHexReference(std::string_view digits, bool negative)
{
    if (!AllOf(digits, IsHexDigit))
        return std::nullopt;
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.size() > 8)
        return std::nullopt;
    std::uint64_t pattern = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), pattern, 16);
    const auto value = static_cast<std::uint32_t>(pattern);
    return static_cast<std::int32_t>(negative ? ~value + 1 : value);
}

std::optional<std::int32_t> ReadDecimalReference(std::string_view digits, bool negative)
{
    if (!AllOf(digits, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    // from_chars into a signed type checks the range with the sign applied.
    const std::string signedText = (negative ? "-" : "") + std::string(digits);
    std::int32_t value = 0;
    const auto result =
        std::from_chars(signedText.data(), signedText.data() + signedText.size(), value);
    if (result.ec != std::errc() || result.ptr != signedText.data() + signedText.size())
        return std::nullopt;
    return value;
}

// The grammar read a second way, slowly and without the library's helpers.
std::optional<std::int32_t> ReferenceValue(std::string_view text)
{
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"})
        if (text.starts_with(prefix))
            return ReadHexReference(text.substr(prefix.size()), negative);
    return ReadDecimalReference(text, negative);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> expected = ReferenceValue(text);
    try {
        const std::int32_t value = quorva::StrToInt(text);
        Check(expected.has_value(), "accepted a text the grammar refuses");
        Check(value == *expected, "value differs from the reference");
    } catch (const quorva::Error& error) {
        Check(!expected.has_value(), "refused a text the grammar accepts");
        // what() is a C string, so a NUL in the text ends the message there.
        const std::string message = "'" + std::string(text) + "' is not a valid integer value";
        Check(std::string_view(error.what()) == message.substr(0, message.find('\0')),
              "wrong message");
    }
    return 0;
}
