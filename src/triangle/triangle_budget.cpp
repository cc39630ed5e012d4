#include "triangle/triangle_budget.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>

#include "model/base/error.h"
#include "model/base/figures.h"
#include "model/base/shown_name.h"
#include "model/files/atomic_file_writer.h"
#include "model/files/file_path.h"
#include "model/files/in_place_backup.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_export_pipeline.h"
#include "triangle/diff_triangle.h"
#include "triangle/triangle_grid.h"
#include "triangle/xlsx_limits.h"

namespace quorva {
namespace {

struct TColumnRange {
    std::int64_t low = 0;
    std::int64_t high = 0;
};

TColumnRange RangeOf(const std::vector<std::int32_t>& values)
{
    TColumnRange range{std::numeric_limits<std::int64_t>::max(),
                       std::numeric_limits<std::int64_t>::min()};
    for (const std::int64_t value : values) {
        range.low = std::min(range.low, value);
        range.high = std::max(range.high, value);
    }
    return range;
}

std::uint64_t CellSize(const TRowTable& rows, int column)
{
    return TriangleCellSize(ColumnValues(rows, column));
}

std::uint64_t DigitCount(std::uint64_t value)
{
    std::uint64_t digits = 1;
    for (; value >= 10; value /= 10)
        ++digits;
    return digits;
}

// The most digits any cell beyond the values' own column can have. Without
// negative values every difference lies between 0 and the largest value.
// A negative value leaves blanks, which read as -1 when they are a lower
// parent, so a column's differences can grow by one from the column before;
// past 32 bits they wrap, and any cell up to INT32_MAX is possible.
std::uint64_t DifferenceDigits(const std::vector<std::int32_t>& values)
{
    const TColumnRange range = RangeOf(values);
    if (range.low >= 0)
        return DigitCount(static_cast<std::uint64_t>(range.high));
    const std::uint64_t grown = static_cast<std::uint64_t>(range.high - range.low) + values.size();
    constexpr std::uint64_t Largest = std::numeric_limits<std::int32_t>::max();
    return DigitCount(std::min(grown, Largest));
}

[[noreturn]] void ThrowNotEnoughMemory(std::size_t valueCount, std::uint64_t needed,
                                       std::uint64_t available)
{
    throw Error("The triangle of " + FormatCount(valueCount) + " values needs " +
                FormatBytes(needed) + " of memory, but " + FormatBytes(available) +
                " is available.");
}

void CheckMemory(const TRowTable& rows, std::uint64_t needed, const TSystemResources& system)
{
    CheckTriangleMemory(rows.size(), needed, system);
}

// The folder whose file system receives the file's new blocks: the one the
// writer writes to, under its full name; empty when the target is no regular
// file (a device or a pipe is written in place and takes no space there) or
// cannot be reached, which the writer reports.
std::string FolderReceiving(const std::string& fileName)
{
    std::string target;
    struct stat status {};
    if (ResolveLinks(fileName, target) != 0 ||
        (::stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)))
        return {};
    return CanonicalPath(FolderOf(target));
}

void CheckDiskSpace(std::uint64_t needed, const std::string& fileName,
                    const TSystemResources& system, const std::string& needs)
{
    const std::string folder = FolderReceiving(fileName);
    if (folder.empty())
        return;
    std::error_code error;
    if (RewritesInPlace(fileName)) {
        const std::uintmax_t oldBytes = std::filesystem::file_size(fileName, error);
        CheckInPlaceSpace(fileName, error ? 0 : oldBytes, needed, needs, system);
        return;
    }
    if (!system.StoresFiles(folder))
        throw Error("Cannot create file " + QuotedName(AbsolutePath(fileName)) + ". The folder " +
                    QuotedName(folder) +
                    " is on a file system of the kernel's own, which stores no files.");
    // The new file is written beside the old one and replaces it only when
    // complete, so the old file's space does not count as free.
    const std::uint64_t free = system.FreeSpace(folder);
    if (needed > free)
        throw Error(needs + FormatBytes(needed) + ", but the folder " + QuotedName(folder) +
                    " has " + FormatBytes(free) + " free.");
}

} // namespace

std::uint64_t TriangleCellSize(const std::vector<std::int32_t>& values)
{
    // The same rule as the triangle's own choice of form.
    return FitsByteCells(values) ? 1 : sizeof(std::int32_t);
}

void CheckTriangleMemory(std::size_t valueCount, std::uint64_t needed,
                         const TSystemResources& system)
{
    const std::uint64_t available = system.AvailableMemory();
    if (needed > available)
        ThrowNotEnoughMemory(valueCount, needed, available);
}

void CheckCsvDiskSpace(std::uint64_t needed, const std::string& fileName,
                       const TSystemResources& system)
{
    CheckDiskSpace(needed, fileName, system, "The CSV file needs up to ");
}

std::uint64_t TriangleMemoryNeeded(const TRowTable& rows, int column)
{
    const std::uint64_t n = rows.size();
    // The non-blank half, n (n + 1) / 2 cells, and where each column starts.
    return n * (n + 1) / 2 * CellSize(rows, column) + n * sizeof(std::size_t) +
           n * sizeof(std::int32_t);
}

std::uint64_t GridMemoryNeeded(const TRowTable& rows, int column)
{
    return TTriangleGrid::MemoryNeeded(rows.size(), CellSize(rows, column));
}

void CheckGridFitsInMemory(const TRowTable& rows, int column, const TSystemResources& system)
{
    CheckTriangleInput(rows, column);
    CheckMemory(rows, GridMemoryNeeded(rows, column), system);
}

void CheckCopyFitsInMemory(std::uint64_t textBytes, const TSystemResources& system)
{
    const std::uint64_t needed = textBytes * 4;
    const std::uint64_t available = system.AvailableMemory();
    if (needed > available)
        throw Error("The copy needs " + FormatBytes(needed) + " of memory, but " +
                    FormatBytes(available) + " is available.");
}

std::uint64_t CsvBytesUpperBound(const TRowTable& rows, int column)
{
    return CsvBytesUpperBound(ColumnValues(rows, column));
}

std::uint64_t CsvBytesUpperBound(const std::vector<std::int32_t>& values)
{
    const std::uint64_t n = values.size();
    if (n == 0)
        return 0;
    // Every one of the n² cells ends in ';' and each of the 2n - 1 lines in
    // CR LF; the values' digits are counted exactly.
    std::uint64_t bytes = n * n + 2 * (2 * n - 1);
    for (const std::int32_t value : values)
        if (value >= 0)
            bytes += DigitCount(static_cast<std::uint64_t>(value));
    return bytes + n * (n - 1) / 2 * DifferenceDigits(values);
}

namespace {

// The longest text of a cell in a sheet's XML, less its digits: the
// markup around the number and a reference of three letters and the line's
// digits.
std::uint64_t XmlCellMarkupBytes(std::uint64_t lineCount)
{
    return std::string_view(R"(<c r=""><v></v></c>)").size() + 3 + DigitCount(lineCount);
}

} // namespace

void CheckSheetLines(std::size_t valueCount)
{
    if (2 * valueCount - 1 > SheetLines)
        throw Error("The triangle of " + FormatCount(valueCount) + " values has " +
                    FormatCount(2 * valueCount - 1) + " lines, but a spreadsheet holds " +
                    FormatCount(SheetLines) + ".");
}

std::uint64_t XlsxXmlBytesUpperBound(const TRowTable& rows, int column)
{
    return XlsxXmlBytesUpperBound(ColumnValues(rows, column));
}

std::uint64_t XlsxXmlBytesUpperBound(const std::vector<std::int32_t>& values)
{
    const std::uint64_t n = values.size();
    if (n == 0)
        return 0;
    // The CSV's digits are the cells' digits; every cell that may hold one
    // has its markup, and each line of each sheet its own element.
    const std::uint64_t digits = CsvBytesUpperBound(values) - n * n - 2 * (2 * n - 1);
    const std::uint64_t lines = 2 * n - 1;
    const std::uint64_t sheets = (n + SheetColumns - 1) / SheetColumns;
    constexpr std::uint64_t LineMarkup = 64;
    constexpr std::uint64_t WorkbookParts = 64 << 10;
    return digits + n * (n + 1) / 2 * XmlCellMarkupBytes(lines) + lines * sheets * LineMarkup +
           WorkbookParts;
}

void CheckXlsxExportMemory(const TRowTable& rows, int column, const TSystemResources& system)
{
    CheckMemory(rows, XlsxMemoryBytes(rows.size(), CellSize(rows, column)), system);
}

void CheckXlsxExportFits(const TRowTable& rows, int column, const std::string& fileName,
                         const TSystemResources& system)
{
    CheckTriangleInput(rows, column);
    CheckSheetLines(rows.size());
    CheckXlsxExportMemory(rows, column, system);
    CheckXlsxDiskSpace(XlsxXmlBytesUpperBound(rows, column), fileName, system);
}

void CheckXlsxDiskSpace(std::uint64_t xml, const std::string& fileName,
                        const TSystemResources& system)
{
    // The sheets' cells, then each sheet's XML assembled from them, then the
    // archive, which is smaller than either: all three at once in the work
    // folder. The archive's copy beside the target comes once the sheets'
    // files are gone, so in one folder the three are the most at any time.
    const std::string needs = "The spreadsheet file needs up to ";
    // A name in the work folder stands for the library's unnamed files.
    const std::string work = XlsxWorkFolder(fileName) + "/.quorva-work";
    if (FolderReceiving(fileName) == FolderReceiving(work)) {
        CheckDiskSpace(3 * xml, fileName, system, needs);
        return;
    }
    CheckDiskSpace(3 * xml, work, system, needs);
    CheckDiskSpace(xml, fileName, system, needs);
}

void CheckExportMemory(const TRowTable& rows, int column, const TSystemResources& system)
{
    CheckMemory(rows, ExportMemoryBytes(rows.size(), CellSize(rows, column)), system);
}

void CheckExportFits(const TRowTable& rows, int column, const std::string& fileName,
                     const TSystemResources& system)
{
    CheckTriangleInput(rows, column);
    CheckExportMemory(rows, column, system);
    CheckCsvDiskSpace(CsvBytesUpperBound(rows, column), fileName, system);
}

} // namespace quorva
