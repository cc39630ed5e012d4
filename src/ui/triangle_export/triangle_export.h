#pragma once

#include <string>

#include "model/files/file_identity.h"
#include "model/rows/row_table.h"
#include "ui/base/window_clock.h"
#include "ui/dialogs/user_dialogs.h"

class QWidget;

namespace quorva {

// The one way the window writes a triangle's CSV, from Start and from the
// triangle view alike: refused with the figures before a name is asked when
// the triangle would not fit in memory; the name proposed beside the rows'
// file; refused when it is that file itself (`rowsFile`, when the rows have
// one), however named; a backup left at that name offered; then written
// behind a progress dialog over `owner`. Raises Error, or Cancelled.
//
// A triangle wider than a spreadsheet's columns is first said so, as a
// question whose default goes on.
void ExportTriangleToChosenFile(const TRowTable& rows, int column, const TKnownFile* rowsFile,
                                TUserDialogs& dialogs, QWidget* owner, const TWindowClock& clock);

// The same for the spreadsheet workbook (.xlsx), which holds every column;
// once written, the user is offered to open it.
void ExportTriangleToChosenSpreadsheet(const TRowTable& rows, int column,
                                       const TKnownFile* rowsFile, TUserDialogs& dialogs,
                                       QWidget* owner, const TWindowClock& clock);

// The file the program last exported a triangle or its picture to, for the
// next export's proposal; empty before the first. Only written files count:
// a name whose export failed is not proposed again.
const std::string& LastExportedFile();
void RememberExportedFile(const std::string& fileName);

} // namespace quorva
