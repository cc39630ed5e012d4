#include "ui/main_window/line_list_model.h"

#include "ui/base/display_text.h"
#include "ui/base/figure_locale.h"

namespace quorva {

TLineListModel::TLineListModel(TLineList& lines, QObject* parent)
    : QAbstractListModel(parent), lines_(lines)
{
    lines_.SetObserver(this);
}

TLineListModel::~TLineListModel()
{
    lines_.SetObserver(nullptr);
}

int TLineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : lines_.Count();
}

QVariant TLineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= lines_.Count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        TRowLineBuffer buffer;
        return DisplayText(lines_.Line(index.row(), buffer));
    }
    // Where a screen reader's user stands in the list, counted from 1.
    if (role == Qt::AccessibleDescriptionRole)
        return QStringLiteral("row %1 of %2")
            .arg(CountText(index.row() + 1), CountText(lines_.Count()));
    return {};
}

Qt::ItemFlags TLineListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TLineListModel::LinesAboutToBeInserted(int first, int last)
{
    changing_ = true;
    beginInsertRows(QModelIndex(), first, last);
}

void TLineListModel::LinesInserted(int, int)
{
    endInsertRows();
    changing_ = false;
}

void TLineListModel::LinesAboutToBeRemoved(int first, int last)
{
    changing_ = true;
    beginRemoveRows(QModelIndex(), first, last);
}

void TLineListModel::LinesRemoved(int, int)
{
    endRemoveRows();
    changing_ = false;
}

void TLineListModel::LinesChanged(int first, int last)
{
    emit dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::AccessibleTextRole});
}

void TLineListModel::LinesAboutToBeReset()
{
    changing_ = true;
    beginResetModel();
}

void TLineListModel::LinesReset()
{
    endResetModel();
    changing_ = false;
}

void TLineListModel::SelectionChanged(int selected)
{
    emit SelectedLineChanged(selected);
}

} // namespace quorva
