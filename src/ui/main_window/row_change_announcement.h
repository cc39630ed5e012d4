#pragma once

#include <QString>

#include "model/rows/line_list.h"
#include "model/rows/row_change.h"

namespace quorva {

// How a step came about: done by the user's command, taken back, done again.
enum class TStepTaken { Done, Undone, Redone };

// What a screen reader is told once `change` has been taken as `taken`,
// read from `lines` as they then stand, rows counted from 1: "Added row 5
// of 5: 01 02 03 04 05 06 07", "Deleted row 3: …; 4 rows left", "Moved up
// to row 2 of 3: …"; an undone or redone step begins "Undo: " or "Redo: ".
QString RowChangeAnnouncement(const TRowChange& change, TStepTaken taken, const TLineList& lines);

} // namespace quorva
