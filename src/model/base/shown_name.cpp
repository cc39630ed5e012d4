#include "model/base/shown_name.h"

#include <cstdint>

namespace quorva {
namespace {

void AddHexByte(std::string& text, unsigned char byte)
{
    static constexpr char Digits[] = "0123456789abcdef";
    text += "\\x";
    text += Digits[byte >> 4];
    text += Digits[byte & 15];
}

// The length of the well-formed UTF-8 sequence at the start of `rest`, with
// its code point; 0 when it is not one.
std::size_t SequenceLength(std::string_view rest, std::uint32_t& point)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xc2 && lead < 0xe0 ? 2
                               : lead >= 0xe0 && lead < 0xf0 ? 3
                               : lead >= 0xf0 && lead < 0xf5 ? 4
                                                             : 0;
    if (length == 0 || length > rest.size())
        return 0;
    point = length == 1 ? lead : lead & (0x7f >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
        point = point << 6 | (byte(i) & 0x3f);
    }
    static constexpr std::uint32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = point >= 0xd800 && point < 0xe000;
    return point < Least[length] || surrogate || point > 0x10ffff ? 0 : length;
}

// Characters that are invisible yet move or break the text around them:
// C1 controls, line and paragraph separators, direction marks.
bool Invisible(std::uint32_t point)
{
    return (point >= 0x80 && point < 0xa0) || point == 0x2028 || point == 0x2029 ||
           (point >= 0x200e && point <= 0x200f) || (point >= 0x202a && point <= 0x202e) ||
           (point >= 0x2066 && point <= 0x2069) || point == 0x061c;
}

} // namespace

std::string EscapedName(std::string_view name)
{
    std::string text;
    text.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        std::uint32_t point = 0;
        const std::size_t length = SequenceLength(name.substr(at), point);
        if (byte == '\n' || byte == '\t' || byte == '\r') {
            text += byte == '\n' ? "\\n" : byte == '\t' ? "\\t" : "\\r";
        } else if (byte == '\\' || byte == '"') {
            text += '\\';
            text += static_cast<char>(byte);
        } else if (length == 1 && byte >= 0x20 && byte != 0x7f) {
            text += static_cast<char>(byte);
        } else if (length > 1 && !Invisible(point)) {
            text.append(name.substr(at, length));
        } else {
            for (std::size_t i = 0; i < (length > 1 ? length : 1); ++i)
                AddHexByte(text, static_cast<unsigned char>(name[at + i]));
        }
        at += length > 1 ? length : 1;
    }
    return text;
}

std::string QuotedName(std::string_view name)
{
    // Appended, not added up from literals: GCC's -Wrestrict misreads the
    // sum at -O3.
    std::string text(1, '"');
    text += EscapedName(name);
    text += '"';
    return text;
}

std::string NameLine(std::string_view name)
{
    std::string text(1, '\n');
    text += QuotedName(name);
    text += '\n';
    return text;
}

} // namespace quorva
