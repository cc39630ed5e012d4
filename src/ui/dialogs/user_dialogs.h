#pragma once

#include <optional>
#include <string>

namespace quorva {

// Where a file dialog starts: a folder, and a name for its name box. Either
// may be empty; with neither, the dialog offers what was chosen in it last.
struct TFileProposal {
    std::string folder;
    std::string name;

    bool operator==(const TFileProposal&) const = default;
};

// Everything the window asks of the user or tells the user in a modal window.
// The program uses real dialogs; tests answer in advance instead.
class TUserDialogs {
public:
    enum class TSaveFile {
        TriangleCsv, // SaveDialog1, for Start
        RowList,     // SaveDialog2, for Save
        ViewImage,   // the triangle view's "Save image..."
        Spreadsheet, // "Export to spreadsheet...", an .xlsx workbook
    };

    virtual ~TUserDialogs() = default;

    // The chosen file name in the file system's encoding; nothing when the
    // user cancelled. The dialog starts where `proposal` says.
    virtual std::optional<std::string> ChooseSaveFile(TSaveFile kind,
                                                      const TFileProposal& proposal = {}) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const TFileProposal& proposal = {}) = 0;

    // The tool's own error dialog; returns when the user has closed it.
    virtual void ShowError(const std::string& message) = 0;

    // The top-level report of a failure that escaped an operation.
    virtual void ReportFailure(const std::string& message) = 0;

    // A question the user answers yes (true) or no; no is the default.
    virtual bool Ask(const std::string& question) = 0;
    // The same where yes is the safe answer, and so the default.
    virtual bool AskYesByDefault(const std::string& question) = 0;

    // Before unsaved rows would be dropped: whether to save them first. The
    // question says what would drop them.
    enum class TUnsavedAnswer { Save, Discard, Cancel };
    enum class TDropping { Closing, OpeningAnother, StartingNew };
    virtual TUnsavedAnswer AskSaveUnsavedRows(TDropping dropping) = 0;
    // Before Save writes over `fileName`, which another has changed since
    // this window read or wrote it: whether to write over it all the same.
    virtual bool AskReplaceChangedFile(const std::string& fileName) = 0;
    // At start, about rows left unsaved by a window that ended: restore
    // them, ask again at the next start, or give them up. `message` says
    // what was found.
    enum class TRestoreAnswer { Restore, Later, Discard };
    virtual TRestoreAnswer AskRestoreRows(const std::string& message) = 0;
};

} // namespace quorva
