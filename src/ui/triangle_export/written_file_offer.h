#pragma once

#include <string>

#include "ui/dialogs/user_dialogs.h"

namespace quorva {

// After a spreadsheet is written: asks whether to open it with the desktop's
// own application for such files, and opens it on yes. A no is kept in the
// settings, and the question is not asked again.
void OfferToOpenWrittenFile(const std::string& fileName, TUserDialogs& dialogs);

} // namespace quorva
