#include "triangle/xlsx_limits.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "model/base/figures.h"
#include "model/files/file_path.h"
#include "triangle/checkpoint_triangle.h"

namespace quorva {
namespace {

// Cells of one line the library holds until the next line starts, and what
// it takes for each (its cell and its place in the line's tree).
constexpr std::uint64_t LibraryCellBytes = 128;
constexpr std::uint64_t LibraryBaseBytes = 8 << 20;

} // namespace

bool PassesSpreadsheetColumns(std::size_t valueCount)
{
    return valueCount > SheetColumns;
}

std::string SpreadsheetColumnsNotice(std::size_t valueCount)
{
    return "The triangle of " + FormatCount(valueCount) + " values has " + FormatCount(valueCount) +
           " columns, but spreadsheets keep only the first " + FormatCount(SheetColumns) +
           " columns of a CSV file and drop the rest without a word. The spreadsheet (.xlsx) "
           "export and the triangle view show them all.";
}

std::string SheetName(std::size_t first, std::size_t last)
{
    return "columns " + std::to_string(first) + "\u2013" + std::to_string(last);
}

std::uint64_t XlsxMemoryBytes(std::uint64_t valueCount, std::uint64_t cellSize)
{
    const std::uint64_t triangle =
        TCheckpointTriangle<std::uint8_t>::CellCount(valueCount, KeptColumnBytes / cellSize) *
        cellSize;
    const std::uint64_t columns = valueCount * sizeof(std::int32_t);
    const std::uint64_t line = (valueCount + 1) / 2 * (LibraryCellBytes + cellSize);
    return triangle + columns + line + LibraryBaseBytes;
}

std::string XlsxWorkFolder(const std::string& fileName)
{
    std::string target;
    if (ResolveLinks(fileName, target) != 0)
        target = fileName;
    const std::string folder = FolderOf(target);
    if (::access(folder.c_str(), W_OK | X_OK) == 0)
        return folder;
    std::error_code error;
    const std::filesystem::path system = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : system.string();
}

} // namespace quorva
