#include "triangle/compact_triangle.h"

#include <algorithm>

#include "model/base/huge_pages.h"
#include "triangle/diff_triangle.h"

namespace quorva {

template <class Cell>
TCompactTriangle<Cell>::TCompactTriangle(const std::vector<std::int32_t>& values)
    : TCompactTriangle(values, TSeedOnly{})
{
    for (std::size_t j = 1; j < ValueCount(); ++j)
        FillColumn(j);
}

template <class Cell>
TCompactTriangle<Cell>::TCompactTriangle(const std::vector<std::int32_t>& values, TSeedOnly)
{
    const std::size_t n = values.size();
    columnStart_.resize(n);
    std::size_t start = 0;
    for (std::size_t j = 0; j < n; ++j) {
        columnStart_[j] = start;
        start += n - j;
    }
    // A large triangle is hundreds of megabytes, first touched as it is filled.
    cells_.reset(new Cell[start]);
    AdviseHugePages(cells_.get(), start * sizeof(Cell));
    std::transform(values.begin(), values.end(), cells_.get(),
                   [](std::int32_t value) { return static_cast<Cell>(value); });
}

template <class Cell> void TCompactTriangle<Cell>::FillColumn(std::size_t j)
{
    FillColumnPart(j, 0, ValueCount() - j);
}

template <class Cell>
void TCompactTriangle<Cell>::FillColumnPart(std::size_t j, std::size_t begin, std::size_t end)
{
    const Cell* previous = cells_.get() + columnStart_[j - 1];
    Cell* column = cells_.get() + columnStart_[j];
    for (std::size_t i = begin; i < end; ++i)
        column[i] = CellDifference(previous[i], previous[i + 1]);
}

std::vector<std::int32_t> ColumnValues(const TRowTable& rows, int column)
{
    std::vector<std::int32_t> values;
    values.reserve(rows.size());
    for (const TNumberRow& row : rows)
        values.push_back(row[static_cast<std::size_t>(column)]);
    return values;
}

bool FitsByteCells(const std::vector<std::int32_t>& values)
{
    return std::all_of(values.begin(), values.end(),
                       [](std::int32_t value) { return value >= 0 && value <= 255; });
}

template class TCompactTriangle<std::uint8_t>;
template class TCompactTriangle<std::int32_t>;

} // namespace quorva
