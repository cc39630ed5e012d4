#include "ui/row_list_view.h"

#include <QKeyEvent>

#include <utility>

namespace quorva {

TRowListView::TRowListView(TLineListModel& model, TPrefixSearch::TClock clock, QWidget* parent)
    : QListView(parent), model_(model), search_(std::move(clock))
{
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    connect(&model_, &TLineListModel::SelectedLineChanged, this, &TRowListView::ShowSelectedLine);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TRowListView::TakeUserSelection);
}

void TRowListView::ShowSelectedLine(int selected)
{
    const bool wasShowing = std::exchange(showing_, true);
    QItemSelectionModel& selection = *selectionModel();
    if (selected < 0 || selected >= model_.rowCount()) {
        selection.clearSelection();
        selection.clearCurrentIndex();
    } else {
        const QModelIndex line = model_.index(selected);
        selection.setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
        scrollTo(line);
    }
    showing_ = wasShowing;
}

void TRowListView::TakeUserSelection()
{
    // While lines come and go the view moves its selection to neighbouring
    // rows by itself; the line list announces its own selection afterwards.
    if (showing_ || model_.IsChanging())
        return;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    model_.SelectLine(selected.isEmpty() ? TLineList::NoSelection : selected.first().row());
}

bool TRowListView::IsTypedCharacter(const QKeyEvent& event)
{
    if (event.text().isEmpty())
        return false;
    return event.key() != Qt::Key_Tab && event.key() != Qt::Key_Backtab;
}

void TRowListView::keyPressEvent(QKeyEvent* event)
{
    if (!IsTypedCharacter(*event)) {
        QListView::keyPressEvent(event);
        return;
    }
    // Each character of the event counts as one typed key.
    for (const QChar key : event->text()) {
        if (const auto line = search_.Type(key, model_.Lines()))
            model_.SelectLine(*line);
    }
    event->accept();
}

} // namespace quorva
