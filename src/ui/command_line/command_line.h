#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

namespace quorva {

// What the program was asked to do by its arguments.
struct TCommandLine {
    enum class TAction {
        Window,         // the window, opening `fileName` when it is not empty
        ExportTriangle, // `column`'s triangle of `fileName`'s rows to `csvFileName`
        Help,
        Version,
        UsageError, // `problem` says what is wrong
    };

    TAction action = TAction::Window;
    std::string fileName;
    int column = 0; // 0 to 6, for the columns the user calls 1 to 7
    std::string csvFileName;
    // What is written there: the CSV, or, when the name ends in .xlsx or
    // --format says so, the spreadsheet workbook.
    enum class TFormat { Csv, Xlsx };
    TFormat format = TFormat::Csv;
    QString problem;
    // The problem is an option the tool does not take, which may be one of
    // Qt's own that the window takes.
    bool unknownOption = false;
};

// The output name that stands for standard output, as Unix tools take it.
inline constexpr const char* StandardOutputName = "-";

// Exit statuses of the command line, as shells expect them.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// Reads the arguments (the program's name first, each as the system's
// bytes) without touching any display, so that the export runs where there
// is none. File names keep their bytes.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help; it needs the application object for the program's name.
QString CommandLineHelp();
// The text of --version.
QString CommandLineVersion();

// Exports the triangle the command line asks for, as Open followed by Start
// would, with the progress on `messages` when it is a terminal. A failure's
// message goes to `messages` as the window would report it. Returns the exit
// status; Ctrl+C or SIGTERM stop the export without leaving a file and
// return 128 plus the signal's number, and so does a reader of standard
// output ("-") that goes away, with SIGPIPE's number and no message.
int RunTriangleExport(const TCommandLine& command, std::FILE* messages);

} // namespace quorva
