#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorva {

// The grid of an .xlsx sheet, and of the spreadsheets that open one: they
// keep no more columns or lines than this.
inline constexpr std::size_t SheetColumns = 16384;
inline constexpr std::size_t SheetLines = 1048576;

// What the kept columns of the .xlsx export's triangle may take: the rest
// is worked out again line by line, a cost lost in the library's own per
// cell.
inline constexpr std::uint64_t KeptColumnBytes = 24 << 20;

// Whether the CSV of a triangle of `valueCount` values has more fields on
// its middle line than a spreadsheet keeps, and what the user is told then,
// before the export starts.
bool PassesSpreadsheetColumns(std::size_t valueCount);
std::string SpreadsheetColumnsNotice(std::size_t valueCount);

// The name of the sheet that holds the triangle's columns `first` to `last`,
// counted from 1 as the spreadsheet counts them: "columns 16385–32768".
std::string SheetName(std::size_t first, std::size_t last);

// Memory the .xlsx export of a triangle of `valueCount` values takes: the
// columns it keeps (a few dozen megabytes at most, whatever the size; the
// lines between them are worked out again) and the library's one line of
// cells per sheet.
std::uint64_t XlsxMemoryBytes(std::uint64_t valueCount, std::uint64_t cellSize);

// Where the library's work files go for a workbook written to `fileName`:
// its folder where that may be written, else the system's temporary folder.
std::string XlsxWorkFolder(const std::string& fileName);

} // namespace quorva
