#pragma once

#include <optional>

#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"

namespace quorva {

// The editing operations behind Add, Delete, Moove Up and Moove Down. Each
// changes the row table, the row lines and the selection together, so that
// line i always belongs to row i, and returns what it changed, so that the
// step can be taken back; nothing when it changed nothing.

// Appends the row, renders every line again from its row and selects the new
// last line. When memory runs out, raises "Not enough memory to add the row."
// with the rows and lines as they were.
TRowChange AddRow(TRowTable& rows, TLineList& lines, const TNumberRow& row);

inline constexpr const char* AddOutOfMemoryMessage = "Not enough memory to add the row.";
inline constexpr const char* MoveOutOfMemoryMessage = "Not enough memory to move the row.";
inline constexpr const char* PasteOutOfMemoryMessage = "Not enough memory to paste the rows.";

// Appends the rows in one pass with the same result as adding each with
// AddRow: every line rendered from its row, the last one selected. Nothing
// happens when `added` is empty. When memory runs out, raises "Not enough
// memory to paste the rows." with the rows and lines as they were.
std::optional<TRowChange> AppendRows(TRowTable& rows, TLineList& lines, const TRowTable& added);

// Deletes the selected row; the line that took its place, or else the new
// last line, becomes selected. Nothing happens when no line is selected.
std::optional<TRowChange> DeleteSelectedRow(TRowTable& rows, TLineList& lines);

// Exchange the selected row and its line with the neighbour above / below and
// keep them selected. Nothing happens without a selection or at the edge.
// When memory runs out, raises "Not enough memory to move the row." with
// nothing moved.
std::optional<TRowChange> MoveSelectedRowUp(TRowTable& rows, TLineList& lines);
std::optional<TRowChange> MoveSelectedRowDown(TRowTable& rows, TLineList& lines);

// Empties the rows and their lines and gives their memory back: a new, empty
// list, with nothing selected. Not a step that can be taken back.
void ClearRows(TRowTable& rows, TLineList& lines);

} // namespace quorva
