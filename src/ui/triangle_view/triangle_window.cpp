#include "ui/triangle_view/triangle_window.h"

#include <QAbstractItemModel>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <chrono>
#include <new>
#include <string_view>

#include "model/base/error.h"
#include "model/base/figures.h"
#include "model/files/atomic_file_writer.h"
#include "triangle/triangle_budget.h"
#include "triangle/triangle_grid.h"
#include "ui/base/busy_cursor.h"
#include "ui/base/figure_locale.h"
#include "ui/base/window_accessibility.h"
#include "ui/dialogs/file_proposals.h"
#include "ui/dialogs/reported_operation.h"
#include "ui/triangle_export/triangle_export.h"
#include "ui/triangle_view/cell_text.h"
#include "ui/triangle_view/grid_refiner.h"
#include "ui/triangle_view/triangle_accessible.h"
#include "ui/triangle_view/triangle_canvas.h"
#include "ui/triangle_view/view_placement.h"

namespace quorva {
namespace {

// Where the chosen colour scale, and the view's size and place, are
// remembered.
const QString ScaleSetting = QStringLiteral("TriangleView/Scale");
const QString GeometrySetting = QStringLiteral("TriangleView/Geometry");

// The progress dialog comes sooner than for other operations: a triangle
// too large to show at once should say so within half a second.
constexpr std::chrono::milliseconds BuildShowDelay{400};

// How long the view builds the triangle before it first shows it: a
// triangle built within that is shown complete; a larger one shows what is
// built by then, and the rest as a worker thread builds it.
constexpr std::chrono::milliseconds FirstPictureTime{100};
// Columns built between two looks at the time.
constexpr std::size_t FirstPictureStep = 64;

QString WithShortcut(const QString& text, const QKeySequence& keys)
{
    QString plain = text;
    plain.remove(QChar(0x2026));
    return keys.isEmpty()
               ? plain
               : QStringLiteral("%1 (%2)").arg(plain, keys.toString(QKeySequence::NativeText));
}

// The canvas, made once its screen reader's table is installed: Qt keeps
// the first interface anything asks for, and the canvas's own setup may ask.
TTriangleCanvas* NewCanvas(QWidget* parent)
{
    InstallTriangleAccessibility();
    return new TTriangleCanvas(parent);
}

} // namespace

TTriangleWindow::TTriangleWindow(const TRowTable& rows, int column, const QAbstractItemModel& lines,
                                 TUserDialogs& dialogs, QWidget* parent, TWindowClock clock,
                                 const TKnownFile* rowsFile)
    : QMainWindow(parent, Qt::Window), rows_(rows), column_(column), dialogs_(dialogs),
      clock_(std::move(clock)), rowsFile_(rowsFile), canvas_(NewCanvas(this))
{
    setObjectName(QStringLiteral("TriangleWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    canvas_->setObjectName(QStringLiteral("TriangleCanvas"));
    CreateActions();
    CreateNotice();
    cellLabel_ = new QLabel(this);
    cellLabel_->setObjectName(QStringLiteral("CellDescription"));
    statusBar()->addWidget(cellLabel_, 1);
    buildLabel_ = new QLabel(this);
    buildLabel_->setObjectName(QStringLiteral("BuildingFigure"));
    statusBar()->addPermanentWidget(buildLabel_);
    connect(canvas_, &TTriangleCanvas::CellPointed, this, &TTriangleWindow::Describe);
    connect(canvas_, &TTriangleCanvas::CopyRequested, this,
            [this] { RunReportingFailures(&TTriangleWindow::CopySelection); });

    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&lines, signal, this, &TTriangleWindow::MarkOutOfDate);
    connect(&lines, &QAbstractItemModel::dataChanged, this, &TTriangleWindow::MarkOutOfDate);
    connect(&lines, &QAbstractItemModel::modelReset, this, &TTriangleWindow::MarkOutOfDate);

    // Until ShowTriangleWindow places it.
    resize(960, 720);
    BuildAndShowGrid(rows_, parent ? parent : this, false);
}

TTriangleWindow::~TTriangleWindow()
{
    // The worker stops before the window goes; the grid goes with the canvas.
    refiner_.reset();
    // Also when the main window closes with the view open.
    QSettings().setValue(GeometrySetting, saveGeometry());
}

void TTriangleWindow::CreateActions()
{
    QToolBar* tools = addToolBar(QStringLiteral("Triangle"));
    tools->setObjectName(QStringLiteral("TriangleTools"));
    tools->setMovable(false);
    // `shown` is the shortcut the tooltip tells of, where the canvas reads
    // the keys itself.
    auto add = [this, tools](const QString& text, const QKeySequence& keys, auto operation,
                             const QKeySequence& shown = {}) {
        QAction* action = tools->addAction(text);
        action->setShortcut(keys);
        action->setToolTip(WithShortcut(text, keys.isEmpty() ? shown : keys));
        connect(action, &QAction::triggered, this, operation);
        return action;
    };
    // The view's own controls come first, where even a narrow view has
    // room for them; the canvas reads their keys itself when it has the
    // focus, and the buttons are for the mouse.
    add(
        QStringLiteral("Zoom in"), QKeySequence(), [this] { canvas_->ZoomIn(); },
        QKeySequence(Qt::CTRL | Qt::Key_Plus));
    add(
        QStringLiteral("Zoom out"), QKeySequence(), [this] { canvas_->ZoomOut(); },
        QKeySequence(Qt::CTRL | Qt::Key_Minus));
    add(
        QStringLiteral("Fit"), QKeySequence(), [this] { canvas_->Fit(); },
        QKeySequence(Qt::CTRL | Qt::Key_0))
        ->setObjectName(QStringLiteral("Fit"));
    QAction* readable = add(
        QStringLiteral("1:1"), QKeySequence(), [this] { canvas_->ShowReadable(); },
        QKeySequence(Qt::CTRL | Qt::Key_1));
    readable->setObjectName(QStringLiteral("Readable"));
    readable->setToolTip(
        WithShortcut(QStringLiteral("Readable numbers"), QKeySequence(Qt::CTRL | Qt::Key_1)));
    tools->addSeparator();

    auto* scale = new QComboBox(tools);
    scale->setObjectName(QStringLiteral("ColourScale"));
    scale->setToolTip(QStringLiteral("Colour scale"));
    scale->setAccessibleName(QStringLiteral("Colour scale"));
    // The zero shares first: at Fit they show what the means wash out.
    for (const auto kind : {TColourScale::TKind::ZeroShare, TColourScale::TKind::ByShare,
                            TColourScale::TKind::Linear})
        scale->addItem(TColourScale::KindName(kind), static_cast<int>(kind));
    // Remembered by kind, which earlier views stored as their index.
    const int remembered = scale->findData(
        QSettings().value(ScaleSetting, int(TColourScale::TKind::ZeroShare)).toInt());
    scale->setCurrentIndex(std::max(remembered, 0));
    canvas_->SetScaleKind(static_cast<TColourScale::TKind>(scale->currentData().toInt()));
    connect(scale, &QComboBox::currentIndexChanged, this, [this, scale](int index) {
        canvas_->SetScaleKind(static_cast<TColourScale::TKind>(scale->itemData(index).toInt()));
        QSettings().setValue(ScaleSetting, scale->itemData(index).toInt());
    });
    tools->addWidget(scale);
    tools->addSeparator();

    add(QStringLiteral("Export\u2026"), QKeySequence(Qt::CTRL | Qt::Key_E),
        [this] { RunReportingFailures(&TTriangleWindow::ExportCsv); });
    // No key of its own: Ctrl+E is the view's CSV export.
    add(QStringLiteral("Export to spreadsheet\u2026"), QKeySequence(), [this] {
        RunReportingFailures(&TTriangleWindow::ExportSpreadsheet);
    })->setObjectName(QStringLiteral("ExportSpreadsheet"));
    QAction* saveImage =
        add(QStringLiteral("Save image\u2026"), QKeySequence(Qt::CTRL | Qt::Key_S),
            [this] { quorva::RunReportingFailures(dialogs_, [this] { SaveImage(false); }); });
    saveImage->setObjectName(QStringLiteral("SaveImage"));
    // The button saves what the view shows; its menu offers the whole too.
    auto* imageMenu = new QMenu(this);
    imageMenu->addAction(QStringLiteral("The part on the screen\u2026"), saveImage,
                         &QAction::trigger);
    imageMenu
        ->addAction(QStringLiteral("The whole triangle\u2026"), this,
                    [this] { quorva::RunReportingFailures(dialogs_, [this] { SaveImage(true); }); })
        ->setObjectName(QStringLiteral("SaveWholeImage"));
    saveImage->setMenu(imageMenu);

    auto* close = new QAction(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseView"));
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

void TTriangleWindow::CreateNotice()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    notice_ = new QWidget(central);
    notice_->setObjectName(QStringLiteral("OutOfDateNotice"));
    notice_->setAutoFillBackground(true);
    QPalette palette = notice_->palette();
    palette.setColor(QPalette::Window, QColor(0xff, 0xf0, 0xb3));
    palette.setColor(QPalette::WindowText, Qt::black);
    notice_->setPalette(palette);
    const QString outOfDate = QStringLiteral("The rows have changed: this view is out of date.");
    // Read out when it appears, wherever the focus is.
    AnnounceAsAlert(*notice_, outOfDate);
    auto* noticeLayout = new QHBoxLayout(notice_);
    noticeLayout->setContentsMargins(8, 4, 8, 4);
    noticeLayout->addWidget(new QLabel(outOfDate, notice_), 1);
    auto* refresh = new QPushButton(QStringLiteral("Refresh"), notice_);
    refresh->setObjectName(QStringLiteral("Refresh"));
    connect(refresh, &QPushButton::clicked, this,
            [this] { RunReportingFailures(&TTriangleWindow::Refresh); });
    noticeLayout->addWidget(refresh);
    notice_->hide();

    layout->addWidget(notice_);
    layout->addWidget(canvas_, 1);
    setCentralWidget(central);
}

void TTriangleWindow::BuildAndShowGrid(const TRowTable& rows, QWidget* progressOwner,
                                       bool keepPlace)
{
    // The old triangle stays until the new one is complete, so that Cancel
    // can keep it; the memory it holds is not counted as available.
    CheckGridFitsInMemory(rows, column_);
    TBusyCursor busy;
    std::shared_ptr<TTriangleGrid> grid;
    try {
        TProgressDialog progress(progressOwner, BuildingCaption(column_), clock_, BuildShowDelay);
        grid = std::make_shared<TTriangleGrid>(rows, column_, TTriangleGrid::TUnfilled{});
        // The machine's own time: the window's clock may be one that only
        // tells the progress dialog when to show.
        const auto start = std::chrono::steady_clock::now();
        do
            grid->Fill(progress, grid->ReadyColumns() + FirstPictureStep);
        while (!grid->IsComplete() && std::chrono::steady_clock::now() - start < FirstPictureTime);
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory to show the triangle.");
    }
    std::unique_ptr<TGridRefiner> refiner;
    if (!grid->IsComplete()) {
        refiner = std::make_unique<TGridRefiner>(grid, this);
        connect(refiner.get(), &TGridRefiner::Refined, this, &TTriangleWindow::ShowRefined);
    }
    snapshot_ = rows;
    canvas_->SetGrid(std::move(grid), keepPlace);
    // The old grid's worker, if it is still building it, stops here.
    refiner_ = std::move(refiner);
    setWindowTitle(QStringLiteral("Triangle of column %1 (%2 values)")
                       .arg(column_ + 1)
                       .arg(CountText(snapshot_.size())));
    outOfDate_ = false;
    notice_->hide();
    ShowBuildingFigure();
}

void TTriangleWindow::Refresh()
{
    BuildAndShowGrid(rows_, this, true);
}

void TTriangleWindow::MarkOutOfDate()
{
    outOfDate_ = true;
    notice_->show();
}

void TTriangleWindow::Describe(TCellPosition cell)
{
    const TTriangleGrid* grid = canvas_->Grid();
    if (!grid)
        return;
    // A cell not built yet is described once it is, not waited for.
    undescribed_.reset();
    if (cell.column >= grid->ReadyColumns()) {
        undescribed_ = cell;
        cellLabel_->clear();
        return;
    }
    cellLabel_->setText(CellDescription(*grid, cell));
}

void TTriangleWindow::ShowRefined()
{
    canvas_->ShowRefined();
    // Its worker has ended; the refiner goes once it has finished telling.
    if (refiner_ && canvas_->Grid()->IsComplete())
        refiner_.release()->deleteLater();
    if (undescribed_)
        Describe(*undescribed_);
    ShowBuildingFigure();
}

void TTriangleWindow::ShowBuildingFigure()
{
    // The share of cells built, never 100 % before the last is.
    const TTriangleGrid* grid = canvas_->Grid();
    if (!grid || grid->IsComplete()) {
        buildLabel_->clear();
        buildLabel_->hide();
        return;
    }
    const std::uint64_t total = grid->CellsBefore(grid->ColumnCount());
    const std::uint64_t percent = grid->CellsBefore(grid->ReadyColumns()) * 100 / total;
    buildLabel_->setText(
        QStringLiteral("Building %1 %").arg(QString::fromStdString(FormatCount(percent))));
    buildLabel_->show();
}

void TTriangleWindow::ExportCsv()
{
    ExportTriangleToChosenFile(snapshot_, column_, rowsFile_, dialogs_, this, clock_);
}

void TTriangleWindow::ExportSpreadsheet()
{
    ExportTriangleToChosenSpreadsheet(snapshot_, column_, rowsFile_, dialogs_, this, clock_);
}

void TTriangleWindow::SaveImage(bool whole)
{
    const auto fileName =
        dialogs_.ChooseSaveFile(TUserDialogs::TSaveFile::ViewImage,
                                ViewImageProposal(rowsFile_ ? rowsFile_->Name() : std::string(),
                                                  column_, LastExportedFile()));
    if (!fileName)
        return;
    // The picture of the whole triangle, not of the part built so far: the
    // rest is waited for as any build is, with Cancel.
    if (const TTriangleGrid* grid = canvas_->Grid(); grid && !grid->IsComplete()) {
        TBusyCursor busy;
        TProgressDialog progress(this, BuildingCaption(column_), clock_, BuildShowDelay);
        grid->AwaitColumn(grid->ColumnCount() - 1, progress);
        canvas_->ShowRefined();
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!(whole ? canvas_->WholeImage() : canvas_->ViewImage()).save(&buffer, "PNG"))
        throw Error("The picture of the view could not be made.");
    // The same all-or-nothing writer as every other file the tool saves.
    TAtomicFileWriter writer(*fileName);
    writer.Write(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
    writer.Commit();
    RememberExportedFile(*fileName);
}

void TTriangleWindow::CopySelection()
{
    const TTriangleGrid* grid = canvas_->Grid();
    if (!grid)
        return;
    const TCellRect selection = canvas_->Selection();
    CheckCopyFitsInMemory(grid->CsvTextBound(selection));
    TBusyCursor busy;
    std::string text;
    {
        TProgressDialog progress(this, CopyingCaption(), clock_);
        text = grid->CsvText(selection, progress);
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TTriangleWindow::RunReportingFailures(void (TTriangleWindow::*operation)())
{
    quorva::RunReportingFailures(dialogs_, [this, operation] { (this->*operation)(); });
}

TTriangleWindow* ShowTriangleWindow(const TRowTable& rows, int column,
                                    const QAbstractItemModel& lines, TUserDialogs& dialogs,
                                    QWidget* owner, const TKnownFile* rowsFile)
{
    if (rows.empty())
        throw Error("There are no rows to show.");
    TTriangleWindow* window = nullptr;
    if (owner)
        for (TTriangleWindow* open : owner->findChildren<TTriangleWindow*>())
            if (open->Column() == column && !open->isHidden())
                window = open;
    if (!window) {
        // The views open before this one, whose titles it must not hide.
        QList<QRect> views;
        if (owner)
            for (TTriangleWindow* open : owner->findChildren<TTriangleWindow*>())
                if (open->isVisible())
                    views.append(open->frameGeometry());
        window =
            new TTriangleWindow(rows, column, lines, dialogs, owner, SteadyMilliseconds, rowsFile);
        // The first view where the user last left one, while that is still
        // on the screen; else, as the first time, beside the main window.
        const bool remembered =
            views.isEmpty() &&
            window->restoreGeometry(QSettings().value(GeometrySetting).toByteArray());
        window->show();
        // The frame is known once the window manager has framed the window;
        // until then the main window's, which it framed alike, stands for it.
        const QMargins frame = FrameMargins(*window, owner);
        const bool onScreen = remembered && window->screen()->availableGeometry().contains(
                                                window->geometry().marginsAdded(frame));
        if (!onScreen && owner && owner->screen())
            PlaceView(*window,
                      {owner->screen()->availableGeometry(), frame, owner->frameGeometry(), views});
    }
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace quorva
