#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/rows/row_table.h"
#include "triangle/export_plan.h"

namespace quorva {

// The grid of an .xlsx sheet, and of the spreadsheets that open one: they
// keep no more columns or lines than this.
inline constexpr std::size_t SheetColumns = 16384;
inline constexpr std::size_t SheetLines = 1048576;

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

// Writes the triangle of one column of the rows as an Office Open XML
// workbook, in the CSV's layout: line k of the CSV is row k + 1 of the
// sheet, field j its column j + 1; blank cells are left empty and every other
// cell is a number. Columns past SheetColumns go on further sheets, each
// named by its columns. One colour scale per sheet shades its cells as the
// triangle view does.
//
// The same checks as the CSV export come first (CheckXlsxExportFits), and
// the file is put in place only once complete, by the same atomic writer;
// the library's work files are unnamed files in `fileName`'s folder, or the
// system's temporary folder where that one may not be written. Progress and
// Cancel as for the CSV.
void ExportTriangleXlsx(const TRowTable& rows, int column, const std::string& fileName,
                        TProgress& progress = NoProgress(),
                        const TSystemResources& system = SystemResources());
// The same from an .xlsx plan whose target is set, with no check made again.
void ExportPlannedXlsx(const TExportPlan& plan, TProgress& progress = NoProgress());

// Where the library's work files go for a workbook written to `fileName`.
std::string XlsxWorkFolder(const std::string& fileName);

} // namespace quorva
