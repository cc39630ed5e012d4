#include "triangle/triangle_budget.h"

#include <string>

#include "model/error.h"
#include "triangle/compact_triangle.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

bool ColumnFitsByteCells(const TRowTable& rows, int column)
{
    for (const TNumberRow& row : rows) {
        const std::int32_t value = row[static_cast<std::size_t>(column)];
        if (value < 0 || value > 255)
            return false;
    }
    return true;
}

} // namespace

std::uint64_t TriangleMemoryNeeded(const TRowTable& rows, int column)
{
    const std::uint64_t n = rows.size();
    const std::uint64_t cellSize = ColumnFitsByteCells(rows, column) ? 1 : sizeof(std::int32_t);
    // The non-blank half, n (n + 1) / 2 cells, and where each column starts.
    return n * (n + 1) / 2 * cellSize + n * sizeof(std::size_t) + n * sizeof(std::int32_t);
}

void CheckTriangleFitsInMemory(const TRowTable& rows, int column, const TSystemResources& system)
{
    CheckTriangleInput(rows, column);
    const std::uint64_t needed = TriangleMemoryNeeded(rows, column);
    const std::uint64_t available = system.AvailableMemory();
    if (needed <= available)
        return;
    throw Error("The triangle of " + std::to_string(rows.size()) + " values needs " +
                FormatBytes(needed) + " of memory, but " + FormatBytes(available) +
                " is available.");
}

} // namespace quorva
