#include "ui/main_window/triangle_export.h"

#include "model/base/error.h"
#include "triangle/triangle_budget.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_xlsx.h"
#include "ui/base/busy_cursor.h"
#include "ui/dialogs/file_proposals.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/main_window/written_file_offer.h"
#include "ui/recovery/backup_offer.h"

namespace quorva {

void ExportTriangleToChosenFile(const TRowTable& rows, int column, const TKnownFile* rowsFile,
                                TUserDialogs& dialogs, QWidget* owner, const TWindowClock& clock)
{
    // Memory does not depend on the file chosen: refused before the user
    // picks one. The export checks again, with the disk's space.
    CheckExportMemory(rows, column);
    if (PassesSpreadsheetColumns(rows.size()) &&
        !dialogs.AskYesByDefault(SpreadsheetColumnsNotice(rows.size()) +
                                 "\n\nExport the CSV all the same?"))
        return;
    const std::string rowsName = rowsFile ? rowsFile->Name() : std::string();
    const auto fileName = dialogs.ChooseSaveFile(TUserDialogs::TSaveFile::TriangleCsv,
                                                 TriangleCsvProposal(rowsName, column));
    if (!fileName)
        return;
    if (rowsFile && rowsFile->Names(*fileName))
        throw Error(ExportOverRowsMessage(rowsName, *fileName));
    OfferBackups(FindBackups(*fileName), dialogs);
    TBusyCursor busy;
    TProgressDialog progress(owner, ExportingCaption(column, *fileName), clock);
    ExportTriangleCsv(rows, column, *fileName, progress);
}

void ExportTriangleToChosenSpreadsheet(const TRowTable& rows, int column,
                                       const TKnownFile* rowsFile, TUserDialogs& dialogs,
                                       QWidget* owner, const TWindowClock& clock)
{
    CheckXlsxExportMemory(rows, column);
    const std::string rowsName = rowsFile ? rowsFile->Name() : std::string();
    const auto fileName = dialogs.ChooseSaveFile(TUserDialogs::TSaveFile::Spreadsheet,
                                                 SpreadsheetProposal(rowsName, column));
    if (!fileName)
        return;
    if (rowsFile && rowsFile->Names(*fileName))
        throw Error(ExportOverRowsMessage(rowsName, *fileName));
    OfferBackups(FindBackups(*fileName), dialogs);
    {
        TBusyCursor busy;
        TProgressDialog progress(owner, ExportingCaption(column, *fileName), clock);
        ExportTriangleXlsx(rows, column, *fileName, progress);
    }
    OfferToOpenWrittenFile(*fileName, dialogs);
}

} // namespace quorva
