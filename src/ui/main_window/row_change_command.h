#pragma once

#include <QUndoCommand>

#include <functional>

#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"

namespace quorva {

// One step of the window's history: a change the core has already made to
// the rows, taken back and done again on request.
class TRowChangeCommand : public QUndoCommand {
public:
    // Told of each undo and redo before it happens: whether the step is
    // applied, and the step as it stands then.
    using TRecordFn = std::function<void(bool apply, const TRowChange& change)>;

    // `taken` is told the same after each undo and redo.
    TRowChangeCommand(const QString& name, TRowChange change, TRowTable& rows, TLineList& lines,
                      TRecordFn record, TRecordFn taken = {});

    const TRowChange& Change() const { return change_; }

    void undo() override;
    // The first call comes as the step is pushed, when it is already done.
    void redo() override;

private:
    TRowChange change_;
    TRowTable& rows_;
    TLineList& lines_;
    TRecordFn record_;
    TRecordFn taken_;
    bool done_ = true;
};

} // namespace quorva
