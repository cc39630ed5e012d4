#include "model/rows/row_editing.h"

#include <new>
#include <utility>

#include "model/base/error.h"

namespace quorva {
namespace {

// Makes the change and applies it. Both happen before anything changes or
// not at all, so running out of memory leaves the rows and lines as they
// were and says which operation could not be done.
template <class TMake>
TRowChange Perform(TRowTable& rows, TLineList& lines, const char* outOfMemoryMessage, TMake make)
{
    try {
        TRowChange change = make();
        change.Apply(rows, lines);
        return change;
    } catch (const std::bad_alloc&) {
        throw Error(outOfMemoryMessage);
    }
}

TRowChange Exchange(TRowTable& rows, TLineList& lines, int upper, int selectAfter)
{
    return Perform(rows, lines, MoveOutOfMemoryMessage,
                   [&] { return TRowChange::Exchange(lines, upper, selectAfter); });
}

} // namespace

TRowChange AddRow(TRowTable& rows, TLineList& lines, const TNumberRow& row)
{
    return Perform(rows, lines, AddOutOfMemoryMessage,
                   [&] { return TRowChange::Append(rows, lines, TRowTable{row}); });
}

std::optional<TRowChange> AppendRows(TRowTable& rows, TLineList& lines, const TRowTable& added)
{
    if (added.empty())
        return std::nullopt;
    return Perform(rows, lines, PasteOutOfMemoryMessage,
                   [&] { return TRowChange::Append(rows, lines, added); });
}

std::optional<TRowChange> DeleteSelectedRow(TRowTable& rows, TLineList& lines)
{
    const int i = lines.SelectedIndex();
    if (i == TLineList::NoSelection)
        return std::nullopt;
    TRowChange change = TRowChange::Delete(lines, i);
    change.Apply(rows, lines);
    return change;
}

std::optional<TRowChange> MoveSelectedRowUp(TRowTable& rows, TLineList& lines)
{
    const int s = lines.SelectedIndex();
    if (s <= 0)
        return std::nullopt;
    return Exchange(rows, lines, s - 1, s - 1);
}

std::optional<TRowChange> MoveSelectedRowDown(TRowTable& rows, TLineList& lines)
{
    const int s = lines.SelectedIndex();
    if (s == TLineList::NoSelection || s >= lines.Count() - 1)
        return std::nullopt;
    return Exchange(rows, lines, s, s + 1);
}

void ClearRows(TRowTable& rows, TLineList& lines)
{
    lines.Clear();
    rows = TRowTable();
}

} // namespace quorva
