#include "model/row_text_import.h"

#include <string>

#include "model/error.h"
#include "model/row_editing.h"
#include "model/text_file.h"

namespace quorva {
namespace {

constexpr int HighestValue = 99;
// A longer line is shown cut, so that the report stays readable.
constexpr std::size_t ShownLineLength = 60;

bool IsSpace(char c)
{
    return c == ' ';
}

// Tab, comma and semicolon each stand between two cells: two of them in a
// row mean an empty cell, which is not a number.
bool IsCellSeparator(char c)
{
    return c == '\t' || c == ',' || c == ';';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Skips the gap before the next number; false when the gap is not one
// separator (several cell separators, or one at the line's start).
bool SkipSeparator(std::string_view line, std::size_t& at, bool first)
{
    int cellSeparators = 0;
    while (at < line.size() && (IsSpace(line[at]) || IsCellSeparator(line[at]))) {
        cellSeparators += IsCellSeparator(line[at]) ? 1 : 0;
        ++at;
    }
    return cellSeparators <= (first ? 0 : 1);
}

// Reads a whole number of at most two significant digits; leading zeros are
// allowed, signs and fractions are not.
bool ReadValue(std::string_view line, std::size_t& at, std::int32_t& value)
{
    const std::size_t start = at;
    value = 0;
    while (at < line.size() && IsDigit(line[at])) {
        value = value * 10 + (line[at] - '0');
        if (value > HighestValue)
            return false;
        ++at;
    }
    return at > start;
}

bool ReadRow(std::string_view line, TNumberRow& row)
{
    std::size_t at = 0;
    for (std::size_t field = 0; field < row.size(); ++field) {
        if (!SkipSeparator(line, at, field == 0) || !ReadValue(line, at, row[field]))
            return false;
    }
    while (at < line.size() && IsSpace(line[at]))
        ++at;
    return at == line.size();
}

// The line as the report shows it: cut at a character boundary of UTF-8.
std::string ShownLine(std::string_view line)
{
    if (line.size() <= ShownLineLength)
        return std::string(line);
    std::size_t cut = ShownLineLength;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(line.substr(0, cut)) + "...";
}

[[noreturn]] void RaiseBadLine(std::size_t number, std::string_view line)
{
    throw Error("Line " + std::to_string(number) +
                " is not a row of seven whole numbers from 0 to 99: \"" + ShownLine(line) + "\"");
}

} // namespace

TRowTable ParseRowText(std::string_view text)
{
    TRowTable rows;
    rows.reserve(CountLines(text));
    TLineScanner scanner(text);
    TTextSpan span;
    for (std::size_t number = 1; scanner.Next(span); ++number) {
        const std::string_view line = span.In(text);
        if (IsBlank(line))
            continue;
        TNumberRow row{};
        if (!ReadRow(line, row))
            RaiseBadLine(number, line);
        rows.push_back(row);
    }
    return rows;
}

std::optional<TRowChange> PasteRows(TRowTable& rows, TLineList& lines, std::string_view text)
{
    return AppendRows(rows, lines, ParseRowText(text));
}

} // namespace quorva
