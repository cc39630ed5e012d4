#include "triangle/triangle_csv.h"

#include <unistd.h>

#include <new>
#include <optional>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/atomic_file_writer.h"
#include "model/files/file_identity.h"
#include "triangle/csv_export_pipeline.h"

namespace quorva {

namespace {

// Writes the CSV through the writer `open` makes in `writer`.
template <class TOpen>
void WriteExport(const TExportPlan& plan, TProgress& progress, const TOpen& open)
{
    try {
        std::optional<TAtomicFileWriter> writer;
        open(writer);
        if (plan.ByteCells())
            WriteTriangleCsv<std::uint8_t>(plan.Values(), *writer, progress);
        else
            WriteTriangleCsv<std::int32_t>(plan.Values(), *writer, progress);
        writer->Commit();
    } catch (const std::bad_alloc&) {
        // The check before leaves room for the export, but other programs
        // may take the memory in the meantime.
        throw Error("Not enough memory to export the triangle.");
    }
}

} // namespace

void ExportPlannedCsv(const TExportPlan& plan, TProgress& progress)
{
    WriteExport(plan, progress, [&](std::optional<TAtomicFileWriter>& writer) {
        if (plan.ToStandardOutput())
            writer.emplace(TAtomicFileWriter::TOpenDescriptor{STDOUT_FILENO, "standard output"});
        else
            writer.emplace(plan.FileName(), progress);
    });
}

void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName,
                       TProgress& progress, const TSystemResources& system)
{
    TExportPlan plan(rows, column, TExportFormat::Csv, system);
    plan.SetTarget(fileName);
    ExportPlannedCsv(plan, progress);
}

void ExportTriangleCsvToStandardOutput(const TRowTable& rows, int column, TProgress& progress,
                                       const TSystemResources& system)
{
    TExportPlan plan(rows, column, TExportFormat::Csv, system);
    plan.SetStandardOutput();
    ExportPlannedCsv(plan, progress);
}

std::string ExportOverRowsMessage(const std::string& rowsFileName, const std::string& csvFileName)
{
    return "The triangle cannot be written to " + QuotedName(csvFileName) +
           ": it is the row list " + QuotedName(rowsFileName) +
           " itself, whose rows it would replace.";
}

void CheckExportTarget(const std::string& rowsFileName, const std::string& csvFileName)
{
    if (IsSameFile(rowsFileName, csvFileName))
        throw Error(ExportOverRowsMessage(rowsFileName, csvFileName));
}

void CheckStandardOutputTarget(const std::string& rowsFileName, const std::string& shownName)
{
    const auto output = IdentifyOpenFile(STDOUT_FILENO);
    const auto input = IdentifyFile(rowsFileName);
    if (output && input && output->SameFile(*input))
        throw Error(ExportOverRowsMessage(rowsFileName, shownName));
}

} // namespace quorva
