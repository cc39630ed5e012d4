#include "ui/main_window/row_list_view.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>
#include <utility>

#include "ui/base/display_text.h"

namespace quorva {

namespace {

// Pixel positions far outside the viewport are clamped: such a line is
// invisible either way, and its offset could exceed an int in a long list.
int ClampedPixels(qint64 pixels)
{
    constexpr qint64 Limit = std::numeric_limits<int>::max() / 4;
    return static_cast<int>(std::clamp(pixels, -Limit, Limit));
}

} // namespace

TRowListView::TRowListView(TLineListModel& model, TWindowClock clock, QWidget* parent)
    : QListView(parent), model_(model), search_(std::move(clock))
{
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    connect(&model_, &TLineListModel::SelectedLineChanged, this, &TRowListView::ShowSelectedLine);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TRowListView::TakeUserSelection);
    const auto edited = [this] { AnnounceAfterEdit(); };
    connect(&model_, &QAbstractItemModel::rowsInserted, this, edited);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, edited);
    connect(&model_, &QAbstractItemModel::dataChanged, this, edited);
    connect(&model_, &QAbstractItemModel::modelReset, this, edited);
}

int TRowListView::LineCount() const
{
    return model_.rowCount();
}

int TRowListView::LineHeight() const
{
    if (LineCount() == 0)
        return std::max(1, fontMetrics().height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return std::max(1, itemDelegate()->sizeHint(option, model_.index(0)).height());
}

int TRowListView::TopLine() const
{
    return verticalScrollBar()->value();
}

int TRowListView::FullyVisibleLines() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

int TRowListView::LineAt(int y) const
{
    const int height = LineHeight();
    const int offset = y >= 0 ? y / height : -((-y + height - 1) / height);
    return static_cast<int>(std::clamp<qint64>(qint64{TopLine()} + offset, -1, LineCount()));
}

QRect TRowListView::LineRect(int line) const
{
    const int height = LineHeight();
    const int top = ClampedPixels((qint64{line} - TopLine()) * height);
    return {0, top, viewport()->width(), height};
}

QRect TRowListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != &model_)
        return {};
    return LineRect(index.row());
}

QModelIndex TRowListView::indexAt(const QPoint& point) const
{
    const int line = LineAt(point.y());
    if (line < 0 || line >= LineCount() || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    return model_.index(line);
}

void TRowListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != &model_)
        return;
    // A line just added must be reachable before the delayed geometry update.
    updateGeometries();
    const int line = index.row();
    const int visible = FullyVisibleLines();
    const int top = TopLine();
    int newTop = top;
    switch (hint) {
    case PositionAtTop:
        newTop = line;
        break;
    case PositionAtBottom:
        newTop = line - visible + 1;
        break;
    case PositionAtCenter:
        newTop = line - visible / 2;
        break;
    case EnsureVisible:
        if (line < top)
            newTop = line;
        else if (line >= top + visible)
            newTop = line - visible + 1;
        break;
    }
    verticalScrollBar()->setValue(newTop);
}

void TRowListView::doItemsLayout()
{
    // Nothing to lay out per line: only the scroll range follows the count.
    QAbstractItemView::doItemsLayout();
}

void TRowListView::updateGeometries()
{
    const int visible = FullyVisibleLines();
    QScrollBar& bar = *verticalScrollBar();
    bar.setSingleStep(1);
    bar.setPageStep(visible);
    bar.setRange(0, std::max(0, LineCount() - visible));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

// QListView's own resizeEvent, dataChanged and scrollContentsBy work on its
// per-item layout, which this view does not keep; the base item view's do
// what is needed.
void TRowListView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
}

void TRowListView::scrollContentsBy(int, int dy)
{
    viewport()->scroll(0, ClampedPixels(qint64{dy} * LineHeight()));
}

void TRowListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

int TRowListView::horizontalOffset() const
{
    return 0;
}

int TRowListView::verticalOffset() const
{
    return ClampedPixels(qint64{TopLine()} * LineHeight());
}

bool TRowListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

QModelIndex TRowListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = LineCount();
    if (count == 0)
        return {};
    int line = currentIndex().isValid() ? currentIndex().row() : model_.Lines().SelectedIndex();
    const int page = FullyVisibleLines();
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        line = line < 0 ? 0 : line - 1;
        break;
    case MoveDown:
    case MoveNext:
        line = line + 1;
        break;
    case MovePageUp:
        line = line - page;
        break;
    case MovePageDown:
        line = line < 0 ? page - 1 : line + page;
        break;
    case MoveHome:
        line = 0;
        break;
    case MoveEnd:
        line = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model_.index(std::clamp(line, 0, count - 1));
}

void TRowListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const int first = std::max(0, LineAt(rect.top()));
    const int last = std::min(LineCount() - 1, LineAt(rect.bottom()));
    // A gesture over no line leaves the selection as it is.
    if (first > last)
        return;
    selectionModel()->select(QItemSelection(model_.index(first), model_.index(last)), command);
}

QRegion TRowListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent().isValid() || range.model() != &model_)
            continue;
        const QRect top = LineRect(range.top());
        const QRect bottom = LineRect(range.bottom());
        region += QRect(top.topLeft(), bottom.bottomRight()).intersected(viewport()->rect());
    }
    return region;
}

QItemSelectionModel::SelectionFlags TRowListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const
{
    // In a single-selection list no gesture may take the selection away
    // (Ctrl+click or Ctrl+Space on the selected line would); only the
    // operations on the rows do.
    const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
    if (command.testFlag(QItemSelectionModel::Deselect) || !index.isValid())
        return QItemSelectionModel::NoUpdate;
    return command;
}

void TRowListView::paintEvent(QPaintEvent* event)
{
    const int count = LineCount();
    if (count == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State baseState = option.state;
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() && current.isValid();
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    const int first = std::max(0, LineAt(dirty.top()));
    const int last = std::min(count - 1, LineAt(dirty.bottom()));
    for (int line = first; line <= last; ++line) {
        const QModelIndex index = model_.index(line);
        option.rect = LineRect(line);
        option.state = baseState;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focused && index == current);
        itemDelegate()->paint(&painter, option, index);
    }
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
        if (hasFocus())
            selection.setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
        else
            selection.select(line, QItemSelectionModel::ClearAndSelect);
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

void TRowListView::FollowSelectionWithCurrent()
{
    const int selected = model_.Lines().SelectedIndex();
    if (selected == TLineList::NoSelection)
        return;
    const bool wasShowing = std::exchange(showing_, true);
    selectionModel()->setCurrentIndex(model_.index(selected), QItemSelectionModel::NoUpdate);
    showing_ = wasShowing;
}

void TRowListView::focusInEvent(QFocusEvent* event)
{
    FollowSelectionWithCurrent();
    QListView::focusInEvent(event);
    // The widget announces its own focus after this handler; the current
    // line is announced after that, so that it is what the reader says.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (hasFocus())
                AnnounceLine(currentIndex(), QAccessible::Focus);
        },
        Qt::QueuedConnection);
}

// QListView names the line in its accessibility events by its place in its
// own layout, which this view does not keep, so they would name no line:
// the line's row is its place here.
void TRowListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    if (hasFocus())
        AnnounceLine(current, QAccessible::Focus);
}

void TRowListView::selectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        AnnounceLine(selected.indexes().front(), QAccessible::Selection);
}

void TRowListView::AnnounceAfterEdit()
{
    if (QAccessible::isActive() && !std::exchange(editAnnounced_, true))
        QMetaObject::invokeMethod(this, &TRowListView::AnnounceEditedLine, Qt::QueuedConnection);
}

void TRowListView::AnnounceEditedLine()
{
    editAnnounced_ = false;
    // Qt's accessible list keeps an object for each line it was asked about,
    // which follows its line as lines come and go; a screen reader keeps
    // what it last heard of each object ("row 4 of 20"), which the edit may
    // have made untrue. New objects carry no such memory.
    QAccessibleTableModelChangeEvent renewed(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&renewed);
    const int selected = model_.Lines().SelectedIndex();
    if (selected == TLineList::NoSelection)
        return;
    const QModelIndex line = model_.index(selected);
    AnnounceLine(line, QAccessible::NameChanged);
    AnnounceLine(line, QAccessible::DescriptionChanged);
    AnnounceLine(line, hasFocus() ? QAccessible::Focus : QAccessible::Selection);
}

void TRowListView::AnnounceLine(const QModelIndex& line, QAccessible::Event type)
{
    // While lines come and go, or before an edit's own announcement, a line
    // would be named by its text and place as they were.
    if (!QAccessible::isActive() || !line.isValid() || model_.IsChanging() || editAnnounced_)
        return;
    QAccessibleEvent event(this, type);
    event.setChild(line.row());
    QAccessible::updateAccessibility(&event);
}

void TRowListView::focusOutEvent(QFocusEvent* event)
{
    QListView::focusOutEvent(event);
    selectionModel()->clearCurrentIndex();
}

bool TRowListView::IsTypedCharacter(const QKeyEvent& event)
{
    if (event.text().isEmpty() || event.modifiers().testFlag(Qt::ControlModifier))
        return false;
    return event.key() != Qt::Key_Tab && event.key() != Qt::Key_Backtab;
}

void TRowListView::CopySelectedLine()
{
    const int selected = model_.Lines().SelectedIndex();
    if (selected != TLineList::NoSelection)
        QGuiApplication::clipboard()->setText(DisplayText(model_.Lines().Line(selected)));
}

void TRowListView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedLine();
        event->accept();
        return;
    }
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
