#pragma once

#include <optional>
#include <string_view>

#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"

namespace quorva {

// Rows brought in as text, as a spreadsheet or a text editor copies them:
// every line that is not blank holds exactly seven whole numbers from 0 to
// 99, separated by spaces, a tab, a comma or a semicolon. Lines may end in
// CR LF, LF or CR.
//
// Raises Error naming the first line (counted from 1, blank ones included)
// that is not such a row, and showing its text on a line of its own.
TRowTable ParseRowText(std::string_view text);

// Whether at least one line of the text is such a row: text meant as rows,
// not as a single number for a field.
bool HoldsRow(std::string_view text);

// Parses the text and appends its rows as AppendRows does; on a bad line
// nothing is added and the Error of ParseRowText escapes. Memory that runs
// out, in either part, ends as "Not enough memory to paste the rows." with
// nothing added. Returns the step, nothing when the text held no rows.
std::optional<TRowChange> PasteRows(TRowTable& rows, TLineList& lines, std::string_view text);

} // namespace quorva
