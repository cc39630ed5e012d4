#pragma once

#include <QAccessibleWidget>
#include <QPointer>

#include <map>
#include <utility>

namespace quorva {

class TTriangleCanvas;

// The triangle as a screen reader's table: lines are rows, fields are
// columns, and every cell of the triangle is a cell named by its value
// ("17") or "blank". Cells are made as they are asked for and kept until the
// canvas goes.
class TTriangleTableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TTriangleTableAccessible(TTriangleCanvas* canvas);
    ~TTriangleTableAccessible() override;

    void* interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int rowCount() const override;
    int columnCount() const override;
    QString rowDescription(int row) const override;
    QString columnDescription(int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    TTriangleCanvas* Canvas() const;

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
};

// Makes the canvas's table the one screen readers see; once per program, and
// before the first canvas is made (the triangle's window does so).
void InstallTriangleAccessibility();

} // namespace quorva
