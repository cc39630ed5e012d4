#include "ui/triangle_view/triangle_accessible.h"

#include <QWidget>

#include "ui/base/figure_locale.h"
#include "ui/triangle_view/cell_text.h"
#include "ui/triangle_view/triangle_canvas.h"

namespace quorva {
namespace {

// Selections larger than this are counted, not listed.
constexpr std::size_t MaxListedCells = 1000;

class TTriangleCellAccessible final : public QAccessibleInterface,
                                      public QAccessibleTableCellInterface {
public:
    TTriangleCellAccessible(TTriangleCanvas* canvas, int line, int column)
        : canvas_(canvas), line_(line), column_(column)
    {
    }

    bool isValid() const override { return canvas_ && canvas_->Grid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return canvas_ ? canvas_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(canvas_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::Cell; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        const TCellPosition cell = Position();
        if (kind == QAccessible::Name)
            return CellValueText(*canvas_->Grid(), cell);
        if (kind == QAccessible::Description)
            return CellDescription(*canvas_->Grid(), cell);
        return {};
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect cell = canvas_->CellRect(Position()).toAlignedRect();
        return QRect(canvas_->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.focusable = true;
        state.selectable = true;
        if (!isValid())
            return state;
        state.focused = canvas_->hasFocus() && canvas_->FocusedCell() == Position();
        state.selected = isSelected();
        state.invisible =
            !canvas_->viewport()->rect().intersects(canvas_->CellRect(Position()).toAlignedRect());
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override
    {
        if (!isValid())
            return false;
        const TCellRect selection = canvas_->Selection();
        const TCellPosition cell = Position();
        return cell.line >= selection.firstLine && cell.line < selection.endLine &&
               cell.column >= selection.firstColumn && cell.column < selection.endColumn;
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return line_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    TCellPosition Position() const
    {
        return {static_cast<std::size_t>(line_), static_cast<std::size_t>(column_)};
    }

    QPointer<TTriangleCanvas> canvas_;
    int line_;
    int column_;
};

QAccessibleInterface* TriangleAccessibleFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String(TTriangleCanvas::staticMetaObject.className()))
        if (auto* canvas = qobject_cast<TTriangleCanvas*>(object))
            return new TTriangleTableAccessible(canvas);
    return nullptr;
}

} // namespace

TTriangleTableAccessible::TTriangleTableAccessible(TTriangleCanvas* canvas)
    : QAccessibleWidget(canvas, QAccessible::Table)
{
}

TTriangleTableAccessible::~TTriangleTableAccessible()
{
    for (const auto& [cell, id] : cells_)
        QAccessible::deleteAccessibleInterface(id);
}

TTriangleCanvas* TTriangleTableAccessible::Canvas() const
{
    return static_cast<TTriangleCanvas*>(widget());
}

void* TTriangleTableAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* TTriangleTableAccessible::cellAt(int row, int column) const
{
    const TTriangleGrid* grid = Canvas()->Grid();
    if (!grid || row < 0 || column < 0 ||
        !grid->HasCell(static_cast<std::size_t>(row), static_cast<std::size_t>(column)))
        return nullptr;
    auto [place, made] = cells_.try_emplace({row, column}, 0);
    if (made)
        place->second = QAccessible::registerAccessibleInterface(
            new TTriangleCellAccessible(Canvas(), row, column));
    return QAccessible::accessibleInterface(place->second);
}

int TTriangleTableAccessible::rowCount() const
{
    const TTriangleGrid* grid = Canvas()->Grid();
    return grid ? static_cast<int>(grid->LineCount()) : 0;
}

int TTriangleTableAccessible::columnCount() const
{
    const TTriangleGrid* grid = Canvas()->Grid();
    return grid ? static_cast<int>(grid->ColumnCount()) : 0;
}

QString TTriangleTableAccessible::rowDescription(int row) const
{
    return QStringLiteral("line %1").arg(CountText(row + 1));
}

QString TTriangleTableAccessible::columnDescription(int column) const
{
    return QStringLiteral("column %1").arg(CountText(column + 1));
}

int TTriangleTableAccessible::selectedCellCount() const
{
    return static_cast<int>(selectedCells().size());
}

QList<QAccessibleInterface*> TTriangleTableAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    const TCellRect selection = Canvas()->Selection();
    for (std::size_t k = selection.firstLine; k < selection.endLine; ++k)
        for (std::size_t j = selection.firstColumn; j < selection.endColumn; ++j)
            if (static_cast<std::size_t>(cells.size()) < MaxListedCells)
                if (QAccessibleInterface* cell = cellAt(static_cast<int>(k), static_cast<int>(j)))
                    cells.push_back(cell);
    return cells;
}

void InstallTriangleAccessibility()
{
    static const bool installed = (QAccessible::installFactory(TriangleAccessibleFactory), true);
    (void)installed;
}

} // namespace quorva
