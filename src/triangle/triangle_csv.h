#pragma once

#include <string>
#include <vector>

#include "model/progress.h"
#include "model/row_table.h"
#include "model/system_resources.h"
#include "triangle/diff_triangle.h"

namespace quorva {

// One line per triangle row: each cell as its decimal digits followed by ';',
// a negative cell as ';' alone.
std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle);

// Writes the triangle of one column of the rows as a CSV file (each line
// followed by CR LF). Gives the same bytes as SaveLinesToFile of
// TriangleToCsvLines(BuildDiffTriangle(rows, column)), but streams the text
// from a compact form of the triangle, so memory stays well below the size of
// the file.
//
// Before anything is allocated or written it raises "Range check error" for
// an empty table, and an Error with the figures when the triangle would not
// fit in the available memory or the file in the target folder's free space
// (CheckExportFits). It reports its progress, and when the progress says stop
// it ends with Cancelled, leaving the target as it was. Memory that still
// runs out ends it with "Not enough memory to export the triangle.".
void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName,
                       TProgress& progress = NoProgress(),
                       const TSystemResources& system = SystemResources());

// The refusal of an export whose target is the row list it reads: the CSV
// would replace the rows.
std::string ExportOverRowsMessage(const std::string& rowsFileName, const std::string& csvFileName);
// Raises that refusal when the two names, however spelt (links, other hard
// links), are one file.
void CheckExportTarget(const std::string& rowsFileName, const std::string& csvFileName);

} // namespace quorva
