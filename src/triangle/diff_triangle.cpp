#include "triangle/diff_triangle.h"

#include "model/base/error.h"

namespace quorva {

void CheckTriangleInput(const TRowTable& rows, int column)
{
    CheckTriangleInput(rows.size(), column);
}

void CheckTriangleInput(std::size_t valueCount, int column)
{
    // An empty table would need a triangle of -1 lines.
    if (valueCount == 0 || column < 0 || column >= RowWidth)
        throw Error("Range check error");
}

std::size_t TriangleRowLength(std::size_t k, std::size_t lineCount)
{
    return std::min(k + 1, lineCount - k);
}

} // namespace quorva
