#pragma once

#include <QMainWindow>

#include <memory>
#include <optional>

#include "model/files/file_identity.h"
#include "model/rows/row_table.h"
#include "ui/base/window_clock.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/triangle_view/triangle_canvas.h"

class QAbstractItemModel;
class QLabel;

namespace quorva {

class TGridRefiner;
class TTriangleGrid;

// A separate window showing the triangle of one column of the rows as they
// were when it opened: a snapshot. When the rows change it says it is out of
// date and offers to refresh; until then it shows, copies and exports the
// snapshot.
class TTriangleWindow : public QMainWindow {
    Q_OBJECT

public:
    // `rows` must outlive the window; `lines` is the list the rows belong to,
    // whose every change makes the view out of date. Refuses, with the
    // memory check's message, a triangle that would not fit in memory. The
    // triangle is built behind a progress dialog over `parent`, or over the
    // view itself when it has none; Cancel there ends in Cancelled. The
    // dialog shows only while there is no first picture to show: the view
    // shows the part of the triangle built within a moment, and the rest as
    // a worker thread builds it.
    // `rowsFile`, where the rows have one, is the file its Export must not
    // write over; it must outlive the window.
    TTriangleWindow(const TRowTable& rows, int column, const QAbstractItemModel& lines,
                    TUserDialogs& dialogs, QWidget* parent = nullptr,
                    TWindowClock clock = SteadyMilliseconds, const TKnownFile* rowsFile = nullptr);
    ~TTriangleWindow() override;

    TTriangleCanvas& Canvas() const { return *canvas_; }
    int Column() const { return column_; }
    bool IsOutOfDate() const { return outOfDate_; }
    // Whether part of the triangle shown is still being built.
    bool IsBuilding() const { return refiner_ != nullptr; }

    // Shows the rows as they are now, keeping the place; after Cancel, still
    // the old snapshot.
    void Refresh();
    // Writes the snapshot's triangle as the CSV Start writes.
    void ExportCsv();
    void ExportSpreadsheet();
    // Writes the viewport, or the whole triangle, as a PNG file once the
    // triangle is complete.
    void SaveImage(bool whole = false);
    // Puts the selection on the clipboard as CSV text, when it fits in
    // memory; a large one behind the progress dialog.
    void CopySelection();

private:
    void CreateActions();
    void CreateNotice();
    void BuildAndShowGrid(const TRowTable& rows, QWidget* progressOwner, bool keepPlace);
    void MarkOutOfDate();
    void Describe(TCellPosition cell);
    void ShowRefined();
    void ShowBuildingFigure();
    void RunReportingFailures(void (TTriangleWindow::*operation)());

    const TRowTable& rows_;
    const int column_;
    TUserDialogs& dialogs_;
    TWindowClock clock_;
    // The file the rows were opened from or saved to, where they have one.
    const TKnownFile* rowsFile_ = nullptr;
    TRowTable snapshot_;
    bool outOfDate_ = false;
    TTriangleCanvas* canvas_;
    QWidget* notice_ = nullptr;
    QLabel* cellLabel_ = nullptr;
    // How much of the triangle is built, while it is being built.
    QLabel* buildLabel_ = nullptr;
    // The cell to describe once its column is ready.
    std::optional<TCellPosition> undescribed_;
    // Builds the rest of the grid shown; goes with it.
    std::unique_ptr<TGridRefiner> refiner_;
};

// Opens the triangle view of one column of the rows, or raises the one
// already open; refuses an empty list, and as Start does when the triangle
// would not fit in memory. `rowsFile`, when the rows have one, is the file
// the view's Export must not write over; it must outlive the view.
TTriangleWindow* ShowTriangleWindow(const TRowTable& rows, int column,
                                    const QAbstractItemModel& lines, TUserDialogs& dialogs,
                                    QWidget* owner, const TKnownFile* rowsFile = nullptr);

} // namespace quorva
