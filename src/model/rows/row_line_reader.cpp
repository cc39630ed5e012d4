#include "model/rows/row_line_reader.h"

#include <bit>
#include <cstring>

#include "model/files/text_file.h"
#include "model/rows/number_rules.h"

namespace quorva {
namespace {

// Reads the line when all seven fields are two digits, as in every line Add
// renders; returns false otherwise, leaving the general rule to decide.
bool ReadTwoDigitFields(std::string_view line, TNumberRow& row)
{
    if (line.size() < RowLineLength)
        return false;
    for (std::size_t j = 0; j < row.size(); ++j) {
        const char tens = line[j * FieldStride];
        const char ones = line[j * FieldStride + 1];
        if (!IsDigit(tens) || !IsDigit(ones))
            return false;
        row[j] = (tens - '0') * 10 + (ones - '0');
    }
    return true;
}

// Eight bytes of text from `at`, the first in the lowest byte.
std::uint64_t Word(const char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

constexpr std::uint64_t Bytes(unsigned char value)
{
    return std::uint64_t{0x0101010101010101} * value;
}

// Whether the bytes of `word` that `places` picks are all digits.
bool AreDigits(std::uint64_t word, std::uint64_t places)
{
    const std::uint64_t picked = word & places;
    const std::uint64_t highs = Bytes(0xF0);
    // '0' to '9' are 0x30 to 0x39: the high half 3 before and after adding 6.
    return ((picked & highs) == (Bytes('0') & places)) &&
           (((picked + (Bytes(6) & places)) & highs) == (Bytes('0') & places));
}

// The two-digit numbers whose digits are at the bytes `places` picks, each
// at the byte of its tens.
std::uint64_t TwoDigitValues(std::uint64_t word, std::uint64_t places)
{
    const std::uint64_t digits = (word & places) - (Bytes('0') & places);
    return digits * 10 + (digits >> 8);
}

// Byte `from` of `word`, moved to byte `to`.
std::uint64_t MoveByte(std::uint64_t word, int from, int to)
{
    return ((word >> (8 * from)) & 0xFF) << (8 * to);
}

} // namespace

// A row line as Save writes the rows that Add renders: seven two-digit fields
// and CR LF. Reads it from the start of `text` when it is one, telling
// whether it is its row's canonical line, which it is when every separator
// is a space; nearly every line of a row-list file is, and this is quicker
// than finding the line end and then parsing. The 22 bytes are read as three
// overlapping words, tested and parsed eight bytes at a time, and the row's
// cells packed as FillPacked takes them.
bool ReadRowLine(std::string_view text, std::uint64_t& cells, bool& canonical)
{
    if (text.size() < RowLineLength + 2)
        return false;
    // Bytes 0-7, 8-15 and 14-21 of "dd dd dd dd dd dd dd\r\n".
    const std::uint64_t first = Word(text.data());
    const std::uint64_t middle = Word(text.data() + 8);
    const std::uint64_t last = Word(text.data() + 14);
    constexpr std::uint64_t FirstDigits = 0xFFFF00FFFF00FFFF;
    constexpr std::uint64_t MiddleDigits = 0xFF00FFFF00FFFF00;
    constexpr std::uint64_t LastDigits = 0x0000FFFF00FFFF00;
    constexpr std::uint64_t LineEnd = 0xFFFF000000000000;
    if ((last & LineEnd) != (0x0A0DULL << 48) || !AreDigits(first, FirstDigits) ||
        !AreDigits(middle, MiddleDigits) || !AreDigits(last, LastDigits))
        return false;
    constexpr std::uint64_t FirstSeparators = 0x0000FF0000FF0000;
    constexpr std::uint64_t MiddleSeparators = 0x00FF0000FF0000FF;
    constexpr std::uint64_t LastSeparators = 0x00000000FF000000;
    canonical = (first & FirstSeparators) == (Bytes(' ') & FirstSeparators) &&
                (middle & MiddleSeparators) == (Bytes(' ') & MiddleSeparators) &&
                (last & LastSeparators) == (Bytes(' ') & LastSeparators);
    // With the fields all digits, only a separator could end the line early.
    if (!canonical)
        for (std::size_t j = 0; j + 1 < RowWidth; ++j)
            if (IsLineEnd(text[j * FieldStride + FieldLength]))
                return false;
    const std::uint64_t firstValues = TwoDigitValues(first, FirstDigits);
    const std::uint64_t middleValues = TwoDigitValues(middle, MiddleDigits);
    const std::uint64_t lastValues = TwoDigitValues(last, LastDigits);
    cells = MoveByte(firstValues, 0, 0) | MoveByte(firstValues, 3, 1) |
            MoveByte(firstValues, 6, 2) | MoveByte(middleValues, 1, 3) |
            MoveByte(middleValues, 4, 4) | MoveByte(lastValues, 1, 5) | MoveByte(lastValues, 4, 6);
    return true;
}

TNumberRow LineToRow(std::string_view line)
{
    TNumberRow row{};
    if (ReadTwoDigitFields(line, row))
        return row;
    for (std::size_t j = 0; j < row.size(); ++j) {
        const std::size_t start = j * FieldStride;
        const std::string_view field =
            start < line.size() ? line.substr(start, FieldLength) : std::string_view();
        row[j] = StrToInt(field);
    }
    return row;
}

} // namespace quorva
