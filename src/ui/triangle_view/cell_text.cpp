#include "ui/triangle_view/cell_text.h"

#include <cstdint>
#include <optional>

#include "ui/base/figure_locale.h"

namespace quorva {
namespace {

QString Numbered(TCellPosition cell)
{
    return QStringLiteral("line %1, column %2")
        .arg(CountText(cell.line + 1), CountText(cell.column + 1));
}

bool IsBuilt(const TTriangleGrid& grid, TCellPosition cell)
{
    return cell.column < grid.ReadyColumns();
}

// A cell still being built is told as such rather than waited for, so that
// a screen reader never holds the window.
QString ValueText(const TTriangleGrid& grid, TCellPosition cell)
{
    if (!IsBuilt(grid, cell))
        return QStringLiteral("not yet computed");
    const std::optional<std::int32_t> value = grid.Cell(cell.line, cell.column);
    return value ? QString::number(*value) : QStringLiteral("blank");
}

} // namespace

QString CellValueText(const TTriangleGrid& grid, TCellPosition cell)
{
    return ValueText(grid, cell);
}

QString CellAccessibleText(const TTriangleGrid& grid, TCellPosition cell)
{
    return Numbered(cell) + QStringLiteral(": ") + ValueText(grid, cell);
}

QString CellDescription(const TTriangleGrid& grid, TCellPosition cell)
{
    QString text = CellAccessibleText(grid, cell);
    text[0] = text[0].toUpper();
    if (!IsBuilt(grid, cell) || !grid.Cell(cell.line, cell.column))
        return text;
    if (const auto parents = TTriangleGrid::ParentLines(cell.line, cell.column))
        return text + QStringLiteral(", the difference of lines %1 and %2 of column %3")
                          .arg(CountText(parents->first + 1), CountText(parents->second + 1),
                               CountText(cell.column));
    return text + QStringLiteral(", from row %1 of the list").arg(CountText(cell.line / 2 + 1));
}

} // namespace quorva
