// The triangle view: its cells against the CSV's, zoom, keyboard, copying,
// export, the saved image and the out-of-date notice.

#include <QtTest>

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QToolBar>
#include <QWheelEvent>

#include <fstream>
#include <memory>

#include "fake_user_dialogs.h"
#include "model/base/error.h"
#include "reporting_test_main.h"
#include "support/grid_neighbours.h"
#include "support/random_rows.h"
#include "support/stepping_clock.h"
#include "support/temp_dir.h"
#include "support/triangle_fields.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_grid.h"
#include "ui/Unit1.h"
#include "ui/base/figure_locale.h"
#include "ui/main_window/column_choice.h"
#include "ui/triangle_view/triangle_canvas.h"
#include "ui/triangle_view/triangle_layout.h"
#include "ui/triangle_view/triangle_renderer.h"
#include "ui/triangle_view/triangle_window.h"
#include "ui/triangle_view/view_placement.h"

using namespace quorva;

namespace {

std::string ReadBytes(const QString& path)
{
    return test::ReadBytes(path.toStdString());
}

QString ExpectedCellText(const std::vector<std::vector<std::string>>& fields, std::size_t k,
                         std::size_t j)
{
    const std::string& field = fields.at(k).at(j);
    return QStringLiteral("line %1, column %2: %3")
        .arg(k + 1)
        .arg(j + 1)
        .arg(field.empty() ? QStringLiteral("blank") : QString::fromStdString(field));
}

void SendCtrlWheel(QWidget* target, QPointF at, int delta)
{
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

// The shade of the content pixel at `at`, `cellsPerPixel` cells a pixel, on
// the summary map: the mean of the non-blank cells, read one by one, of the
// blocks the pixel touches; the blocks the largest of 8, 16, 32, ... cells
// no larger than a pixel. The outside's where the pixel's centre is off the
// triangle.
QRgb SummaryShade(const TTriangleGrid& grid, const TColourScale& scale, double cellsPerPixel,
                  QPointF at)
{
    std::size_t block = 8;
    while (2.0 * double(block) <= cellsPerPixel)
        block *= 2;
    const double left = at.x() * cellsPerPixel;
    const double top = at.y() * cellsPerPixel;
    if (!grid.HasCell(std::size_t(top + cellsPerPixel / 2), std::size_t(left + cellsPerPixel / 2)))
        return TViewColours{}.outside.rgb();
    auto span = [block, cellsPerPixel](double from, std::size_t most) {
        const auto first = std::size_t(from / double(block)) * block;
        const auto end = std::size_t(std::ceil((from + cellsPerPixel) / double(block))) * block;
        return std::pair{std::min(first, most), std::min(end, most)};
    };
    const auto [k0, k1] = span(top, grid.LineCount());
    const auto [j0, j1] = span(left, grid.ColumnCount());
    TCellStatistics cells;
    for (std::size_t k = k0; k < k1; ++k)
        for (std::size_t j = j0; j < j1; ++j)
            if (const auto value = grid.Cell(k, j))
                cells.Add(*value);
    return cells.Empty() ? qRgb(255, 255, 255) : scale.Of(cells.Mean());
}

template <class TWidget> qsizetype TopLevelCount()
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::count_if(widgets.begin(), widgets.end(),
                         [](QWidget* widget) { return qobject_cast<TWidget*>(widget); });
}

} // namespace

class TTriangleViewTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        dialogs_ = std::make_unique<TFakeUserDialogs>();
        lines_ = std::make_unique<QStringListModel>();
    }

    void cleanup()
    {
        window_.reset();
        form_.reset();
        QVERIFY(!dialogs_->askedWithoutAnswer);
        QVERIFY(dialogs_->reportedFailures.empty());
    }

    void focusedCellReadsAsTheCsvField_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("column");
        QTest::newRow("digits") << 60 << 0 << 99 << 0;
        QTest::newRow("bytes") << 45 << 0 << 255 << 3;
        QTest::newRow("negatives") << 50 << -40 << 60 << 6;
        QTest::newRow("wide") << 30 << -100000 << 100000 << 2;
    }

    void focusedCellReadsAsTheCsvField()
    {
        QFETCH(int, count);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, column);
        OpenWindow(test::RandomRows(static_cast<std::size_t>(count), low, high, 11), column);
        const auto fields = test::CsvFields(rows_, column);
        TTriangleCanvas& canvas = window_->Canvas();
        // A screen reader's table: lines are rows, fields are columns.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&canvas);
        QCOMPARE(accessible->role(), QAccessible::Table);
        QAccessibleTableInterface* table = accessible->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), int(fields.size()));
        QCOMPARE(table->columnCount(), int(fields[fields.size() / 2].size()));
        for (std::size_t k = 0; k < fields.size(); ++k)
            for (std::size_t j = 0; j < fields[k].size(); ++j) {
                canvas.SetFocusedCell({k, j});
                QCOMPARE(canvas.accessibleName(), ExpectedCellText(fields, k, j));
                QCOMPARE(table->cellAt(int(k), int(j))->text(QAccessible::Name),
                         ExpectedCellText(fields, k, j).section(QStringLiteral(": "), 1));
            }
    }

    void zoomKeepsTheCellUnderThePointer_data()
    {
        QTest::addColumn<double>("startSize");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<int>("wheelDelta");
        QTest::newRow("in among numbers") << 30.0 << QPointF(201, 143) << 120;
        QTest::newRow("out to a map") << 24.0 << QPointF(333, 250) << -360;
        QTest::newRow("in from a map") << 2.0 << QPointF(97, 301) << 480;
        QTest::newRow("below a pixel a cell") << 0.3 << QPointF(150, 150) << 120;
    }

    void zoomKeepsTheCellUnderThePointer()
    {
        QFETCH(double, startSize);
        QFETCH(QPointF, pointer);
        QFETCH(int, wheelDelta);
        OpenWindow(test::RandomRows(3000, 0, 99, 3), 0);
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetCellSize(startSize, QPointF(0, 0));
        canvas.SetFocusedCell({3000, 1500}); // scrolls into the middle of the triangle
        const auto before = canvas.CellAt(pointer);
        QVERIFY(before);
        const double sizeBefore = canvas.CellSize();

        SendCtrlWheel(canvas.viewport(), pointer, wheelDelta);

        QVERIFY(wheelDelta > 0 ? canvas.CellSize() > sizeBefore : canvas.CellSize() < sizeBefore);
        const auto after = canvas.CellAt(pointer);
        QVERIFY(after);
        // Where a pixel shows several cells, the pointer stays on the same pixel's worth.
        const auto slack =
            static_cast<long>(std::ceil(1 / std::min(canvas.CellSize(), sizeBefore))) - 1;
        QVERIFY(std::labs(long(after->line) - long(before->line)) <= slack);
        QVERIFY(std::labs(long(after->column) - long(before->column)) <= slack);
    }

    void zoomKeysZoomAndCtrlZeroFits()
    {
        OpenWindow(test::RandomRows(1500, 0, 99, 5), 0);
        TTriangleCanvas& canvas = window_->Canvas();
        const double fitted = canvas.CellSize();
        QVERIFY(fitted < 1 / TTriangleCanvas::ZoomStep);
        // Far from the next stop, a longer step than near it.
        QTest::keyClick(&canvas, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(canvas.CellSize() > fitted * TTriangleCanvas::ZoomStep * 1.1);
        QTest::keyClick(&canvas, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&canvas, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(canvas.CellSize(), fitted); // the whole triangle is the least there is to see
        QList<double> sizes;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(&canvas, Qt::Key_Plus, Qt::ControlModifier);
            sizes << canvas.CellSize();
        }
        QVERIFY(sizes.contains(1.0)); // one pixel a cell is never skipped
        // Readable numbers a few presses from Fit, not a score.
        const auto readable = sizes.indexOf(TTriangleLayout::ReadableCellSize);
        QVERIFY(readable >= 0 && readable < 2 * TTriangleLayout::StopPresses);
        QCOMPARE(sizes.back(), TTriangleCanvas::MaxCellSize);
        QTest::keyClick(&canvas, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(canvas.CellSize(), fitted);
        QTest::keyClick(&canvas, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(canvas.CellSize(), TTriangleLayout::ReadableCellSize);
        // The middle button, or Space and the left one, drags the triangle
        // along; the focus stays.
        const QPoint from(200, 200);
        const TCellPosition focus = canvas.FocusedCell();
        const QPoint offset = canvas.Layout().Offset();
        QTest::mousePress(canvas.viewport(), Qt::MiddleButton, {}, from);
        QTest::mouseMove(canvas.viewport(), from - QPoint(30, 50));
        QTest::mouseRelease(canvas.viewport(), Qt::MiddleButton, {}, from - QPoint(30, 50));
        QCOMPARE(canvas.Layout().Offset(), offset + QPoint(30, 50));
        QTest::keyPress(&canvas, Qt::Key_Space);
        QTest::mousePress(canvas.viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas.viewport(), from + QPoint(10, 20));
        QTest::mouseRelease(canvas.viewport(), Qt::LeftButton, {}, from + QPoint(10, 20));
        QTest::keyRelease(&canvas, Qt::Key_Space);
        QCOMPARE(canvas.Layout().Offset(), offset + QPoint(20, 30));
        QCOMPARE(canvas.FocusedCell(), focus);
        QTest::keyClick(&canvas, Qt::Key_0, Qt::ControlModifier);
        const QRectF last = canvas.CellRect({canvas.Grid()->LineCount() - 1, 0});
        QVERIFY(QRectF(canvas.viewport()->rect()).contains(last.center()));
    }

    // Zoom by keys keeps a focused cell that was in view wholly in view,
    // however near the edge it stood.
    void zoomKeepsTheFocusedCellInView_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QPoint>("focus");
        QTest::newRow("in to full size at the left edge") << 20.0 << 4.0 << QPoint(0, 700);
        QTest::newRow("in at the bottom right") << 10.0 << 3.0 << QPoint(1900, 1000);
        QTest::newRow("out past one pixel a cell") << 1.2 << 0.5 << QPoint(1000, 900);
        QTest::newRow("in from far out") << 0.1 << 8.0 << QPoint(800, 100);
    }

    void zoomKeepsTheFocusedCellInView()
    {
        QFETCH(double, start);
        QFETCH(double, factor);
        QFETCH(QPoint, focus);
        const auto line = std::size_t(focus.y()), column = std::size_t(focus.x());
        TTriangleLayout layout;
        layout.SetExtent(3999, 2000);
        layout.SetViewport(QSize(640, 480));
        layout.ZoomTo(start, QPointF(0, 0));
        layout.Reveal(layout.CellRect(line, column));
        QVERIFY(layout.Shows(layout.CellRect(line, column)));
        layout.ZoomAround(factor, line, column);
        QVERIFY(layout.Shows(layout.CellRect(line, column)));
    }

    void keysMoveTheFocusedCellIntoView_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        const int none = Qt::NoModifier;
        QTest::newRow("down twice, right")
            << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Right} << none << 2 << 1;
        QTest::newRow("right stops at the line's end")
            << QList<int>{Qt::Key_Right, Qt::Key_Right} << none << 0 << 0;
        QTest::newRow("end of the middle line")
            << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown,
                          Qt::Key_End}
            << none << -1 << -1;
        QTest::newRow("ctrl end") << QList<int>{Qt::Key_End} << int(Qt::ControlModifier) << 398
                                  << 0;
        QTest::newRow("up from the top stays") << QList<int>{Qt::Key_Up} << none << 0 << 0;
    }

    void keysMoveTheFocusedCellIntoView()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, modifiers);
        QFETCH(int, line);
        QFETCH(int, column);
        OpenWindow(test::RandomRows(200, 0, 99, 7), 1);
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetCellSize(30, QPointF(0, 0));
        for (int key : keys)
            QTest::keyClick(&canvas, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const TCellPosition focus = canvas.FocusedCell();
        if (line >= 0) {
            QCOMPARE(int(focus.line), line);
            QCOMPARE(int(focus.column), column);
        } else {
            // The last cell of its line.
            QVERIFY(canvas.Grid()->HasCell(focus.line, focus.column));
            QVERIFY(!canvas.Grid()->HasCell(focus.line, focus.column + 1));
            QVERIFY(focus.line > 0);
        }
        QVERIFY(QRectF(canvas.viewport()->rect()).contains(canvas.CellRect(focus)));
    }

    void copyGivesTheCsvRectangle_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("down");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("values");
        QTest::newRow("one cell") << 4 << 2 << 0 << 0 << 40;
        QTest::newRow("a block") << 10 << 3 << 5 << 4 << 40;
        QTest::newRow("up and left") << 30 << 8 << -6 << -3 << 40;
        QTest::newRow("past the lines' ends") << 70 << 0 << 8 << 12 << 40;
        QTest::newRow("far right, still building") << 15995 << 15980 << 6 << 5 << 16000;
    }

    void copyGivesTheCsvRectangle()
    {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(int, down);
        QFETCH(int, right);
        QFETCH(int, values);
        if (values > 40) {
            // Copied while the worker is still at the columns on the left.
            rows_ = test::RandomRows(std::size_t(values), -20, 99, 13);
            window_ = std::make_unique<TTriangleWindow>(rows_, 4, *lines_, *dialogs_);
            window_->show();
        } else {
            OpenWindow(test::RandomRows(std::size_t(values), -20, 99, 13), 4);
        }
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetFocusedCell({std::size_t(line), std::size_t(column)});
        for (int i = 0; i < std::abs(down); ++i)
            QTest::keyClick(&canvas, down > 0 ? Qt::Key_Down : Qt::Key_Up, Qt::ShiftModifier);
        for (int i = 0; i < std::abs(right); ++i)
            QTest::keyClick(&canvas, right > 0 ? Qt::Key_Right : Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(&canvas, Qt::Key_C, Qt::ControlModifier);

        const TCellPosition focus = canvas.FocusedCell();
        if (values > 40) {
            // Too large for the CSV's fields: against a grid built whole,
            // which the core's tests hold to the CSV.
            const TCellRect rect{std::min<std::size_t>(line, focus.line),
                                 std::min<std::size_t>(column, focus.column),
                                 std::max<std::size_t>(line, focus.line) + 1,
                                 std::max<std::size_t>(column, focus.column) + 1};
            QCOMPARE(QGuiApplication::clipboard()->text().toStdString(),
                     TTriangleGrid(rows_, 4).CsvText(rect));
            return;
        }
        // The rectangle between the two corners, taken from the CSV itself.
        const auto fields = test::CsvFields(rows_, 4);
        std::string expected;
        for (int k = std::min<int>(line, int(focus.line));
             k <= std::max<int>(line, int(focus.line)); ++k) {
            const int last = std::max<int>(column, int(focus.column));
            for (int j = std::min<int>(column, int(focus.column));
                 j <= last && j < int(fields[std::size_t(k)].size()); ++j)
                expected += fields[std::size_t(k)][std::size_t(j)] + ';';
            expected += '\n';
        }
        QCOMPARE(QGuiApplication::clipboard()->text().toStdString(), expected);
    }

    void rowChangesMakeTheViewOutOfDate_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("add") << "add";
        QTest::newRow("delete") << "delete";
        QTest::newRow("move up") << "up";
        QTest::newRow("move down") << "down";
        QTest::newRow("open") << "open";
    }

    void rowChangesMakeTheViewOutOfDate()
    {
        QFETCH(QString, change);
        StartForm(4);
        form_->ShowTriangleClick();
        TTriangleWindow* window = OpenedWindow();
        QVERIFY(window);
        QVERIFY(!window->IsOutOfDate());
        auto* notice = window->findChild<QWidget*>("OutOfDateNotice");
        QVERIFY(!notice->isVisible());
        const std::string shownBefore = window->Canvas().Grid()->CsvText({0, 0, 7, 4});

        Change(change);

        QVERIFY(window->IsOutOfDate());
        QVERIFY(notice->isVisible());
        // Until refreshed, it still shows the rows it was made from.
        QCOMPARE(window->Canvas().Grid()->CsvText({0, 0, 7, 4}), shownBefore);

        QTest::mouseClick(window->findChild<QPushButton*>("Refresh"), Qt::LeftButton);
        QVERIFY(!window->IsOutOfDate());
        QVERIFY(!notice->isVisible());
        QCOMPARE(window->Canvas().Grid()->ValueCount(), form_->Rows().size());
        QCOMPARE(window->windowTitle(),
                 QStringLiteral("Triangle of column 1 (%1 values)").arg(form_->Rows().size()));
    }

    void ctrlTShowsTheChosenColumn()
    {
        StartForm(3);
        form_->findChild<TColumnChoice*>("rgColumsNo")->Button(4)->click();
        auto* action = form_->findChild<QAction*>("ShowTriangle");
        QVERIFY(action);
        QTest::keyClick(form_.get(), Qt::Key_T, Qt::ControlModifier);
        TTriangleWindow* window = OpenedWindow();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Triangle of column 5 (3 values)"));
        QVERIFY(!window->isModal());
        QCOMPARE(action->text(), QStringLiteral("Show triangle of column 5"));
        // Every row added holds 5 in column 5.
        QCOMPARE(window->Canvas().Grid()->CsvText({0, 0, 5, 3}), "5;\n;0;\n5;;0;\n;0;\n5;\n");
        QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
        // Fit, not behind the tool bar's overflow, at the width it opens at.
        QVERIFY(window->findChild<QToolBar*>("TriangleTools")
                    ->widgetForAction(window->findChild<QAction*>("Fit"))
                    ->isVisible());

        // Again on the same column: the open view comes up, no second one.
        QTest::keyClick(form_.get(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(form_->findChildren<TTriangleWindow*>().size(), 1);
        // The next view opens where the user left this one.
        const QRect moved(40, 50, 500, 400);
        window->setGeometry(moved);
        QTest::keyClick(&window->Canvas(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        action->trigger();
        QVERIFY(OpenedWindow());
        QCOMPARE(OpenedWindow()->geometry(), moved);
    }

    void emptyListSaysSoPlainly()
    {
        StartForm(0);
        form_->findChild<QAction*>("ShowTriangle")->trigger();
        QCOMPARE(dialogs_->reportedFailures,
                 std::vector<std::string>{"There are no rows to show."});
        QVERIFY(!OpenedWindow());
        dialogs_->reportedFailures.clear();
    }

    // Beside the main window where there is room, never off the screen, as
    // tall as the screen, the frame's title bar included; each further view
    // beside the others or offset from the last, leaving every title in
    // sight. The main window at its designed place, its frame scaled with
    // its font on the larger screens.
    void viewStandsBesideTheMainWindow_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<int>("views");
        QTest::addColumn<bool>("overlaps");
        const QMargins none;
        const QMargins titled(1, 20, 1, 1); // openbox's title bar and borders
        const QRect owner(478, 280, 433, 315);
        QTest::newRow("1280x1024") << QRect(0, 0, 1280, 1024) << none << owner << 1 << false;
        QTest::newRow("1920x1080, a panel")
            << QRect(0, 27, 1920, 1053) << none << owner << 1 << false;
        QTest::newRow("2560x1600")
            << QRect(0, 0, 2560, 1600) << none << QRect(478, 280, 650, 470) << 1 << false;
        QTest::newRow("no room either side")
            << QRect(0, 0, 1024, 768) << none << QRect(300, 200, 433, 315) << 1 << true;
        QTest::newRow("a title bar") << QRect(0, 0, 1920, 1080) << titled << owner << 1 << false;
        QTest::newRow("a title bar, a panel at the top")
            << QRect(0, 30, 1920, 1050) << titled << owner << 1 << false;
        QTest::newRow("a second view") << QRect(0, 0, 1920, 1080) << titled << owner << 2 << false;
        QTest::newRow("a third view") << QRect(0, 0, 1920, 1080) << titled << owner << 3 << true;
        QTest::newRow("a third view, 1280x1024")
            << QRect(0, 0, 1280, 1024) << titled << owner << 3 << true;
    }

    void viewStandsBesideTheMainWindow()
    {
        QFETCH(QRect, screen);
        QFETCH(QMargins, frame);
        QFETCH(QRect, owner);
        QFETCH(int, views);
        QFETCH(bool, overlaps);
        TViewPlacement placement{screen, frame, owner, {}};
        for (int view = 0; view < views; ++view) {
            const QRect placed = placement.Frame();
            QCOMPARE(placement.Client().marginsAdded(frame), placed);
            QVERIFY(screen.contains(placed));
            QVERIFY(placed.width() >= 420);
            QVERIFY(placed.width() <= std::max(420, screen.width() / 2));
            QVERIFY(placed.height() >= screen.height() / 2);
            if (view == 0)
                QCOMPARE(placed.height(), screen.height());
            // Every title before stays in sight.
            for (const QRect& before : placement.views)
                QVERIFY(!placed.contains(before.topLeft() + QPoint(1, 1)));
            placement.views.append(placed);
        }
        bool overlapped = false;
        for (const QRect& placed : placement.views)
            overlapped = overlapped || placed.intersects(owner);
        QCOMPARE(overlapped, overlaps);
    }

    void exportWritesWhatStartWritesOfTheSnapshot()
    {
        StartForm(5);
        const QString start = folder_->filePath("start.csv");
        dialogs_->nextFileNames = {start.toStdString()};
        form_->Button1Click();
        form_->ShowTriangleClick();
        TTriangleWindow* window = OpenedWindow();
        form_->Button2Click(); // the view is now a snapshot of rows gone by

        const QString exported = folder_->filePath("view.csv");
        dialogs_->nextFileNames = {exported.toStdString()};
        window->ExportCsv();
        QCOMPARE(dialogs_->saveQuestions.back(), TUserDialogs::TSaveFile::TriangleCsv);
        QCOMPARE(ReadBytes(exported), ReadBytes(start));
        QVERIFY(!ReadBytes(start).empty());

        // Nor does it write over the rows' own file, as Start would not.
        const QString tir = folder_->filePath("rows.tir");
        dialogs_->nextFileNames = {tir.toStdString(), tir.toStdString()};
        form_->btnSaveClick();
        const std::string saved = ReadBytes(tir);
        QVERIFY_THROWS_EXCEPTION(quorva::Error, window->ExportCsv());
        QCOMPARE(ReadBytes(tir), saved);
        dialogs_->nextFileNames = {tir.toStdString()};
        QVERIFY_THROWS_EXCEPTION(quorva::Error, window->ExportSpreadsheet());
        QCOMPARE(ReadBytes(tir), saved);

        // The spreadsheet beside it; opening it is offered until declined.
        for (const char* name : {"view.xlsx", "again.xlsx"}) {
            dialogs_->nextFileNames = {folder_->filePath(name).toStdString()};
            window->ExportSpreadsheet();
            QCOMPARE(dialogs_->saveQuestions.back(), TUserDialogs::TSaveFile::Spreadsheet);
            QVERIFY(ReadBytes(folder_->filePath(name)).starts_with("PK"));
        }
        QCOMPARE(dialogs_->questions.size(), std::size_t{1});
    }

    void savedImageIsTheViewport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("building");
        QTest::addColumn<bool>("whole");
        QTest::newRow("written") << "view.png" << false << false;
        QTest::newRow("folder missing") << "missing/view.png" << false << false;
        QTest::newRow("while still building") << "view.png" << true << false;
        QTest::newRow("the whole triangle") << "view.png" << false << true;
    }

    // The picture is of the whole triangle, a view still building included;
    // the name proposed is the one the next export's would be, ".png".
    void savedImageIsTheViewport()
    {
        QFETCH(QString, name);
        QFETCH(bool, building);
        QFETCH(bool, whole);
        if (building) {
            rows_ = test::RandomRows(16000, 0, 99, 19);
            window_ = std::make_unique<TTriangleWindow>(rows_, 0, *lines_, *dialogs_);
            window_->show();
        } else {
            OpenWindow(test::RandomRows(300, 0, 99, 17), 0);
        }
        const QString file = folder_->filePath(name);
        dialogs_->nextFileNames = {file.toStdString()};
        window_->findChild<QAction*>(whole ? "SaveWholeImage" : "SaveImage")->trigger();
        QCOMPARE(dialogs_->saveQuestions.back(), TUserDialogs::TSaveFile::ViewImage);
        QCOMPARE(dialogs_->proposals.back().name, "column1.png");
        if (name.contains('/')) {
            // Reported as every failed write is.
            QCOMPARE(dialogs_->reportedFailures.size(), 1u);
            QVERIFY(QString::fromStdString(dialogs_->reportedFailures[0]).contains(file));
            dialogs_->reportedFailures.clear();
            return;
        }
        QVERIFY(window_->Canvas().Grid()->IsComplete());
        const QImage image(file, "PNG");
        if (whole) {
            // Twice as tall as wide, as large as allowed, the first cell's colour at the top.
            QCOMPARE(image.height(), TTriangleCanvas::WholeImageSide);
            QVERIFY(std::abs(2 * image.width() - image.height()) <= 16);
            const TColourScale scale(*window_->Canvas().Grid());
            QCOMPARE(image.pixel(1, 1), scale.Of(*window_->Canvas().Grid()->Cell(0, 0)));
            // The next image proposes this one's folder.
            dialogs_->nextFileNames = {std::nullopt};
            window_->findChild<QAction*>("SaveImage")->trigger();
            QCOMPARE(dialogs_->proposals.back().folder, folder_->path().toStdString());
            return;
        }
        QCOMPARE(image.size(),
                 window_->Canvas().viewport()->size() * window_->Canvas().devicePixelRatio());
    }

    // Each pixel against a plain reading of the map's rule: the cell under a
    // pixel's centre while a cell covers whole pixels, a blank one shown as
    // blank only once cells are large enough to tell apart, else as the mean
    // of its non-blank neighbours; below a pixel a cell, the mean of the
    // non-blank cells whose centres the pixel holds; from a few cells a pixel
    // on, the mean of the cells of the summary blocks the pixel touches, of
    // the largest size no larger than a pixel.
    void paintedShadesAreTheCells_data()
    {
        QTest::addColumn<double>("cellSize");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("dark");
        QTest::newRow("numbers") << 40.0 << 1500 << false;
        QTest::newRow("cells apart") << 5.0 << 1500 << false;
        QTest::newRow("too small to tell apart") << 2.5 << 1500 << false;
        QTest::newRow("one pixel a cell") << 1.0 << 1500 << false;
        QTest::newRow("just under a pixel a cell") << 0.95 << 1500 << false;
        QTest::newRow("two cells a pixel") << 0.5 << 1500 << false;
        QTest::newRow("uneven") << 0.3 << 1500 << false;
        QTest::newRow("sixteen cells a pixel") << 1 / 16.0 << 12000 << false;
        QTest::newRow("summaries larger than a pixel") << 0.2 << 3000 << false;
        QTest::newRow("thirty-four cells a pixel") << 1 / 34.0 << 12000 << false;
        QTest::newRow("numbers, dark theme") << 40.0 << 1500 << true;
        QTest::newRow("cells apart, dark theme") << 5.0 << 1500 << true;
    }

    void paintedShadesAreTheCells()
    {
        QFETCH(double, cellSize);
        QFETCH(int, count);
        QFETCH(bool, dark);
        OpenWindow(test::RandomRows(std::size_t(count), 0, 99, 19), 0);
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetScaleKind(TColourScale::TKind::ByShare);
        QPalette palette = canvas.palette();
        if (dark) {
            palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
            palette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
            window_->setPalette(palette);
        }
        // The blank cells on the theme's ground; the values in their colours.
        const QRgb blank = palette.color(QPalette::Base).rgb();
        canvas.SetCellSize(cellSize, QPointF(0, 0));
        QCOMPARE(canvas.CellSize(), cellSize);
        canvas.SetFocusedCell({1500, 0});
        const QImage image = canvas.ViewImage().convertToFormat(QImage::Format_RGB32);
        const TTriangleGrid& grid = *canvas.Grid();
        const TColourScale scale(grid);
        const QPointF offset(canvas.horizontalScrollBar()->value(),
                             canvas.verticalScrollBar()->value());
        auto shadeOf = [&](const TCellStatistics& cells) {
            return cells.Empty() ? qRgb(255, 255, 255) : scale.Of(cells.Mean());
        };
        // The cells whose centres lie in pixel p along one axis.
        auto centresIn = [cellSize](double pixel) {
            auto first = static_cast<std::int64_t>(std::ceil(pixel / cellSize - 0.5));
            auto end = static_cast<std::int64_t>(std::ceil((pixel + 1) / cellSize - 0.5));
            return std::pair{std::max<std::int64_t>(first, 0), std::max<std::int64_t>(end, 0)};
        };
        int checked = 0;
        for (int y = 20; y < 400; y += 7) {
            for (int x = 20; x < 300; x += 5) {
                const auto cell = canvas.CellAt(QPointF(x, y) + QPointF(0.5, 0.5));
                // Clear of the focus, its parents and the triangle's edge.
                if (!cell || cell->column < 2 || !grid.HasCell(cell->line + 2, cell->column + 2))
                    continue;
                // Among numbers, a pixel near the cell's corner, clear of its text.
                const QPoint pixel = cellSize > TTriangleRenderer::NumberCellSize
                                         ? canvas.CellRect(*cell).topLeft().toPoint() + QPoint(2, 2)
                                         : QPoint(x, y);
                if (!image.rect().contains(pixel))
                    continue;
                QRgb expected = 0;
                if (cellSize >= 1) {
                    const auto value = grid.Cell(cell->line, cell->column);
                    expected = value ? scale.Of(*value)
                               : cellSize >= TTriangleRenderer::SeparateCellSize
                                   ? blank
                                   : shadeOf(test::Neighbours(grid, cell->line, cell->column));
                } else if (1 / cellSize >= TTriangleRenderer::SummaryCellsPerPixel) {
                    expected = SummaryShade(grid, scale, 1 / cellSize, offset + QPointF(x, y));
                } else {
                    const auto [k0, k1] = centresIn(offset.y() + y);
                    const auto [j0, j1] = centresIn(offset.x() + x);
                    TCellStatistics cells;
                    for (auto k = k0; k < k1; ++k)
                        for (auto j = j0; j < j1; ++j)
                            if (const auto value = grid.Cell(std::size_t(k), std::size_t(j)))
                                cells.Add(*value);
                    expected =
                        cells.Empty()
                            ? shadeOf(test::Neighbours(grid, std::size_t(k0), std::size_t(j0)))
                            : shadeOf(cells);
                }
                QCOMPARE(QColor(image.pixel(pixel)).name(), QColor(expected).name());
                ++checked;
            }
        }
        QVERIFY(checked > 50);
        // The legend's ground follows the theme too.
        QVERIFY(!canvas.LegendRect().isEmpty());
        const QColor legend = image.pixel(canvas.LegendRect().topLeft() + QPoint(3, 3));
        QCOMPARE(legend.lightness() < 128, dark);
    }

    // Zooming out step by step over random cells changes the map's overall
    // brightness only a little at each step: no pattern or paleness comes
    // from the blank half of the cells.
    void brightnessChangesSmoothlyWithZoom()
    {
        const TRowTable rows = test::RandomRows(5000, 0, 99, 31);
        const TTriangleGrid grid(rows, 0);
        const TTriangleRenderer renderer(grid);
        const QSize view(200, 200);
        double previous = -1;
        // Blank cells show from SeparateCellSize on, by design a step apart.
        for (double size = TTriangleRenderer::SeparateCellSize / TTriangleCanvas::ZoomStep;
             size >= 1 / 16.0; size /= TTriangleCanvas::ZoomStep) {
            QImage image(view, QImage::Format_RGB32);
            QPainter painter(&image);
            // From column 0 down, around the middle line: all inside the triangle.
            renderer.Paint(painter, view, size, QPoint(0, int(5000 * size) - view.height() / 2));
            painter.end();
            double brightness = 0;
            for (int y = 0; y < view.height(); ++y)
                for (int x = 0; x < view.width(); ++x)
                    brightness += qGray(image.pixel(x, y));
            brightness /= view.width() * view.height();
            if (previous >= 0)
                QVERIFY2(std::abs(brightness - previous) < 6,
                         qPrintable(QStringLiteral("%1 after %2 at %3 pixels a cell")
                                        .arg(brightness)
                                        .arg(previous)
                                        .arg(size)));
            previous = brightness;
        }
    }

    // Fitted, 16,384 random rows' means all look alike; the default shares of
    // zero cells spread over the scale. Measured on the two pictures alone:
    // the spread of brightness of the pixels inside the triangle.
    void fittedPictureShowsMoreThanTheMean()
    {
        const TRowTable rows = test::RandomRows(16384, 0, 99, 61);
        const TTriangleGrid grid(rows, 0);
        const QSize view(400, 800);
        const double fit = double(view.height()) / double(grid.LineCount());
        auto spread = [&](TColourScale::TKind kind) {
            TTriangleRenderer renderer(grid);
            renderer.SetScale(TColourScale(grid, kind));
            QImage image(view, QImage::Format_RGB32);
            QPainter painter(&image);
            renderer.Paint(painter, view, fit, QPoint(0, 0));
            painter.end();
            std::vector<double> inside;
            for (int y = 0; y < view.height(); ++y)
                for (int x = 0; x < view.width(); ++x)
                    if (image.pixel(x, y) != renderer.Colours().outside.rgb())
                        inside.push_back(qGray(image.pixel(x, y)));
            double mean = 0, square = 0;
            for (const double gray : inside)
                mean += gray / double(inside.size());
            for (const double gray : inside)
                square += (gray - mean) * (gray - mean) / double(inside.size());
            return std::sqrt(square);
        };
        const double means = spread(TColourScale::TKind::ByShare);
        const double zeros = spread(TColourScale::TKind::ZeroShare);
        QVERIFY2(zeros > 3 * means,
                 qPrintable(QStringLiteral("%1 against %2").arg(zeros).arg(means)));
    }

    // While the grid is built, every zoom step's picture shows each pixel as
    // the complete grid's picture does, or as not ready yet: never a value
    // that is not final. (The scale is the complete one's for both.)
    void earlyPicturesShowFinalShadesOrNothing()
    {
        const TRowTable rows = test::RandomRows(3000, 0, 99, 47);
        const TTriangleGrid complete(rows, 0);
        TTriangleGrid early(rows, 0, TTriangleGrid::TUnfilled{});
        early.Fill(NoProgress(), 1000);
        TTriangleRenderer whole(complete);
        TTriangleRenderer part(early);
        part.SetScale(whole.Scale());
        const QSize view(240, 240);
        const QRgb notYet[] = {TViewColours{}.outside.rgb(), TViewColours{}.notYet.rgb()};
        for (double size = 0.04; size < TTriangleCanvas::MaxCellSize;
             size *= TTriangleCanvas::ZoomStep) {
            // Across the last ready column, around the middle line.
            const QPoint offset(int(early.ReadyColumns() * size) - view.width() / 2,
                                int(3000 * size) - view.height() / 2);
            QImage shown(view, QImage::Format_RGB32);
            QImage expected(view, QImage::Format_RGB32);
            for (auto [image, renderer] :
                 {std::pair{&shown, &part}, std::pair{&expected, &whole}}) {
                QPainter painter(image);
                renderer->Paint(painter, view, size, offset);
            }
            int same = 0;
            int pending = 0;
            for (int y = 0; y < view.height(); ++y)
                for (int x = 0; x < view.width(); ++x) {
                    const QRgb pixel = shown.pixel(x, y);
                    if (pixel == expected.pixel(x, y))
                        ++same;
                    else if (pixel == notYet[0] || pixel == notYet[1])
                        ++pending;
                    else
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 at %3 pixels a cell")
                                             .arg(x)
                                             .arg(y)
                                             .arg(size)));
                }
            // Both the ready part and the rest are in view.
            QVERIFY2(same > 0 && pending > 0, qPrintable(QString::number(size)));
        }
    }

    // The legend keeps its place and size at every zoom; the scale chosen
    // applies at once and is the next view's too.
    void legendKeepsItsSizeAndTheScaleIsRemembered()
    {
        OpenWindow(test::RandomRows(300, 0, 99, 37), 0);
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetCellSize(40, QPointF(0, 0));
        canvas.repaint();
        const QRect legend = canvas.LegendRect();
        canvas.SetCellSize(0.5, QPointF(0, 0));
        canvas.repaint();
        QCOMPARE(canvas.LegendRect(), legend);
        QVERIFY(legend.width() <= canvas.viewport()->width() * 3 / 4);
        QVERIFY(legend.height() <= canvas.viewport()->height() / 2);

        auto* scale = window_->findChild<QComboBox*>("ColourScale");
        QCOMPARE(scale->currentText(), QStringLiteral("Share of zero cells"));
        scale->setCurrentIndex(2);
        QCOMPARE(canvas.ScaleKind(), TColourScale::TKind::Linear);
        TTriangleWindow next(rows_, 1, *lines_, *dialogs_);
        QCOMPARE(next.Canvas().ScaleKind(), TColourScale::TKind::Linear);
        QCOMPARE(next.findChild<QComboBox*>("ColourScale")->currentText(),
                 QStringLiteral("Linear 0\u201399"));
        scale->setCurrentIndex(0);
    }

    // Each value present looks different from the next one present, on both
    // scales, however many cells the small values take (from 16,384 rows
    // on, nearly all of them are 0 or 1).
    void presentValuesLookApart_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("high");
        QTest::newRow("30 rows") << 30 << 99;
        QTest::newRow("1,000 rows") << 1000 << 99;
        QTest::newRow("16,384 rows") << 16384 << 99;
        QTest::newRow("5,000 rows of 0 to 9") << 5000 << 9;
    }

    void presentValuesLookApart()
    {
        QFETCH(int, count);
        QFETCH(int, high);
        const TTriangleGrid grid(test::RandomRows(std::size_t(count), 0, high, 43), 0);
        const auto& counts = grid.ValueCounts();
        for (const auto kind : {TColourScale::TKind::ByShare, TColourScale::TKind::Linear}) {
            const TColourScale scale(grid, kind);
            int previous = -1;
            for (int value = 0; value < int(counts.size()); ++value) {
                if (counts[std::size_t(value)] == 0)
                    continue;
                if (previous >= 0)
                    QVERIFY2(ColourDifference(scale.Of(previous), scale.Of(value)) >= 1,
                             qPrintable(QStringLiteral("%1 and %2").arg(previous).arg(value)));
                previous = value;
            }
        }
    }

    // Marks stand apart, and even on a scale that gives most of its length
    // to a few values, one marks the first quarter of the bar.
    void legendMarksSpreadOverTheBar_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("skew");
        QTest::newRow("by share, crowded at 0 and 1") << 0 << 0 << 99 << 2;
        QTest::newRow("by share, even") << 0 << 0 << 99 << 0;
        QTest::newRow("linear") << 1 << 0 << 99 << 2;
        QTest::newRow("linear, wide") << 1 << -5000 << 120000 << 0;
    }

    void legendMarksSpreadOverTheBar()
    {
        QFETCH(int, kind);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, skew);
        std::vector<std::uint64_t> counts(std::size_t(high - low + 1), 10);
        for (int v = 0; v < skew; ++v)
            counts[std::size_t(v)] = 100000;
        const TColourScale scale(low, high, counts, static_cast<TColourScale::TKind>(kind));
        const int width = 280;
        const int spacing = 30;
        const auto marks = scale.Marks(width, spacing);
        QVERIFY(marks.size() >= 2);
        for (std::size_t i = 1; i < marks.size(); ++i)
            QVERIFY(scale.Position(double(marks[i])) * width -
                        scale.Position(double(marks[i - 1])) * width >=
                    spacing);
        QVERIFY(scale.Position(double(marks.front())) < 0.25);
    }

    // Refresh keeps the zoom, the scroll position, the focus and the
    // selection, as far as the new triangle has those cells.
    void refreshKeepsThePlace_data()
    {
        QTest::addColumn<int>("newCount");
        QTest::newRow("a row more") << 2001;
        QTest::newRow("fewer rows") << 900;
    }

    void refreshKeepsThePlace()
    {
        QFETCH(int, newCount);
        OpenWindow(test::RandomRows(2000, 0, 99, 41), 0);
        TTriangleCanvas& canvas = window_->Canvas();
        canvas.SetCellSize(3, QPointF(0, 0));
        canvas.SetFocusedCell({1700, 300});
        canvas.SetFocusedCell({1720, 310}, true);
        const QPoint offset = canvas.Layout().Offset();
        rows_.resize(std::size_t(newCount), rows_.front());
        window_->Refresh();
        QCOMPARE(canvas.CellSize(), 3.0);
        const TTriangleGrid& grid = *canvas.Grid();
        if (grid.HasCell(1720, 310)) {
            QCOMPARE(canvas.Layout().Offset(), offset);
            QCOMPARE(canvas.FocusedCell(), (TCellPosition{1720, 310}));
            QCOMPARE(canvas.Selection().firstLine, 1700u);
            QCOMPARE(canvas.Selection().endColumn, 311u);
        } else {
            QVERIFY(grid.HasCell(canvas.FocusedCell().line, canvas.FocusedCell().column));
            QCOMPARE(canvas.FocusedCell().line, 1720u);
        }
    }

    // Cancel while the triangle is built: on opening no view is left, on
    // Refresh the old snapshot stays.
    void cancelWhileBuilding_data()
    {
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("opening, Esc") << false << true;
        QTest::newRow("refresh, Cancel button") << true << false;
    }

    void cancelWhileBuilding()
    {
        QFETCH(bool, refresh);
        QFETCH(bool, byEscape);
        auto clock = std::make_shared<test::TSteppingClock>();
        clock->step = std::chrono::milliseconds(100);
        auto build = [&] {
            return std::make_unique<TTriangleWindow>(rows_, 2, *lines_, *dialogs_, nullptr,
                                                     [clock] { return (*clock)(); });
        };
        QString caption;
        rows_ = test::RandomRows(300, 0, 99, 23);
        if (refresh)
            window_ = build();
        rows_ = test::RandomRows(3000, 0, 99, 29);
        clock->onRead = [&] {
            if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
                clock->onRead = nullptr;
                caption = dialog->labelText();
                if (byEscape)
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else
                    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            }
        };
        QVERIFY_THROWS_EXCEPTION(Cancelled, refresh ? window_->Refresh() : void(build()));
        if (refresh) {
            QCOMPARE(window_->Canvas().Grid()->ValueCount(), 300u);
            QCOMPARE(window_->windowTitle(), QStringLiteral("Triangle of column 3 (300 values)"));
        }
        QCOMPARE(caption, QStringLiteral("Building the triangle of column 3…"));
        QVERIFY(!clock->onRead);
        QCOMPARE(TopLevelCount<QProgressDialog>(), 0);
        QCOMPARE(TopLevelCount<TTriangleWindow>(), refresh ? 1 : 0);
    }

    // Refresh while the rest of the triangle is still being built: the old
    // build stops, and the view shows the new rows, a cell far to the right
    // as the rule has it once it is built.
    void refreshWhileBuildingShowsTheNewRows()
    {
        // Figures as en_US writes them, in the title and the cells' places.
        quorva::FollowLocaleInFigures(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto plainFigures = qScopeGuard([] { quorva::FollowLocaleInFigures(QLocale::c()); });
        // Too large to build in the moment before the first picture: values
        // past 255 take the 32-bit cells, several times slower to build than
        // the one-byte ones, which two threads fill at 16,000 rows in about
        // that moment.
        constexpr std::int32_t High = 100000;
        rows_ = test::RandomRows(16000, 0, High, 53);
        window_ = std::make_unique<TTriangleWindow>(rows_, 1, *lines_, *dialogs_);
        QVERIFY(window_->IsBuilding());
        rows_ = test::RandomRows(16500, 0, High, 59);
        window_->Refresh();
        QCOMPARE(window_->windowTitle(), QStringLiteral("Triangle of column 2 (16,500 values)"));
        // The status line tells how far the build has got, and nothing once built.
        const auto* figure = window_->findChild<QLabel*>("BuildingFigure");
        const QRegularExpression building(QStringLiteral("^Building ([0-9]|[1-9][0-9]) %$"));
        QVERIFY2(building.match(figure->text()).hasMatch(), qPrintable(figure->text()));
        // Column j's value 100, from the values it comes from, difference by
        // difference (none negative: no blanks); read out as not yet computed until
        // it is built, never waited for.
        const std::size_t j = 15000, i = 100;
        const TCellPosition far{2 * i + j, j};
        const QString early = CellAccessibleText(*window_->Canvas().Grid(), far);
        std::vector<std::int32_t> values;
        for (std::size_t row = i; row <= i + j; ++row)
            values.push_back(rows_[row][1]);
        for (std::size_t step = 1; step <= j; ++step)
            for (std::size_t t = 0; t + step < values.size(); ++t)
                values[t] = std::abs(values[t] - values[t + 1]);
        static_assert(2 * i + j + 1 == 15'201 && j + 1 == 15'001);
        const QString built = QStringLiteral("line 15,201, column 15,001: %1").arg(values[0]);
        const QString pending = QStringLiteral("line 15,201, column 15,001: not yet computed");
        QVERIFY2(early == pending || early == built, qPrintable(early));
        QTRY_VERIFY_WITH_TIMEOUT(!window_->IsBuilding(), 30000);
        QCOMPARE(CellAccessibleText(*window_->Canvas().Grid(), far), built);
        QCOMPARE(figure->text(), QString());
    }

    void refusesATriangleTooLargeForMemory()
    {
        const TRowTable rows(1'000'000);
        try {
            TTriangleWindow window(rows, 0, *lines_, *dialogs_);
            QFAIL("a triangle of a million values was shown");
        } catch (const Error& refusal) {
            QVERIFY(QString(refusal.what()).startsWith("The triangle of 1000000 values needs "));
        }
    }

private:
    void OpenWindow(TRowTable rows, int column)
    {
        rows_ = std::move(rows);
        window_ = std::make_unique<TTriangleWindow>(rows_, column, *lines_, *dialogs_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        // A large triangle's rest is built behind the first picture.
        QTRY_VERIFY_WITH_TIMEOUT(!window_->IsBuilding(), 30000);
    }

    void StartForm(int rows)
    {
        form_ = std::make_unique<TForm1>(*dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        for (int i = 0; i < rows; ++i)
            form_->Button2Click();
    }

    TTriangleWindow* OpenedWindow() const
    {
        const auto windows = form_->findChildren<TTriangleWindow*>();
        return windows.isEmpty() ? nullptr : windows.back();
    }

    void Change(const QString& change)
    {
        if (change == "add") {
            form_->Button2Click();
        } else if (change == "delete") {
            form_->Button3Click();
        } else if (change == "up") {
            form_->btnUpClick();
        } else if (change == "down") {
            auto* list = form_->findChild<QListView*>("ListBox1");
            list->setCurrentIndex(list->model()->index(0, 0));
            QCOMPARE(form_->Lines().SelectedIndex(), 0);
            form_->btnDownClick();
        } else {
            const QString file = folder_->filePath("rows.tir");
            std::ofstream(file.toStdString(), std::ios::binary)
                << "05 12 40 07 33 01 99\r\n03 12 41 08 30 02 98\r\n";
            dialogs_->nextFileNames = {file.toStdString()};
            form_->btnOpenClick();
        }
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<TFakeUserDialogs> dialogs_;
    std::unique_ptr<QStringListModel> lines_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TTriangleWindow> window_;
    TRowTable rows_;
};

QUORVA_REPORTING_TEST_MAIN(TTriangleViewTest)
#include "triangle_view_test.moc"
