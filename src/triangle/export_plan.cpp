#include "triangle/export_plan.h"

#include <sys/stat.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/file_path.h"
#include "model/files/state_folder.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_export_pipeline.h"
#include "triangle/diff_triangle.h"
#include "triangle/triangle_budget.h"
#include "triangle/xlsx_limits.h"

namespace quorva {
namespace {

// The output a shell opened for the program, as the system names it.
constexpr const char* StandardOutputPath = "/proc/self/fd/1";

bool ColumnInRows(int column)
{
    return column >= 0 && column < RowWidth;
}

// Refuses, naming it as `shownName`, a target that is one of the program's
// own files, which the next start would read back as what they claim to be.
void CheckNotStateFile(const std::string& fileName, const std::string& shownName)
{
    if (IsInStateFolder(fileName))
        throw Error("The triangle cannot be written to " + QuotedName(shownName) +
                    ": it is one of Quorva's own files, in its state folder.");
}

} // namespace

TExportPlan::TExportPlan(const TRowTable& rows, int column, TExportFormat format,
                         const TSystemResources& system)
    : format_(format), system_(system), valueCount_(rows.size()), column_(column)
{
    if (ColumnInRows(column))
        values_ = ColumnValues(rows, column);
    cellSize_ = TriangleCellSize(values_);
    memory_ = format == TExportFormat::Xlsx ? XlsxMemoryBytes(valueCount_, cellSize_)
                                            : ExportMemoryBytes(valueCount_, cellSize_);
}

void TExportPlan::CheckMemory()
{
    if (memoryChecked_)
        return;
    CheckTriangleMemory(valueCount_, memory_, system_);
    memoryChecked_ = true;
}

void TExportPlan::CheckInput() const
{
    CheckTriangleInput(valueCount_, column_);
    if (format_ == TExportFormat::Xlsx)
        CheckSheetLines(valueCount_);
}

void TExportPlan::CheckDisk(const std::string& fileName)
{
    if (format_ == TExportFormat::Xlsx) {
        disk_ = XlsxXmlBytesUpperBound(values_);
        CheckXlsxDiskSpace(disk_, fileName, system_);
    } else {
        disk_ = CsvBytesUpperBound(values_);
        CheckCsvDiskSpace(disk_, fileName, system_);
    }
}

void TExportPlan::SetTarget(const std::string& fileName)
{
    CheckNotStateFile(fileName, fileName);
    CheckInput();
    CheckMemory();
    CheckDisk(fileName);
    fileName_ = fileName;
    toStandardOutput_ = false;
}

void TExportPlan::SetStandardOutput()
{
    // Where it is a file, its folder's space is checked, under the system's
    // name of the same file.
    struct stat status {};
    const bool file = ::fstat(STDOUT_FILENO, &status) == 0 && S_ISREG(status.st_mode);
    if (file) {
        std::string resolved;
        if (ResolveLinks(StandardOutputPath, resolved) == 0)
            CheckNotStateFile(resolved, resolved);
    }
    CheckInput();
    CheckMemory();
    if (file)
        CheckDisk("/dev/stdout");
    fileName_.clear();
    toStandardOutput_ = true;
}

} // namespace quorva
