#pragma once

#include <QAccessible>
#include <QListView>

#include "ui/main_window/line_list_model.h"
#include "ui/main_window/prefix_search.h"

namespace quorva {

// The list of row lines: a plain single-selection list whose selection is the
// line list's selection in both directions, and which selects a line when the
// user types its beginning.
//
// Every line has the same height, so the view places lines by arithmetic
// instead of QListView's layout, which keeps a position per item and, for
// tens of millions of lines, took seconds and gigabytes (or failed to
// allocate) after every change. Its cost follows the lines on screen only.
// The scroll bar counts whole lines, as the classic list box does.
//
// Only the focused list has a current line, because assistive technology
// reports the current line as focused: a current line in an unfocused list
// would make two objects claim the keyboard focus at once.
class TRowListView : public QListView {
    Q_OBJECT

public:
    TRowListView(TLineListModel& model, TWindowClock clock, QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;

    // Puts the selected line on the clipboard as text; nothing when no line
    // is selected.
    void CopySelectedLine();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void updateGeometries() override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void ShowSelectedLine(int selected);
    void AnnounceLine(const QModelIndex& line, QAccessible::Event event);
    // Once an edit of the lines is over, tells assistive technology the
    // selected line's text and place, which the edit may have changed.
    void AnnounceAfterEdit();
    void AnnounceEditedLine();
    void TakeUserSelection();
    void FollowSelectionWithCurrent();
    static bool IsTypedCharacter(const QKeyEvent& event);
    int LineCount() const;
    // Height of every line, in pixels.
    int LineHeight() const;
    // The line at the top of the viewport.
    int TopLine() const;
    int FullyVisibleLines() const;
    int LineAt(int y) const;
    QRect LineRect(int line) const;

    TLineListModel& model_;
    TPrefixSearch search_;
    bool showing_ = false;
    // An edit's announcement waits for the end of the edit, and lines
    // announced meanwhile would be heard as they were before it.
    bool editAnnounced_ = false;
};

} // namespace quorva
