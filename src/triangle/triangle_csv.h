#pragma once

#include <string>
#include <vector>

#include "model/number_row.h"
#include "triangle/diff_triangle.h"

namespace quorva {

// One line per triangle row: each cell as its decimal digits followed by ';',
// a negative cell as ';' alone.
std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle);

// Writes the triangle of one column of the rows as a CSV file (each line
// followed by CR LF). Gives the same bytes as SaveLinesToFile of
// TriangleToCsvLines(BuildDiffTriangle(rows, column)), but streams the text
// from a compact form of the triangle, so memory stays well below the size of
// the file. Raises "Range check error" for an empty table, before the file
// is touched.
void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName);

} // namespace quorva
