#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/rows/row_table.h"
#include "triangle/export_plan.h"
#include "triangle/xlsx_limits.h"

namespace quorva {

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

} // namespace quorva
