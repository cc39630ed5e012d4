#include "ui/reported_operation.h"

#include <exception>

#include "model/progress.h"

namespace quorva {

void RunReportingFailures(TUserDialogs& dialogs, const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Cancelled&) {
    } catch (const std::exception& failure) {
        dialogs.ReportFailure(failure.what());
    }
}

} // namespace quorva
