// The main window's keyboard commands and context menus: keys for what the
// designed buttons do, undo and redo, recent files and the triangle view,
// so that the designed window stays as it is.

#include "ui/Unit1.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSpinBox>
#include <QUndoStack>

#include <utility>

#include "ui/base/display_text.h"
#include "ui/dialogs/reported_operation.h"
#include "ui/main_window/column_choice.h"
#include "ui/main_window/recent_files.h"
#include "ui/main_window/row_list_view.h"
#include "ui/main_window/window_commands.h"
#include "ui/triangle_view/triangle_command.h"

namespace quorva {

namespace {

QAction* Separator(QObject* owner)
{
    auto* separator = new QAction(owner);
    separator->setSeparator(true);
    return separator;
}

} // namespace

void TForm1::CreateTriangleCommand(const QList<QAction*>& listCommands)
{
    auto* triangle = new TTriangleCommand(
        *this, [this] { return FColumnChoice->ItemIndex(); },
        [this] { RunReportingFailures(&TForm1::ShowTriangleClick); });
    triangle->AddToContextMenu(*findChild<TRowListView*>(QStringLiteral("ListBox1")), listCommands);
    triangle->AddToContextMenu(*FColumnChoice);
}

QList<QAction*> TForm1::CreateKeyboardCommands()
{
    // Keys for what the buttons do, so that the designed window stays as it
    // is; the list's context menu shows the keys of its commands.
    const auto run = [this](void (TForm1::*handler)()) {
        return [this, handler] { RunReportingFailures(handler); };
    };
    QAction* open =
        AddCommand(*this, "actOpen", QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O),
                   Qt::WindowShortcut, run(&TForm1::btnOpenClick));
    QAction* save =
        AddCommand(*this, "actSave", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                   Qt::WindowShortcut, run(&TForm1::btnSaveClick));
    QAction* paste =
        AddCommand(*this, "actPaste", QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
                   Qt::WindowShortcut, run(&TForm1::PasteClick));
    for (QSpinBox* field : FSpinFields)
        PassRowKeysToWindow(*field);
    QAction* up =
        AddCommand(*this, "actUp", QStringLiteral("Moove Up"), QKeySequence(Qt::ALT | Qt::Key_Up),
                   Qt::WindowShortcut, run(&TForm1::btnUpClick));
    QAction* down = AddCommand(*this, "actDown", QStringLiteral("Moove Down"),
                               QKeySequence(Qt::ALT | Qt::Key_Down), Qt::WindowShortcut,
                               run(&TForm1::btnDownClick));
    QAction* newList =
        AddCommand(*this, "actNew", QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                   Qt::WindowShortcut, run(&TForm1::NewClick));
    // The spreadsheet workbook of the chosen column, as Start writes its CSV.
    QAction* exportSheet =
        AddCommand(*this, "actExportSpreadsheet", QStringLiteral("Export to spreadsheet\u2026"),
                   QKeySequence(Qt::CTRL | Qt::Key_E), Qt::WindowShortcut,
                   run(&TForm1::ExportSpreadsheetClick));
    // Closing asks about unsaved rows, as the close box does.
    QAction* quit =
        AddCommand(*this, "actQuit", QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                   Qt::WindowShortcut, [this] { close(); });

    auto* list = findChild<TRowListView*>(QStringLiteral("ListBox1"));
    QAction* copy =
        AddCommand(*list, "actCopy", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
                   Qt::WidgetShortcut, [list] { list->CopySelectedLine(); });
    QAction* remove =
        AddCommand(*list, "actDelete", QStringLiteral("Delete"), QKeySequence(Qt::Key_Delete),
                   Qt::WidgetShortcut, run(&TForm1::Button3Click));
    return {copy,
            paste,
            remove,
            Separator(this),
            CreateAddCommand(),
            up,
            down,
            Separator(this),
            newList,
            open,
            CreateRecentFilesCommand(),
            save,
            exportSheet,
            quit};
}

// Ctrl+Return in a number field, where the row is typed; Return alone still
// presses nothing.
QAction* TForm1::CreateAddCommand()
{
    QAction* add = AddCommand(*FSpinFields.front(), "actAdd", QStringLiteral("Add"),
                              QKeySequence(Qt::CTRL | Qt::Key_Return), Qt::WidgetShortcut,
                              [this] { RunReportingFailures(&TForm1::Button2Click); });
    add->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    for (QSpinBox* field : FSpinFields)
        field->addAction(add);
    return add;
}

QAction* TForm1::CreateRecentFilesCommand()
{
    FRecentMenu = new QMenu(QStringLiteral("Open Recent"), this);
    FRecentMenu->setObjectName(QStringLiteral("RecentFiles"));
    UpdateRecentFiles();
    return FRecentMenu->menuAction();
}

void TForm1::UpdateRecentFiles()
{
    // Later: this may run while one of them is being triggered.
    for (QAction* action : FRecentMenu->actions()) {
        FRecentMenu->removeAction(action);
        action->deleteLater();
    }
    for (const std::string& fileName : RecentFiles()) {
        // A name is shown as it is: an '&' in it marks no key.
        QString text = DisplayText(fileName);
        text.replace(u'&', QStringLiteral("&&"));
        // Opened once the menu has gone, as a drop is.
        connect(
            FRecentMenu->addAction(text), &QAction::triggered, this,
            [this, fileName] {
                quorva::RunReportingFailures(FDialogs, [this, fileName] { OpenRowList(fileName); });
            },
            Qt::QueuedConnection);
    }
    FRecentMenu->menuAction()->setEnabled(!FRecentMenu->isEmpty());
}

// The rows now belong to `fileName`: it is the most recent row list.
void TForm1::RowListUsed(const std::string& fileName)
{
    RememberRecentFile(fileName);
    UpdateRecentFiles();
}

void TForm1::CreateHistoryActions(QWidget& list)
{
    // Qt's own actions, which name the step ("Undo Delete") and are enabled
    // only when there is one; triggered through the window's failure report.
    const std::pair<QAction*, void (TForm1::*)()> actions[] = {
        {FHistory->createUndoAction(this), &TForm1::UndoClick},
        {FHistory->createRedoAction(this), &TForm1::RedoClick},
    };
    for (const auto& [action, handler] : actions) {
        action->disconnect(FHistory);
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { RunReportingFailures(handler); });
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        list.addAction(action);
    }
    actions[0].first->setObjectName(QStringLiteral("actUndo"));
    actions[0].first->setShortcut(QKeySequence::Undo);
    actions[1].first->setObjectName(QStringLiteral("actRedo"));
    actions[1].first->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

} // namespace quorva
