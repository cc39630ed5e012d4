#include "model/row_editing.h"

#include <new>
#include <utility>
#include <vector>

#include "model/error.h"
#include "model/growth.h"
#include "model/row_line.h"

namespace quorva {
namespace {

// The existing lines whose text differs from their row's rendering, and the
// bytes their new text takes. Only these are replaced, so a view is told
// about real changes only; the result is the same as clearing the list and
// adding every line anew.
struct TStaleLines {
    std::vector<int> indexes;
    std::size_t newBytes = 0;
};

TStaleLines FindStaleLines(const TRowTable& rows, const TLineList& lines)
{
    TStaleLines stale;
    TRowLineBuffer buffer;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = RowToLine(rows[static_cast<std::size_t>(i)], buffer);
        if (line != lines.Line(i)) {
            stale.indexes.push_back(i);
            stale.newBytes += line.size();
        }
    }
    return stale;
}

void RenderLines(const TRowTable& rows, TLineList& lines, const std::vector<int>& indexes)
{
    TRowLineBuffer buffer;
    for (int i : indexes)
        lines.Replace(i, RowToLine(rows[static_cast<std::size_t>(i)], buffer));
}

void ExchangeWithNeighbour(TRowTable& rows, TLineList& lines, int s, int neighbour)
{
    // Both lines change or neither: the room for both comes first.
    std::string upper;
    std::string lower;
    try {
        upper = lines.Line(s);
        lower = lines.Line(neighbour);
        lines.Reserve(0, upper.size() + lower.size());
    } catch (const std::bad_alloc&) {
        throw Error(MoveOutOfMemoryMessage);
    }
    lines.Replace(s, lower);
    lines.Replace(neighbour, upper);
    std::swap(rows[static_cast<std::size_t>(s)], rows[static_cast<std::size_t>(neighbour)]);
    lines.Select(neighbour);
}

// The rows rendered as one text and the place of each line in it.
struct TRenderedRows {
    std::string text;
    std::vector<TTextSpan> spans;
};

TRenderedRows Render(const TRowTable& added)
{
    TRenderedRows rendered;
    rendered.spans.reserve(added.size());
    TRowLineBuffer buffer;
    for (const TNumberRow& row : added) {
        const std::string_view line = RowToLine(row, buffer);
        rendered.spans.push_back({rendered.text.size(), line.size()});
        rendered.text += line;
    }
    return rendered;
}

// Appends the rows, renders every line again from its row and selects the new
// last line. Everything that can run out of memory comes first; once it is
// done the change cannot fail halfway.
void AppendRendered(TRowTable& rows, TLineList& lines, const TRowTable& added,
                    const char* outOfMemoryMessage)
{
    TStaleLines stale;
    TRenderedRows rendered;
    try {
        stale = FindStaleLines(rows, lines);
        rendered = Render(added);
        GrowTo(rows, rows.size() + added.size());
        lines.Reserve(added.size(), stale.newBytes + rendered.text.size());
    } catch (const std::bad_alloc&) {
        throw Error(outOfMemoryMessage);
    }
    rows.insert(rows.end(), added.begin(), added.end());
    RenderLines(rows, lines, stale.indexes);
    lines.Append(rendered.text, rendered.spans);
    lines.Select(lines.Count() - 1);
}

} // namespace

void AddRow(TRowTable& rows, TLineList& lines, const TNumberRow& row)
{
    AppendRendered(rows, lines, TRowTable{row}, AddOutOfMemoryMessage);
}

void AppendRows(TRowTable& rows, TLineList& lines, const TRowTable& added)
{
    if (!added.empty())
        AppendRendered(rows, lines, added, PasteOutOfMemoryMessage);
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
