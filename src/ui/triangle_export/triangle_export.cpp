#include "ui/triangle_export/triangle_export.h"

#include <optional>
#include <string>

#include "model/base/error.h"
#include "triangle/export_plan.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_xlsx.h"
#include "ui/base/busy_cursor.h"
#include "ui/dialogs/file_proposals.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/recovery/backup_offer.h"
#include "ui/triangle_export/written_file_offer.h"

namespace quorva {
namespace {

// One for the program: the main window's Start and every view's exports
// propose the same folder.
std::string& LastExported()
{
    static std::string fileName;
    return fileName;
}

// The file the user picks for an export, once it is known not to be the row
// list itself and any backup a killed save left of it has been offered back.
std::optional<std::string> ChooseExportTarget(TUserDialogs::TSaveFile kind,
                                              const TFileProposal& proposal,
                                              const TKnownFile* rowsFile, TUserDialogs& dialogs)
{
    const auto fileName = dialogs.ChooseSaveFile(kind, proposal);
    if (!fileName)
        return std::nullopt;
    if (rowsFile && rowsFile->Names(*fileName))
        throw Error(ExportOverRowsMessage(rowsFile->Name(), *fileName));
    OfferBackups(FindBackups(*fileName), dialogs);
    return fileName;
}

} // namespace

void ExportTriangleToChosenFile(const TRowTable& rows, int column, const TKnownFile* rowsFile,
                                TUserDialogs& dialogs, QWidget* owner, const TWindowClock& clock)
{
    // Memory does not depend on the file chosen: refused before the user
    // picks one; the disk's space once the file is known.
    TExportPlan plan(rows, column, TExportFormat::Csv);
    plan.CheckMemory();
    if (PassesSpreadsheetColumns(rows.size()) &&
        !dialogs.AskYesByDefault(SpreadsheetColumnsNotice(rows.size()) +
                                 "\n\nExport the CSV all the same?"))
        return;
    const std::string rowsName = rowsFile ? rowsFile->Name() : std::string();
    const auto fileName = ChooseExportTarget(TUserDialogs::TSaveFile::TriangleCsv,
                                             TriangleCsvProposal(rowsName, column, LastExported()),
                                             rowsFile, dialogs);
    if (!fileName)
        return;
    TBusyCursor busy;
    TProgressDialog progress(owner, ExportingCaption(column, *fileName), clock);
    plan.SetTarget(*fileName);
    ExportPlannedCsv(plan, progress);
    RememberExportedFile(*fileName);
}

void ExportTriangleToChosenSpreadsheet(const TRowTable& rows, int column,
                                       const TKnownFile* rowsFile, TUserDialogs& dialogs,
                                       QWidget* owner, const TWindowClock& clock)
{
    TExportPlan plan(rows, column, TExportFormat::Xlsx);
    plan.CheckMemory();
    const std::string rowsName = rowsFile ? rowsFile->Name() : std::string();
    const auto fileName = ChooseExportTarget(TUserDialogs::TSaveFile::Spreadsheet,
                                             SpreadsheetProposal(rowsName, column, LastExported()),
                                             rowsFile, dialogs);
    if (!fileName)
        return;
    {
        TBusyCursor busy;
        TProgressDialog progress(owner, ExportingCaption(column, *fileName), clock);
        plan.SetTarget(*fileName);
        ExportPlannedXlsx(plan, progress);
    }
    RememberExportedFile(*fileName);
    OfferToOpenWrittenFile(*fileName, dialogs);
}

const std::string& LastExportedFile()
{
    return LastExported();
}

void RememberExportedFile(const std::string& fileName)
{
    LastExported() = fileName;
}

} // namespace quorva
