#include "model/rows/row_line.h"

#include <charconv>

namespace quorva {
namespace {

char* AppendField(char* out, std::int32_t value)
{
    // Values of one digit get a leading '0'; so do all other values below 10
    // except -9 to -1, which already take two characters: a '0' in front
    // would shift every later field and make the line unreadable.
    if (value >= 0 && value < 100) {
        *out++ = static_cast<char>('0' + value / 10);
        *out++ = static_cast<char>('0' + value % 10);
        return out;
    }
    const bool shortNegative = value >= -9 && value < 0;
    if (value < 10 && !shortNegative)
        *out++ = '0';
    return std::to_chars(out, out + 11, value).ptr;
}

} // namespace

std::string_view RowToLine(const TNumberRow& row, TRowLineBuffer& buffer)
{
    char* out = buffer.data();
    for (std::size_t j = 0; j < row.size(); ++j) {
        if (j > 0)
            *out++ = ' ';
        out = AppendField(out, row[j]);
    }
    return {buffer.data(), static_cast<std::size_t>(out - buffer.data())};
}

std::string RowToLine(const TNumberRow& row)
{
    TRowLineBuffer buffer;
    return std::string(RowToLine(row, buffer));
}

} // namespace quorva
