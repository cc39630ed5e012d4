#pragma once

#include <functional>

#include "ui/dialogs/user_dialogs.h"

namespace quorva {

// Runs one operation the user started. Its failure is reported here, before
// it could unwind through Qt's event dispatch, whose frames are built without
// exception support and would skip their clean-up; anything else that
// escapes still reaches the application's report in notify(). An operation
// the user cancelled has changed nothing, and nothing is said.
void RunReportingFailures(TUserDialogs& dialogs, const std::function<void()>& operation);

} // namespace quorva
