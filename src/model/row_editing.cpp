#include "model/row_editing.h"

#include <utility>

#include "model/row_line.h"

namespace quorva {
namespace {

// Renders every existing line again from its row. Only lines whose text
// differs are replaced, so a view is told about real changes only; the result
// is the same as clearing the list and adding every line anew.
void RenderExistingLines(const TRowTable& rows, TLineList& lines)
{
    TRowLineBuffer buffer;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = RowToLine(rows[static_cast<std::size_t>(i)], buffer);
        if (line != lines.Line(i))
            lines.Replace(i, line);
    }
}

void ExchangeWithNeighbour(TRowTable& rows, TLineList& lines, int s, int neighbour)
{
    std::string upper(lines.Line(s));
    std::string lower(lines.Line(neighbour));
    lines.Replace(s, lower);
    lines.Replace(neighbour, upper);
    std::swap(rows[static_cast<std::size_t>(s)], rows[static_cast<std::size_t>(neighbour)]);
    lines.Select(neighbour);
}

} // namespace

void AddRow(TRowTable& rows, TLineList& lines, const TNumberRow& row)
{
    rows.push_back(row);
    RenderExistingLines(rows, lines);
    lines.Add(RowToLine(row));
    lines.Select(lines.Count() - 1);
}

void AppendRows(TRowTable& rows, TLineList& lines, const TRowTable& added)
{
    if (added.empty())
        return;
    std::string text;
    std::vector<TTextSpan> spans;
    spans.reserve(added.size());
    TRowLineBuffer buffer;
    for (const TNumberRow& row : added) {
        const std::string_view line = RowToLine(row, buffer);
        spans.push_back({text.size(), line.size()});
        text += line;
    }
    // Whatever may fail to allocate does so before rows and lines part ways.
    rows.reserve(rows.size() + added.size());
    RenderExistingLines(rows, lines);
    lines.Append(text, spans);
    rows.insert(rows.end(), added.begin(), added.end());
    lines.Select(lines.Count() - 1);
}

void DeleteSelectedRow(TRowTable& rows, TLineList& lines)
{
    const int i = lines.SelectedIndex();
    if (i == TLineList::NoSelection)
        return;
    rows.erase(rows.begin() + i);
    lines.Delete(i);
    if (i < lines.Count())
        lines.Select(i);
    else if (lines.Count() > 0)
        lines.Select(i - 1);
}

void MoveSelectedRowUp(TRowTable& rows, TLineList& lines)
{
    const int s = lines.SelectedIndex();
    if (s <= 0)
        return;
    ExchangeWithNeighbour(rows, lines, s, s - 1);
}

void MoveSelectedRowDown(TRowTable& rows, TLineList& lines)
{
    const int s = lines.SelectedIndex();
    if (s == TLineList::NoSelection || s >= lines.Count() - 1)
        return;
    ExchangeWithNeighbour(rows, lines, s, s + 1);
}

} // namespace quorva
