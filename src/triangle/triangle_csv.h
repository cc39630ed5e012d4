#pragma once

#include <string>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/rows/row_table.h"
#include "triangle/export_plan.h"

namespace quorva {

// Writes the triangle of one column of the rows as a CSV file: one line per
// line of the triangle, each cell's field (see AppendCsvField) in turn, and
// CR LF after every line. The text is streamed from a compact form of the
// triangle, so memory stays well below the size of the file.
//
// Before anything is allocated or written it raises "Range check error" for
// an empty table, and an Error with the figures when the triangle would not
// fit in the available memory or the file in the target folder's free space
// (CheckExportFits), and one onto a file of the program's own state folder
// (IsInStateFolder). It reports its progress, and when the progress says stop
// it ends with Cancelled, leaving the target as it was. Memory that still
// runs out ends it with "Not enough memory to export the triangle.".
void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName,
                       TProgress& progress = NoProgress(),
                       const TSystemResources& system = SystemResources());
// The same from a CSV plan whose target is set (to a file or to standard
// output), with no check made again.
void ExportPlannedCsv(const TExportPlan& plan, TProgress& progress = NoProgress());

// The same bytes to the program's standard output, as it stands (see
// TAtomicFileWriter::TOpenDescriptor), after the same checks; a failure
// names it "standard output", a refused state file by its own name.
void ExportTriangleCsvToStandardOutput(const TRowTable& rows, int column,
                                       TProgress& progress = NoProgress(),
                                       const TSystemResources& system = SystemResources());

// The refusal of an export whose target is the row list it reads: the CSV
// would replace the rows.
std::string ExportOverRowsMessage(const std::string& rowsFileName, const std::string& csvFileName);
// Raises that refusal when the two names, however spelt (links, other hard
// links), are one file.
void CheckExportTarget(const std::string& rowsFileName, const std::string& csvFileName);
// The same for the program's standard output, shown as `shownName`: the
// output a shell opened onto the row list (`>>`, `1<>`) is refused too.
void CheckStandardOutputTarget(const std::string& rowsFileName, const std::string& shownName);

} // namespace quorva
