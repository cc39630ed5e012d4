#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "ui/Unit1.h"
#include "ui/base/application_identity.h"
#include "ui/base/application_title.h"
#include "ui/base/figure_locale.h"
#include "ui/command_line/command_line.h"
#include "ui/dialogs/qt_user_dialogs.h"
#include "ui/dialogs/reporting_application.h"

namespace {

bool IsSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

// Without any display Qt would abort with a plugin message that does not say
// what to do; say it plainly instead. Qt's own -platform names one.
bool HasDisplay(int argc, char* argv[])
{
    const auto platform = [](std::string_view argument) {
        return argument == "-platform" || argument == "--platform";
    };
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM") ||
           std::any_of(argv + 1, argv + argc, platform);
}

std::vector<std::string> Arguments(int argc, char* argv[])
{
    return {argv, argv + argc};
}

int RunCommand(const quorva::TCommandLine& command, int& argc, char* argv[]);

// The window, or what the arguments ask for once Qt has taken its own
// options out of them (-style, -platform, -reverse, -display...), as every
// Qt program takes them.
int RunWindow(int& argc, char* argv[])
{
    if (!HasDisplay(argc, argv)) {
        std::fputs("quorva: no display found (DISPLAY is not set).\n"
                   "quorva is a desktop program; on a machine without a screen run it as: "
                   "xvfb-run quorva\n"
                   "To export a triangle without a window: quorva --export-triangle "
                   "COLUMN ROWS.tir OUT.csv\n",
                   stderr);
        return EXIT_FAILURE;
    }

    quorva::TReportingApplication application(argc, argv);
    const quorva::TCommandLine command = quorva::ParseCommandLine(Arguments(argc, argv));
    if (command.action != quorva::TCommandLine::TAction::Window)
        return RunCommand(command, argc, argv);
    const std::string fileName = command.fileName;
    quorva::SetUpApplicationIdentity();
    quorva::TQtUserDialogs dialogs(
        quorva::ApplicationTitle(QCoreApplication::applicationFilePath()));
    application.SetFailureReport(
        [&dialogs](const std::string& message) { dialogs.ReportFailure(message); });

    quorva::TForm1 Form1(dialogs);
    dialogs.SetOwner(&Form1);
    Form1.show();
    // What a window that stopped left behind is offered once this one is up:
    // backups a save left, then unsaved rows.
    QMetaObject::invokeMethod(&Form1, &quorva::TForm1::RestoreLeftRows, Qt::QueuedConnection);
    // A file named on the command line (as a file manager passes it) is
    // opened as Open would, once the window is up to own the error dialog.
    if (!fileName.empty())
        QMetaObject::invokeMethod(
            &Form1, [&Form1, fileName] { Form1.OpenRowList(fileName); }, Qt::QueuedConnection);
    return application.exec();
}

int RunExport(const quorva::TCommandLine& command)
{
    // A reader that leaves is a write error to handle, not a death in the
    // middle of a progress line: the export decides what it means.
    std::signal(SIGPIPE, SIG_IGN);
    const int status = quorva::RunTriangleExport(command, stderr);
    if (status > 128) {
        // Stopped by a signal: end as that signal would have ended it, so
        // that a shell loop around the export stops too.
        std::signal(status - 128, SIG_DFL);
        std::raise(status - 128);
    }
    return status;
}

int RunCommand(const quorva::TCommandLine& command, int& argc, char* argv[])
{
    using quorva::TCommandLine;
    switch (command.action) {
    case TCommandLine::TAction::Window:
        return RunWindow(argc, argv);
    case TCommandLine::TAction::ExportTriangle:
        return RunExport(command);
    case TCommandLine::TAction::Help: {
        // The help names the program as the application object knows it.
        std::optional<QCoreApplication> application;
        if (!QCoreApplication::instance())
            application.emplace(argc, argv);
        std::fputs(quorva::CommandLineHelp().toLocal8Bit().constData(), stdout);
        return quorva::ExitSuccess;
    }
    case TCommandLine::TAction::Version:
        std::fputs(quorva::CommandLineVersion().toLocal8Bit().constData(), stdout);
        return quorva::ExitSuccess;
    case TCommandLine::TAction::UsageError:
        std::fprintf(stderr, "quorva: %s\nTry 'quorva --help' for more information.\n",
                     command.problem.toLocal8Bit().constData());
        return quorva::ExitUsage;
    }
    return quorva::ExitUsage;
}

} // namespace

int main(int argc, char* argv[])
{
    using quorva::TCommandLine;
    quorva::FollowLocaleInFigures();
    const TCommandLine command = quorva::ParseCommandLine(Arguments(argc, argv));
    // Options the tool does not know may be Qt's, which the window takes.
    if (command.unknownOption && HasDisplay(argc, argv))
        return RunWindow(argc, argv);
    return RunCommand(command, argc, argv);
}
