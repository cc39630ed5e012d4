#include "support/window_state.h"

#include "model/rows/row_line.h"
#include "model/rows/row_list_file.h"

namespace quorva::test {

TWindowState::TWindowState(const std::vector<std::string>& rowLines)
{
    for (const std::string& line : rowLines)
        rows.push_back(LineToRow(line));
    lines.Assign(rowLines);
    lines.Select(static_cast<int>(rowLines.size()) / 2);
}

bool TWindowState::SameAs(const TWindowState& other) const
{
    return rows == other.rows && lines.Lines() == other.lines.Lines() &&
           lines.SelectedIndex() == other.lines.SelectedIndex();
}

std::vector<std::string> SampleRowLines(std::size_t count)
{
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TNumberRow row;
        for (std::size_t j = 0; j < row.size(); ++j)
            row[j] = static_cast<std::int32_t>((i * 37 + j * 11 + i * i) % 100);
        lines.push_back(RowToLine(row));
    }
    return lines;
}

const TWindowState& ManyRowsState()
{
    static const TWindowState state(SampleRowLines(150'000));
    return state;
}

} // namespace quorva::test
