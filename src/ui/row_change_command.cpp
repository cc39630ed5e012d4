#include "ui/row_change_command.h"

#include <utility>

namespace quorva {

TRowChangeCommand::TRowChangeCommand(const QString& name, TRowChange change, TRowTable& rows,
                                     TLineList& lines)
    : QUndoCommand(name), change_(std::move(change)), rows_(rows), lines_(lines)
{
}

void TRowChangeCommand::undo()
{
    change_.Revert(rows_, lines_);
    done_ = false;
}

void TRowChangeCommand::redo()
{
    if (done_)
        return;
    change_.Apply(rows_, lines_);
    done_ = true;
}

} // namespace quorva
