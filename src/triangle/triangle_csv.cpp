#include "triangle/triangle_csv.h"

#include <new>

#include "model/atomic_file_writer.h"
#include "model/error.h"
#include "model/file_identity.h"
#include "model/number_rules.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_export_pipeline.h"
#include "triangle/triangle_budget.h"

namespace quorva {

std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle)
{
    std::vector<std::string> lines;
    lines.reserve(triangle.size());
    for (const auto& row : triangle) {
        std::string line;
        for (std::int32_t cell : row) {
            if (cell >= 0)
                line += IntToStr(cell);
            line += ';';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName,
                       TProgress& progress, const TSystemResources& system)
{
    CheckExportFits(rows, column, fileName, system);
    try {
        const std::vector<std::int32_t> values = ColumnValues(rows, column);
        TAtomicFileWriter writer(fileName, progress);
        if (FitsByteCells(values))
            WriteTriangleCsv<std::uint8_t>(values, writer, progress);
        else
            WriteTriangleCsv<std::int32_t>(values, writer, progress);
        writer.Commit();
    } catch (const std::bad_alloc&) {
        // The check above leaves room for the export, but other programs
        // may take the memory in the meantime.
        throw Error("Not enough memory to export the triangle.");
    }
}

std::string ExportOverRowsMessage(const std::string& rowsFileName, const std::string& csvFileName)
{
    return "The triangle cannot be written to \"" + csvFileName + "\": it is the row list \"" +
           rowsFileName + "\" itself, whose rows it would replace.";
}

void CheckExportTarget(const std::string& rowsFileName, const std::string& csvFileName)
{
    if (IsSameFile(rowsFileName, csvFileName))
        throw Error(ExportOverRowsMessage(rowsFileName, csvFileName));
}

} // namespace quorva
