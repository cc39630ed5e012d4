#pragma once

#include <vector>

#include "model/files/in_place_backup.h"
#include "ui/dialogs/user_dialogs.h"

namespace quorva {

// Tells the user of each backup a save left behind (see TInPlaceBackup) and
// puts back those they ask for, yes being the default. A backup the user
// keeps is left alone; one that cannot be put back stays too, and the
// failure is shown. A backup that is not to be offered is told of once.
void OfferBackups(const std::vector<TFoundBackup>& found, TUserDialogs& dialogs);

} // namespace quorva
