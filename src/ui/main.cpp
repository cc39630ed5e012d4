#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include "ui/Unit1.h"
#include "ui/application_title.h"
#include "ui/qt_user_dialogs.h"
#include "ui/reporting_application.h"

namespace {

bool IsSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

// Without any display Qt would abort with a plugin message that does not say
// what to do; say it plainly instead.
bool HasDisplay()
{
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!HasDisplay()) {
        std::fputs("quorva: no display found (DISPLAY is not set).\n"
                   "quorva is a desktop program; on a machine without a screen run it as: "
                   "xvfb-run quorva\n",
                   stderr);
        return EXIT_FAILURE;
    }

    quorva::TReportingApplication application(argc, argv);
    // The window's WM_CLASS, which the desktop entry names as StartupWMClass.
    QCoreApplication::setApplicationName(QStringLiteral("quorva"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorva"));
    quorva::TQtUserDialogs dialogs(
        quorva::ApplicationTitle(QCoreApplication::applicationFilePath()));
    application.SetFailureReport(
        [&dialogs](const std::string& message) { dialogs.ReportFailure(message); });

    quorva::TForm1 Form1(dialogs);
    dialogs.SetOwner(&Form1);
    Form1.show();
    Form1.RestoreLeftRows();
    // A file named on the command line (as a file manager passes it) is
    // opened as Open would, once the window is up to own the error dialog.
    if (const QStringList arguments = QCoreApplication::arguments(); arguments.size() > 1) {
        const std::string fileName = QFile::encodeName(arguments.at(1)).toStdString();
        QMetaObject::invokeMethod(
            &Form1, [&Form1, fileName] { Form1.OpenRowList(fileName); }, Qt::QueuedConnection);
    }
    return application.exec();
}
