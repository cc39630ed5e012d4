#pragma once

#include <memory>
#include <vector>

#include "model/document/row_document.h"
#include "model/journal/journal_folder.h"
#include "ui/base/window_clock.h"
#include "ui/dialogs/user_dialogs.h"

class QWidget;

namespace quorva {

// The journals windows that ended have left, each held, once the user has
// been told of anything in their folder that is not to be trusted.
std::vector<TLeftJournal> JournalsLeftBehind(TUserDialogs& dialogs);

// Reads the rows of `journal` under a progress dialog over `window` and asks
// the user what becomes of them. Returns them when they are to be restored;
// otherwise nothing, with the journal let go of as it is (Later, Cancel
// while reading, a failure shown) or deleted (Discard, once confirmed).
std::unique_ptr<TLeftRows> OfferLeftRows(TLeftJournal& journal, TUserDialogs& dialogs,
                                         QWidget* window, const TWindowClock& clock);

} // namespace quorva
