#include "ui/Unit1.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "model/row_editing.h"
#include "model/row_list_file.h"
#include "model/row_text_import.h"
#include "triangle/triangle_csv.h"
#include "ui/busy_cursor.h"
#include "ui/column_choice.h"
#include "ui/dialog_placement.h"
#include "ui/dropped_file.h"
#include "ui/form_controls.h"
#include "ui/form_layout.h"
#include "ui/progress_dialog.h"
#include "ui/reported_operation.h"
#include "ui/row_list_view.h"
#include "ui/triangle_view/triangle_command.h"
#include "ui/triangle_view/triangle_window.h"
#include "ui/window_accessibility.h"

namespace quorva {

namespace {

constexpr QSize DesignedClientSize(423, 282);
constexpr QPoint DesignedPosition(483, 308);

// The application's main window (not a dialog, which desktops would treat as
// passing and tie to an invisible owner), of fixed size, with a title bar
// holding the system menu and the close box only.
constexpr Qt::WindowFlags FrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

} // namespace

TForm1::TForm1(TUserDialogs& dialogs, TPrefixSearch::TClock clock, QWidget* parent)
    : QWidget(parent, FrameFlags), FDialogs(dialogs), FClock(clock)
{
    // Before anything about the window reaches assistive technology, which
    // keeps the first description it gets of an object.
    AnnounceFormAsWindow();
    SetUpWindow();
    const TLayoutScale scale(fontMetrics().height());
    CreateControls(scale, std::move(clock));
    CreatePasteShortcut();
    CreateTriangleCommand();

    setFixedSize(scale(DesignedClientSize));
    move(DesignedPosition);
    FSpinFields.front()->setFocus();
}

void TForm1::SetUpWindow()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorva"));
    setAccessibleName(QStringLiteral("Quorva"));
    setAcceptDrops(true);
    setFont(WindowFont(screen()->logicalDotsPerInchY()));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void TForm1::CreateControls(const TLayoutScale& scale, TPrefixSearch::TClock clock)
{
    QList<QWidget*> tabChain;
    for (const TControlDesign& design : FormControls()) {
        QWidget* control = CreateControl(design, clock);
        control->setObjectName(QString::fromLatin1(design.name));
        control->setAccessibleName(QString::fromLatin1(design.caption));
        control->setGeometry(scale(design.designed));
        if (design.kind != TControlKind::ColumnChoice) {
            tabChain << control;
            continue;
        }
        FColumnChoice->ArrangeButtons(FColumnChoice->fontMetrics().height());
        for (int i = 0; i < TColumnChoice::ColumnCount; ++i)
            tabChain << FColumnChoice->Button(i);
    }
    for (qsizetype i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain[i - 1], tabChain[i]);
}

QWidget* TForm1::CreateControl(const TControlDesign& design, TPrefixSearch::TClock& clock)
{
    switch (design.kind) {
    case TControlKind::SpinField:
        return CreateSpinField();
    case TControlKind::Button:
        return CreateButton(design);
    case TControlKind::List:
        return new TRowListView(FLinesModel, std::move(clock), this);
    case TControlKind::ColumnChoice:
        return FColumnChoice = new TColumnChoice(this);
    }
    throw std::logic_error("unknown kind of control");
}

QSpinBox* TForm1::CreateSpinField()
{
    auto* field = new QSpinBox(this);
    field->setRange(0, 99);
    field->setSingleStep(1);
    field->setWrapping(false);
    FSpinFields.push_back(field);
    field->setValue(static_cast<int>(FSpinFields.size()));
    return field;
}

QPushButton* TForm1::CreateButton(const TControlDesign& design)
{
    auto* button = new QPushButton(QString::fromLatin1(design.caption), this);
    // Enter and Esc must press nothing in this window.
    button->setAutoDefault(false);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, handler = design.handler] { RunReportingFailures(handler); });
    return button;
}

void TForm1::RunReportingFailures(void (TForm1::*handler)())
{
    quorva::RunReportingFailures(FDialogs, [this, handler] { (this->*handler)(); });
}

void TForm1::CreateTriangleCommand()
{
    auto* triangle = new TTriangleCommand(
        *this, [this] { return FColumnChoice->ItemIndex(); },
        [this] { RunReportingFailures(&TForm1::ShowTriangleClick); });
    triangle->AddToContextMenu(*findChild<TRowListView*>(QStringLiteral("ListBox1")));
    triangle->AddToContextMenu(*FColumnChoice);
}

void TForm1::CreatePasteShortcut()
{
    // A window-wide shortcut: a focused spin field claims Ctrl+V for its own
    // text first, everywhere else it pastes rows.
    auto* paste = new QAction(this);
    paste->setObjectName(QStringLiteral("actPaste"));
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WindowShortcut);
    connect(paste, &QAction::triggered, this,
            [this] { RunReportingFailures(&TForm1::PasteClick); });
    addAction(paste);
}

TNumberRow TForm1::SpinValues() const
{
    TNumberRow row{};
    for (std::size_t i = 0; i < FSpinFields.size(); ++i) {
        // A number still being typed counts as soon as Add is pressed.
        FSpinFields[i]->interpretText();
        row[i] = static_cast<std::int16_t>(FSpinFields[i]->value());
    }
    return row;
}

void TForm1::Button2Click()
{
    AddRow(FRows, FLines, SpinValues());
}

void TForm1::Button3Click()
{
    DeleteSelectedRow(FRows, FLines);
}

void TForm1::btnUpClick()
{
    MoveSelectedRowUp(FRows, FLines);
}

void TForm1::btnDownClick()
{
    MoveSelectedRowDown(FRows, FLines);
}

void TForm1::btnOpenClick()
{
    const auto fileName = FDialogs.ChooseOpenFile();
    if (!fileName)
        return;
    OpenRowList(*fileName);
}

void TForm1::OpenRowList(const std::string& fileName)
{
    std::optional<std::string> refusal;
    try {
        TBusyCursor busy;
        TProgressDialog progress(this, OpeningCaption(fileName), FClock);
        OpenRowListFile(
            FLines, FRows, fileName, [&refusal](const std::string& message) { refusal = message; },
            progress);
    } catch (const Cancelled&) {
        // Also reached from a drop or the command line, where no handler
        // would catch it: a cancelled Open has changed nothing.
        return;
    }
    // Shown once the progress dialog has gone, so that the error stands alone.
    if (refusal)
        FDialogs.ShowError(*refusal);
}

void TForm1::btnSaveClick()
{
    const auto fileName = FDialogs.ChooseSaveFile(TUserDialogs::TSaveFile::RowList);
    if (!fileName)
        return;
    TBusyCursor busy;
    TProgressDialog progress(this, SavingCaption(*fileName), FClock);
    SaveRowListFile(FLines, *fileName, progress);
}

void TForm1::Button1Click()
{
    const auto fileName = FDialogs.ChooseSaveFile(TUserDialogs::TSaveFile::TriangleCsv);
    if (!fileName)
        return;
    TBusyCursor busy;
    const int column = FColumnChoice->ItemIndex();
    TProgressDialog progress(this, ExportingCaption(column, *fileName), FClock);
    ExportTriangleCsv(FRows, column, *fileName, progress);
}

void TForm1::PasteClick()
{
    TBusyCursor busy;
    PasteRows(FRows, FLines, QGuiApplication::clipboard()->text().toStdString());
}

void TForm1::showEvent(QShowEvent* event)
{
    // Placed when first shown, once the frame's size is known where the
    // platform tells it, so that the whole frame stays on the screen.
    if (!std::exchange(FPlaced, true))
        move(PositionWithin(screen()->availableGeometry(), frameGeometry().size(),
                            DesignedPosition));
    QWidget::showEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && DroppedRowListFile(*event->mimeData()))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const auto fileName = event->mimeData() ? DroppedRowListFile(*event->mimeData()) : std::nullopt;
    if (!fileName)
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that a failure's dialog does not keep
    // the dragging program waiting.
    QMetaObject::invokeMethod(
        this, [this, name = *fileName] { OpenRowList(name); }, Qt::QueuedConnection);
}

void TForm1::ShowTriangleClick()
{
    ShowTriangleWindow(FRows, FColumnChoice->ItemIndex(), FLinesModel, FDialogs, this);
}

} // namespace quorva
