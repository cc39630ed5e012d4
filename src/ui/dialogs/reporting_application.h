#pragma once

#include <QApplication>

#include <functional>
#include <string>

namespace quorva {

// The application object. Every event goes through notify(), so a failure
// that escapes a button's handler ends there: it is handed to the failure
// report and the event loop carries on, leaving the window usable. It also
// ignores SIGPIPE, so that a pipe whose reader has gone is such a failure.
class TReportingApplication : public QApplication {
    Q_OBJECT

public:
    using TFailureReport = std::function<void(const std::string& message)>;

    TReportingApplication(int& argc, char** argv);

    void SetFailureReport(TFailureReport report);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(const std::string& message);

    TFailureReport report_;
};

} // namespace quorva
