#include "ui/dialogs/reporting_application.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "model/files/atomic_file_writer.h"
#include "ui/dialogs/failure_report.h"

namespace quorva {

TReportingApplication::TReportingApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // A Save or Start onto a pipe whose reader has gone is then reported
    // like any failed write, instead of ending the program.
    IgnoreBrokenPipes();
}

void TReportingApplication::SetFailureReport(TFailureReport report)
{
    report_ = std::move(report);
}

bool TReportingApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        Report(FailureMessage(failure));
    } catch (...) {
        Report("Unknown failure");
    }
    // The report has dealt with the event; no one else should see it.
    event->accept();
    return true;
}

void TReportingApplication::Report(const std::string& message)
{
    if (report_)
        report_(message);
    else
        std::fprintf(stderr, "%s\n", message.c_str());
}

} // namespace quorva
