#include "model/rows/row_text_import.h"

#include <new>
#include <string>

#include "model/base/error.h"
#include "model/base/figures.h"
#include "model/files/text_file.h"
#include "model/rows/number_rules.h"
#include "model/rows/row_editing.h"

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

// The line as the report shows it, on one line of its own: cut at a
// character boundary of UTF-8, tabs shown as arrows and other control
// characters as '?', so that the gaps a spreadsheet's cells leave are seen.
std::string ShownLine(std::string_view line)
{
    std::size_t cut = line.size();
    if (cut > ShownLineLength) {
        cut = ShownLineLength;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
    }
    std::string shown;
    for (const char c : line.substr(0, cut)) {
        if (c == '\t')
            shown += "\u21e5";
        else
            shown += static_cast<unsigned char>(c) < ' ' ? '?' : c;
    }
    return cut < line.size() ? shown + "..." : shown;
}

[[noreturn]] void RaiseBadLine(std::size_t number, std::string_view line)
{
    throw Error("Line " + FormatCount(number) +
                " is not a row of seven whole numbers from 0 to 99:\n\"" + ShownLine(line) +
                "\"\nNothing was added.");
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

bool HoldsRow(std::string_view text)
{
    TLineScanner scanner(text);
    TTextSpan span;
    TNumberRow row{};
    while (scanner.Next(span)) {
        if (ReadRow(span.In(text), row))
            return true;
    }
    return false;
}

std::optional<TRowChange> PasteRows(TRowTable& rows, TLineList& lines, std::string_view text)
{
    TRowTable added;
    try {
        added = ParseRowText(text);
    } catch (const std::bad_alloc&) {
        throw Error(PasteOutOfMemoryMessage);
    }
    return AppendRows(rows, lines, added);
}

} // namespace quorva
