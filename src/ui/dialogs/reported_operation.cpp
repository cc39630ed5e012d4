#include "ui/dialogs/reported_operation.h"

#include <exception>

#include "model/base/progress.h"
#include "ui/dialogs/failure_report.h"

namespace quorva {

void RunReportingFailures(TUserDialogs& dialogs, const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Cancelled&) {
    } catch (const std::exception& failure) {
        dialogs.ReportFailure(FailureMessage(failure));
    }
}

} // namespace quorva
