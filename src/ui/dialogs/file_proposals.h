#pragma once

#include <string>

#include "ui/dialogs/user_dialogs.h"

namespace quorva {

// Where the window's file dialogs start, worked out from the files the rows
// came from and went to. Names are in the file system's encoding; an empty
// name means none is known.

// Save's: the rows' own file, the one they were opened from or last saved
// to; for rows that have none, the folder last used, with no name.
TFileProposal RowListProposal(const std::string& rowsFile, const std::string& lastUsedFile);

// Start's: "<rows' name>-column<N>.csv" in the rows' folder; for rows that
// have no file, "column<N>.csv" in the folder of `lastExported`, the file
// last written by an export (none where unknown or gone). `column` is 0 to 6.
TFileProposal TriangleCsvProposal(const std::string& rowsFile, int column,
                                  const std::string& lastExported = {});
// The same name with ".xlsx", for "Export to spreadsheet...".
TFileProposal SpreadsheetProposal(const std::string& rowsFile, int column,
                                  const std::string& lastExported = {});
// The same name with ".png", for the triangle view's "Save image...".
TFileProposal ViewImageProposal(const std::string& rowsFile, int column,
                                const std::string& lastExported = {});

// The absolute name of the folder that holds `fileName`; empty for no name
// or a folder that is not there.
std::string FolderOfFile(const std::string& fileName);

// Open's: the folder last used, with no name.
TFileProposal OpenProposal(const std::string& lastUsedFile);

} // namespace quorva
