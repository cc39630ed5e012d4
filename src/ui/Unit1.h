#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "model/document/row_document.h"
#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"
#include "ui/dialogs/user_dialogs.h"
#include "ui/main_window/line_list_model.h"
#include "ui/main_window/prefix_search.h"

class QAction;
class QCloseEvent;
class QMenu;
class QDragEnterEvent;
class QSessionManager;
class QUndoStack;
class QDropEvent;
class QShowEvent;
class QPushButton;
class QSpinBox;

namespace quorva {

class TColumnChoice;
class TLayoutScale;
struct TControlDesign;

// The tool's one window. It owns the document, and with it the row table and
// the line list, for the program's whole life; each button runs one
// operation of the core on them, and the list on screen follows the line
// list by itself. The history of steps is the window's; whether the rows
// are saved is the document's.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(TUserDialogs& dialogs, TWindowClock clock = SteadyMilliseconds,
                    QWidget* parent = nullptr);
    // Leaves the journal of unsaved rows on disk: only closing the window
    // gives them up.
    ~TForm1() override;

    const TRowTable& Rows() const { return FRows; }
    const TLineList& Lines() const { return FLines; }

    void Button2Click(); // Add
    void Button3Click(); // Delete
    void btnUpClick();   // Moove Up
    void btnDownClick(); // Moove Down
    void btnOpenClick();
    void btnSaveClick();
    void Button1Click(); // Start
    void ExportSpreadsheetClick();
    // Ctrl+V: appends the rows the clipboard holds.
    void PasteClick();
    void ShowTriangleClick();
    // Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y.
    void UndoClick();
    void RedoClick();
    // Ctrl+N: a new, empty list, with no file of its own.
    void NewClick();

    // Whether the rows differ from what was last opened or saved, or from
    // the empty list at start.
    bool HasUnsavedRows() const;

    // Opens a row-list file as Open does, showing Open's error on failure:
    // for Open Recent, a file named on the command line and a dropped file.
    // A file that is not there is said to be gone, with its name and the
    // system's reason, and leaves the recent files; otherwise it asks first
    // when there are unsaved rows.
    void OpenRowList(const std::string& fileName);

    // At start: offers the rows of a window that ended without saving them.
    void RestoreLeftRows();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetUpWindow();
    void CreateControls(const TLayoutScale& scale, TWindowClock clock);
    QWidget* CreateControl(const TControlDesign& design, TWindowClock& clock);
    QSpinBox* CreateSpinField();
    QPushButton* CreateButton(const TControlDesign& design);
    void RunReportingFailures(void (TForm1::*handler)());
    QList<QAction*> CreateKeyboardCommands();
    QAction* CreateAddCommand();
    QAction* CreateRecentFilesCommand();
    void UpdateRecentFiles();
    void RowListUsed(const std::string& fileName);
    void CreateTriangleCommand(const QList<QAction*>& listCommands);
    TNumberRow SpinValues() const;
    void CreateHistoryActions(QWidget& list);
    void Remember(const QString& name, std::optional<TRowChange> change);
    bool MayDropUnsavedRows(TUserDialogs::TDropping dropping);
    void LoadRowList(const std::string& fileName);
    bool RestoreJournal(TLeftJournal& journal);
    void CommitData(QSessionManager& manager);

    TUserDialogs& FDialogs;
    // Times the progress of long operations, as it times typing in the list.
    TWindowClock FClock;
    // The rows, their file, whether they are saved and their journal.
    TRowDocument FDocument;
    TRowTable& FRows = FDocument.Rows();
    TLineList& FLines = FDocument.Lines();
    TLineListModel FLinesModel{FLines};
    QUndoStack* FHistory = nullptr;
    // "Open Recent": the row lists last opened or saved.
    QMenu* FRecentMenu = nullptr;
    // Set when the user let the unsaved rows go as the session ended, so
    // that closing then does not ask again.
    bool FDropAgreed = false;

    std::vector<QSpinBox*> FSpinFields;
    TColumnChoice* FColumnChoice = nullptr;
    bool FPlaced = false;
};

} // namespace quorva
