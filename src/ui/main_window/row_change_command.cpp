#include "ui/main_window/row_change_command.h"

#include <utility>

namespace quorva {

TRowChangeCommand::TRowChangeCommand(const QString& name, TRowChange change, TRowTable& rows,
                                     TLineList& lines, TRecordFn record, TRecordFn taken)
    : QUndoCommand(name), change_(std::move(change)), rows_(rows), lines_(lines),
      record_(std::move(record)), taken_(std::move(taken))
{
}

void TRowChangeCommand::undo()
{
    record_(false, change_);
    change_.Revert(rows_, lines_);
    done_ = false;
    if (taken_)
        taken_(false, change_);
}

void TRowChangeCommand::redo()
{
    if (done_)
        return;
    record_(true, change_);
    change_.Apply(rows_, lines_);
    done_ = true;
    if (taken_)
        taken_(true, change_);
}

} // namespace quorva
