#include "ui/main_window/row_change_announcement.h"

#include "ui/base/figure_locale.h"

namespace quorva {
namespace {

QString Line(const TLineList& lines, int index)
{
    return QString::fromStdString(lines.Line(index));
}

// A row's place as people read it, grouped the locale's way.
QString Place(int index)
{
    return CountText(std::uint64_t(index) + 1);
}

// One row, or the first to the last of several, with the list's length.
QString Rows(int first, int count, int total)
{
    return count == 1 ? QStringLiteral("row %1 of %2").arg(Place(first), CountText(total))
                      : QStringLiteral("rows %1 to %2 of %3")
                            .arg(Place(first), Place(first + count - 1), CountText(total));
}

QString RowsLeft(int total)
{
    return total == 1 ? QStringLiteral("1 row left")
                      : QStringLiteral("%1 rows left").arg(CountText(total));
}

// The step as the list now shows it: `applied` when it stands done.
QString WhatChanged(const TRowChange& change, bool applied, const TLineList& lines)
{
    const int total = lines.Count();
    const int first = change.Index();
    switch (change.Kind()) {
    case TRowChange::TKind::Append:
        if (!applied)
            return QStringLiteral("Removed %1; %2")
                .arg(change.Count() == 1
                         ? QStringLiteral("row %1").arg(Place(first))
                         : QStringLiteral("rows %1 to %2")
                               .arg(Place(first), Place(first + change.Count() - 1)),
                     RowsLeft(total));
        return QStringLiteral("Added %1").arg(Rows(first, change.Count(), total)) +
               (change.Count() == 1 ? QStringLiteral(": ") + Line(lines, first) : QString());
    case TRowChange::TKind::Delete:
        if (applied)
            return QStringLiteral("Deleted row %1: %2; %3")
                .arg(Place(first), QString::fromStdString(change.DeletedLine()), RowsLeft(total));
        return QStringLiteral("Restored %1: %2").arg(Rows(first, 1, total), Line(lines, first));
    case TRowChange::TKind::Exchange:
        break;
    }
    // The row that moved is the one selected now.
    const int moved = applied ? change.SelectedAfter() : change.SelectedBefore();
    return QStringLiteral("Moved %1 to %2: %3")
        .arg(moved == first ? QStringLiteral("up") : QStringLiteral("down"), Rows(moved, 1, total),
             Line(lines, moved));
}

} // namespace

QString RowChangeAnnouncement(const TRowChange& change, TStepTaken taken, const TLineList& lines)
{
    const QString what = WhatChanged(change, taken != TStepTaken::Undone, lines);
    switch (taken) {
    case TStepTaken::Undone:
        return QStringLiteral("Undo: ") + what;
    case TStepTaken::Redone:
        return QStringLiteral("Redo: ") + what;
    case TStepTaken::Done:
        break;
    }
    return what;
}

} // namespace quorva
