#include "ui/Unit1.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSessionManager>
#include <QShowEvent>
#include <QSpinBox>
#include <QUndoStack>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "model/files/file_error.h"
#include "model/journal/journal_folder.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_text_import.h"
#include "ui/base/busy_cursor.h"
#include "ui/base/dialog_placement.h"
#include "ui/base/queued_call.h"
#include "ui/base/window_accessibility.h"
#include "ui/dialogs/file_proposals.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/dialogs/reported_operation.h"
#include "ui/form_controls.h"
#include "ui/main_window/column_choice.h"
#include "ui/main_window/dropped_file.h"
#include "ui/main_window/form_layout.h"
#include "ui/main_window/recent_files.h"
#include "ui/main_window/row_change_announcement.h"
#include "ui/main_window/row_change_command.h"
#include "ui/main_window/row_list_view.h"
#include "ui/main_window/window_commands.h"
#include "ui/recovery/backup_offer.h"
#include "ui/recovery/left_rows_offer.h"
#include "ui/triangle_export/triangle_export.h"
#include "ui/triangle_view/triangle_window.h"

namespace quorva {

namespace {

constexpr QSize DesignedClientSize(423, 282);
constexpr QPoint DesignedPosition(483, 308);

// The application's main window (not a dialog, which desktops would treat as
// passing and tie to an invisible owner), of fixed size, with a title bar
// holding the system menu and the close box only.
constexpr Qt::WindowFlags FrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// The handler a press of each button of FormControls() runs, by its name.
using THandler = void (TForm1::*)();
THandler HandlerOf(std::string_view button)
{
    static const std::pair<std::string_view, THandler> Handlers[] = {
        {"Button2", &TForm1::Button2Click}, {"Button3", &TForm1::Button3Click},
        {"Button1", &TForm1::Button1Click}, {"btnOpen", &TForm1::btnOpenClick},
        {"btnSave", &TForm1::btnSaveClick}, {"btnUp", &TForm1::btnUpClick},
        {"btnDown", &TForm1::btnDownClick}};
    for (const auto& [name, handler] : Handlers)
        if (name == button)
            return handler;
    throw std::logic_error("a button without a handler");
}

} // namespace

TForm1::TForm1(TUserDialogs& dialogs, TWindowClock clock, QWidget* parent)
    : QWidget(parent, FrameFlags), FDialogs(dialogs), FClock(clock),
      FDocument(QueuedCallsTo(*this),
                [this](const std::string& message) { FDialogs.ShowError(message); }),
      FHistory(new QUndoStack(this))
{
    // Before anything about the window reaches assistive technology, which
    // keeps the first description it gets of an object.
    AnnounceClassAs(staticMetaObject, QAccessible::Window);
    SetUpWindow();
    const TLayoutScale scale(fontMetrics().height());
    CreateControls(scale, std::move(clock));
    CreateTriangleCommand(CreateKeyboardCommands());
    CreateHistoryActions(*findChild<TRowListView*>(QStringLiteral("ListBox1"))->viewport());
    connect(FHistory, &QUndoStack::indexChanged, this, [this] { FDropAgreed = false; });
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this, &TForm1::CommitData);

    setFixedSize(scale(DesignedClientSize));
    move(DesignedPosition);
    FSpinFields.front()->setFocus();
}

TForm1::~TForm1()
{
    // The history's end is no step of the rows.
    FHistory->disconnect(this);
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

void TForm1::CreateControls(const TLayoutScale& scale, TWindowClock clock)
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

QWidget* TForm1::CreateControl(const TControlDesign& design, TWindowClock& clock)
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
            [this, handler = HandlerOf(design.name)] { RunReportingFailures(handler); });
    return button;
}

void TForm1::RunReportingFailures(void (TForm1::*handler)())
{
    quorva::RunReportingFailures(FDialogs, [this, handler] { (this->*handler)(); });
}

void TForm1::Remember(const QString& name, std::optional<TRowChange> change)
{
    if (!change)
        return;
    FDocument.StepDone(change->ReadyToApply(FRows, FLines));
    const auto record = [this](bool apply, const TRowChange& step) {
        FDocument.StepTaken(apply, step);
    };
    // A reader following the focus hears nothing of a change to the list
    // made from a button or a number field: it is told what changed.
    const auto taken = [this](bool apply, const TRowChange& step) {
        AnnounceFrom(*this, RowChangeAnnouncement(
                                step, apply ? TStepTaken::Redone : TStepTaken::Undone, FLines));
    };
    auto* command = new TRowChangeCommand(name, std::move(*change), FRows, FLines, record, taken);
    FHistory->push(command);
    AnnounceFrom(*this, RowChangeAnnouncement(command->Change(), TStepTaken::Done, FLines));
}

void TForm1::UndoClick()
{
    FHistory->undo();
}

void TForm1::RedoClick()
{
    FHistory->redo();
}

bool TForm1::HasUnsavedRows() const
{
    return FDocument.Unsaved();
}

// Asks, when there are unsaved rows, whether to save them first; false when
// they are to be kept.
bool TForm1::MayDropUnsavedRows(TUserDialogs::TDropping dropping)
{
    if (!HasUnsavedRows() || FDropAgreed)
        return true;
    switch (FDialogs.AskSaveUnsavedRows(dropping)) {
    case TUserDialogs::TUnsavedAnswer::Save:
        RunReportingFailures(&TForm1::btnSaveClick);
        return !HasUnsavedRows();
    case TUserDialogs::TUnsavedAnswer::Discard:
        return true;
    case TUserDialogs::TUnsavedAnswer::Cancel:
        break;
    }
    return false;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (MayDropUnsavedRows(TUserDialogs::TDropping::Closing)) {
        FDocument.Discard();
        event->accept();
    } else
        event->ignore();
}

void TForm1::CommitData(QSessionManager& manager)
{
    if (!HasUnsavedRows() || !manager.allowsInteraction())
        return;
    FDropAgreed = MayDropUnsavedRows(TUserDialogs::TDropping::Closing);
    manager.release();
    if (!FDropAgreed)
        manager.cancel();
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
    Remember(QStringLiteral("Add"), AddRow(FRows, FLines, SpinValues()));
    // What was typed is in the rows now: undo takes the row back.
    for (QSpinBox* field : FSpinFields)
        ForgetTyping(*field);
}

void TForm1::Button3Click()
{
    Remember(QStringLiteral("Delete"), DeleteSelectedRow(FRows, FLines));
}

void TForm1::btnUpClick()
{
    Remember(QStringLiteral("Moove Up"), MoveSelectedRowUp(FRows, FLines));
}

void TForm1::btnDownClick()
{
    Remember(QStringLiteral("Moove Down"), MoveSelectedRowDown(FRows, FLines));
}

void TForm1::btnOpenClick()
{
    if (!MayDropUnsavedRows(TUserDialogs::TDropping::OpeningAnother))
        return;
    const auto fileName = FDialogs.ChooseOpenFile(OpenProposal(LastUsedFile()));
    if (!fileName)
        return;
    LoadRowList(*fileName);
}

void TForm1::OpenRowList(const std::string& fileName)
{
    // Named before this moment, unlike a file Open's dialog has just shown:
    // one that has gone since is said to be gone, by its name, before any
    // question, and is offered no more.
    try {
        CheckFileIsThere(fileName);
    } catch (const Error& gone) {
        FDialogs.ShowError(gone.what());
        ForgetRecentFile(fileName);
        UpdateRecentFiles();
        return;
    }
    if (MayDropUnsavedRows(TUserDialogs::TDropping::OpeningAnother))
        LoadRowList(fileName);
}

void TForm1::NewClick()
{
    if (!MayDropUnsavedRows(TUserDialogs::TDropping::StartingNew))
        return;
    FHistory->clear();
    FDocument.New();
}

void TForm1::LoadRowList(const std::string& fileName)
{
    OfferBackups(FindBackups(fileName), FDialogs);
    std::optional<std::string> refusal;
    try {
        TBusyCursor busy;
        TProgressDialog progress(this, OpeningCaption(fileName), FClock);
        FDocument.Open(fileName, progress);
        FHistory->clear();
        RowListUsed(fileName);
    } catch (const Cancelled&) {
        // Also reached from a drop or the command line, where no handler
        // would catch it: a cancelled Open has changed nothing.
        return;
    } catch (const Error& failure) {
        refusal = failure.what();
    }
    // Shown once the progress dialog has gone, so that the error stands alone.
    if (refusal)
        FDialogs.ShowError(*refusal);
}

void TForm1::RestoreLeftRows()
{
    // Backups first: a file cut short by a killed save is whole again
    // before anything reads it or names it.
    OfferBackups(FindAllBackups(), FDialogs);
    // Every journal left is offered now, each held from here until its
    // question is answered; the rows of the second and later go to windows
    // of their own.
    bool taken = false;
    for (TLeftJournal& journal : JournalsLeftBehind(FDialogs)) {
        if (!taken) {
            taken = RestoreJournal(journal);
            continue;
        }
        auto other = std::make_unique<TForm1>(FDialogs, FClock);
        if (!other->RestoreJournal(journal))
            continue;
        other->setAttribute(Qt::WA_DeleteOnClose);
        other->move(pos() + QPoint(fontMetrics().height(), fontMetrics().height()) * 2);
        other.release()->show();
    }
}

// Returns whether the journal's rows are now this window's; a journal not
// taken is let go of as it is, unless the user discards it.
bool TForm1::RestoreJournal(TLeftJournal& journal)
{
    auto left = OfferLeftRows(journal, FDialogs, this, FClock);
    if (!left)
        return false;
    FHistory->clear();
    FDocument.Restore(std::move(journal), std::move(*left));
    return true;
}

void TForm1::btnSaveClick()
{
    const auto fileName = FDialogs.ChooseSaveFile(
        TUserDialogs::TSaveFile::RowList, RowListProposal(FDocument.File().Name(), LastUsedFile()));
    if (!fileName)
        return;
    OfferBackups(FindBackups(*fileName), FDialogs);
    if (FDocument.ChangedOnDisk(*fileName) && !FDialogs.AskReplaceChangedFile(*fileName))
        return;
    TBusyCursor busy;
    TProgressDialog progress(this, SavingCaption(*fileName), FClock);
    FDocument.Save(*fileName, progress);
    RowListUsed(*fileName);
}

void TForm1::Button1Click()
{
    ExportTriangleToChosenFile(FRows, FColumnChoice->ItemIndex(), &FDocument.File(), FDialogs, this,
                               FClock);
}

void TForm1::ExportSpreadsheetClick()
{
    ExportTriangleToChosenSpreadsheet(FRows, FColumnChoice->ItemIndex(), &FDocument.File(),
                                      FDialogs, this, FClock);
}

void TForm1::PasteClick()
{
    TBusyCursor busy;
    Remember(QStringLiteral("Paste"),
             PasteRows(FRows, FLines, QGuiApplication::clipboard()->text().toStdString()));
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
    // the dragging program waiting; unsaved rows are not dropped unasked.
    QMetaObject::invokeMethod(
        this, [this, name = *fileName] { OpenRowList(name); }, Qt::QueuedConnection);
}

void TForm1::ShowTriangleClick()
{
    ShowTriangleWindow(FRows, FColumnChoice->ItemIndex(), FLinesModel, FDialogs, this,
                       &FDocument.File());
}

} // namespace quorva
