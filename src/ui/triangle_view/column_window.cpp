#include "ui/triangle_view/column_window.h"

#include <algorithm>

namespace quorva {

void TColumnWindow::Clear()
{
    for (TSlot& slot : slots_)
        slot.column = -1;
}

void TColumnWindow::Read(const TTriangleGrid& grid, std::int64_t j, std::int64_t firstLine,
                         std::int64_t endLine, std::size_t readyColumns)
{
    if (firstLine != firstLine_ || endLine != endLine_) {
        Clear();
        firstLine_ = firstLine;
        endLine_ = endLine;
    }
    const auto ready = static_cast<std::int64_t>(std::min(readyColumns, grid.ColumnCount()));
    for (std::int64_t c = std::max<std::int64_t>(j - 1, 0); c <= j + 1 && c < ready; ++c) {
        TSlot& slot = slots_[static_cast<std::size_t>(c % Slots)];
        if (slot.column == c)
            continue;
        // Value i of column c stands on line 2i + c, and the column has
        // n - c of them.
        const std::int64_t first = std::max<std::int64_t>(firstLine - c + 1, 0) / 2;
        const std::int64_t end = std::clamp<std::int64_t>(
            (endLine - c + 1) / 2, first, static_cast<std::int64_t>(grid.ValueCount()) - c);
        slot.column = c;
        slot.first = first;
        slot.values.assign(static_cast<std::size_t>(end - first), BlankCellValue);
        grid.ForEachValue(cursor_, static_cast<std::size_t>(c), static_cast<std::size_t>(first),
                          static_cast<std::size_t>(end), [&](std::size_t i, std::int32_t value) {
                              slot.values[i - static_cast<std::size_t>(first)] = value;
                          });
    }
}

} // namespace quorva
