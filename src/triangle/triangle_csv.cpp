#include "triangle/triangle_csv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <optional>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/atomic_file_writer.h"
#include "model/files/file_identity.h"
#include "model/files/file_path.h"
#include "model/files/state_folder.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_export_pipeline.h"
#include "triangle/diff_triangle.h"
#include "triangle/triangle_budget.h"

namespace quorva {

namespace {

// Writes the CSV through the writer `open` makes in `writer`.
template <class TOpen>
void WriteExport(const TRowTable& rows, int column, TProgress& progress, const TOpen& open)
{
    try {
        const std::vector<std::int32_t> values = ColumnValues(rows, column);
        std::optional<TAtomicFileWriter> writer;
        open(writer);
        if (FitsByteCells(values))
            WriteTriangleCsv<std::uint8_t>(values, *writer, progress);
        else
            WriteTriangleCsv<std::int32_t>(values, *writer, progress);
        writer->Commit();
    } catch (const std::bad_alloc&) {
        // The check before leaves room for the export, but other programs
        // may take the memory in the meantime.
        throw Error("Not enough memory to export the triangle.");
    }
}

// The output a shell opened for the program, as the system names it.
constexpr const char* StandardOutputPath = "/proc/self/fd/1";

} // namespace

void CheckNotStateFile(const std::string& fileName, const std::string& shownName)
{
    if (IsInStateFolder(fileName))
        throw Error("The triangle cannot be written to " + QuotedName(shownName) +
                    ": it is one of Quorva's own files, in its state folder.");
}

void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName,
                       TProgress& progress, const TSystemResources& system)
{
    CheckNotStateFile(fileName, fileName);
    CheckExportFits(rows, column, fileName, system);
    WriteExport(rows, column, progress, [&](std::optional<TAtomicFileWriter>& writer) {
        writer.emplace(fileName, progress);
    });
}

void ExportTriangleCsvToStandardOutput(const TRowTable& rows, int column, TProgress& progress,
                                       const TSystemResources& system)
{
    // Where it is a file, its folder's space is checked, under the system's
    // name of the same file.
    struct stat status {};
    if (::fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode)) {
        std::string resolved;
        if (ResolveLinks(StandardOutputPath, resolved) == 0)
            CheckNotStateFile(resolved, resolved);
        CheckExportFits(rows, column, "/dev/stdout", system);
    } else {
        CheckTriangleInput(rows, column);
        CheckExportMemory(rows, column, system);
    }
    WriteExport(rows, column, progress, [](std::optional<TAtomicFileWriter>& writer) {
        writer.emplace(TAtomicFileWriter::TOpenDescriptor{STDOUT_FILENO, "standard output"});
    });
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
