#include "ui/command_line/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <exception>
#include <optional>

#include "model/base/error.h"
#include "model/base/progress.h"
#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/rows/row_list_file.h"
#include "model/rows/row_table.h"
#include "triangle/export_plan.h"
#include "triangle/triangle_csv.h"
#include "triangle/triangle_xlsx.h"
#include "ui/base/native_file_name.h"
#include "ui/command_line/terminal_progress.h"
#include "ui/dialogs/failure_report.h"

namespace quorva {

namespace {

const QCommandLineOption& ExportOption()
{
    static const QCommandLineOption option(
        QStringLiteral("export-triangle"),
        QStringLiteral("Write the difference triangle of column COLUMN (1 to 7) of the rows in "
                       "ROWS.tir to OUT.csv, as Start does, and open no window. Takes the "
                       "arguments ROWS.tir OUT.csv."),
        QStringLiteral("COLUMN"));
    return option;
}

const QCommandLineOption& FormatOption()
{
    static const QCommandLineOption option(
        QStringLiteral("format"),
        QStringLiteral("What --export-triangle writes: csv, or xlsx for a spreadsheet workbook. "
                       "Without it, OUT ending in .xlsx gives xlsx, any other name csv."),
        QStringLiteral("FORMAT"));
    return option;
}

// The parser knows the options and arguments; its texts come from here too,
// so that --help always tells what the parser accepts.
struct TParser {
    QCommandLineParser parser;
    // Not Qt's own help option, which adds --help-all for options of Qt's
    // that this command line does not take.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};

    TParser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Keeps an ordered list of rows of seven numbers from 0 to 99 and exports the\n"
            "difference triangle of one column as a semicolon-separated CSV file.\n"
            "\n"
            "  quorva [FILE.tir]\n"
            "      opens the window, with FILE.tir opened as Open would open it.\n"
            "  quorva --export-triangle COLUMN ROWS.tir OUT.csv\n"
            "      writes the triangle of one column without a window or a display.\n"
            "\n"
            "The export writes the same bytes as Start in the window and replaces OUT.csv\n"
            "only once it is complete. It refuses before writing anything when the\n"
            "triangle would not fit in memory or on the disk. On a terminal it shows its\n"
            "progress; Ctrl+C stops it and leaves no file. With OUT.csv \"-\" it writes\n"
            "the same bytes to standard output; when their reader leaves (as head does),\n"
            "it ends quietly, as SIGPIPE ends other tools.\n"
            "\n"
            "With OUT.xlsx (or --format xlsx) it writes a spreadsheet workbook instead:\n"
            "the same cells as numbers, columns past 16,384 on further sheets, with the\n"
            "same checks; standard output takes the CSV only. A CSV of more than 16,384\n"
            "values has more columns than spreadsheets keep: the export says so on\n"
            "standard error and goes on.\n"
            "\n"
            "Exit status: 0 when done, 1 when the export failed (the reason goes to\n"
            "standard error), 2 for wrong arguments.\n"
            "\n"
            "The window also takes Qt's own options, such as -style Fusion, -reverse,\n"
            "-platform offscreen or -display :1."));
        // "-style" reads as one option, as Qt's own options are written,
        // not as the letters s, t, y, l and e.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(ExportOption());
        parser.addOption(FormatOption());
        parser.addPositionalArgument(QStringLiteral("FILE.tir"),
                                     QStringLiteral("A row list to open in the window."),
                                     QStringLiteral("[FILE.tir]"));
    }
};

TCommandLine UsageError(const QString& problem)
{
    TCommandLine command;
    command.action = TCommandLine::TAction::UsageError;
    command.problem = problem;
    return command;
}

// Names the arguments past the `taken` first, which nothing takes.
QString ArgumentsTooMany(const QStringList& arguments, qsizetype taken)
{
    const qsizetype extra = arguments.size() - taken;
    const QString first = QString::fromStdString(QuotedName(arguments.at(taken).toStdString()));
    return extra == 1 ? QStringLiteral("one argument too many: %1").arg(first)
                      : QStringLiteral("%1 arguments too many, from %2").arg(extra).arg(first);
}

// The format --format names, or else the one the output's name implies.
std::optional<TCommandLine::TFormat> OutputFormat(const QCommandLineParser& parser,
                                                  const QString& output)
{
    if (!parser.isSet(FormatOption()))
        return output.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)
                   ? TCommandLine::TFormat::Xlsx
                   : TCommandLine::TFormat::Csv;
    const QString format = parser.value(FormatOption());
    if (format == QStringLiteral("csv"))
        return TCommandLine::TFormat::Csv;
    if (format == QStringLiteral("xlsx"))
        return TCommandLine::TFormat::Xlsx;
    return std::nullopt;
}

TCommandLine ExportCommand(const QCommandLineParser& parser, const QString& column,
                           const QStringList& files, const std::vector<std::string>& arguments)
{
    bool isNumber = false;
    const int number = column.toInt(&isNumber);
    if (!isNumber || number < 1 || number > RowWidth)
        return UsageError(
            QStringLiteral("the column must be a number from 1 to 7, not \"%1\"").arg(column));
    if (files.size() > 2)
        return UsageError(QStringLiteral("--export-triangle takes ROWS.tir and OUT.csv only; ") +
                          ArgumentsTooMany(files, 2));
    if (files.size() < 2)
        return UsageError(
            QStringLiteral("--export-triangle needs a row list ROWS.tir and a file OUT.csv"));
    TCommandLine command;
    command.action = TCommandLine::TAction::ExportTriangle;
    command.column = number - 1;
    std::size_t from = 1;
    command.fileName = ArgumentBytes(files.at(0), arguments, from);
    command.csvFileName = ArgumentBytes(files.at(1), arguments, from);
    const std::optional<TCommandLine::TFormat> format = OutputFormat(parser, files.at(1));
    if (!format)
        return UsageError(QStringLiteral("the format must be csv or xlsx, not \"%1\"")
                              .arg(parser.value(FormatOption())));
    command.format = *format;
    if (command.format == TCommandLine::TFormat::Xlsx && command.csvFileName == StandardOutputName)
        return UsageError(QStringLiteral("standard output takes the CSV only"));
    return command;
}

// Whether the export failed because the reader of standard output went
// away, as `| head` does once it has read enough: Unix tools then end as
// SIGPIPE ends them, quietly. A named file or FIFO is a target the user
// chose, and its reader's leaving is reported.
bool StandardOutputReaderLeft(const TCommandLine& command, const std::exception& failure)
{
    const auto* written = dynamic_cast<const WriteFailed*>(&failure);
    return command.csvFileName == StandardOutputName && written && written->Code() == EPIPE;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    TParser parser;
    QStringList texts;
    for (const std::string& argument : arguments)
        texts << ArgumentText(argument);
    if (!parser.parser.parse(texts)) {
        TCommandLine refused = UsageError(parser.parser.errorText());
        refused.unknownOption = true;
        return refused;
    }
    TCommandLine command;
    if (parser.parser.isSet(parser.help))
        command.action = TCommandLine::TAction::Help;
    else if (parser.parser.isSet(parser.version))
        command.action = TCommandLine::TAction::Version;
    else if (parser.parser.isSet(ExportOption()))
        return ExportCommand(parser.parser, parser.parser.value(ExportOption()),
                             parser.parser.positionalArguments(), arguments);
    else if (parser.parser.isSet(FormatOption()))
        return UsageError(QStringLiteral("--format goes with --export-triangle"));
    else if (const QStringList files = parser.parser.positionalArguments(); files.size() > 1)
        return UsageError(QStringLiteral("the window opens one file at most; ") +
                          ArgumentsTooMany(files, 1));
    else if (std::size_t from = 1; !files.isEmpty())
        command.fileName = ArgumentBytes(files.front(), arguments, from);
    return command;
}

QString CommandLineHelp()
{
    QString text = TParser().parser.helpText();
    // Named as the user calls it, wherever it was started from.
    const QString started = QCoreApplication::arguments().value(0);
    if (!started.isEmpty())
        text.replace(QStringLiteral("Usage: ") + started, QStringLiteral("Usage: quorva"));
    return text;
}

QString CommandLineVersion()
{
    return QStringLiteral("quorva " QUORVA_VERSION "\n");
}

int RunTriangleExport(const TCommandLine& command, std::FILE* messages)
{
    std::optional<std::string> failure;
    int status = ExitSuccess;
    {
        // Progress drawn on the terminal that shows the CSV would garble it.
        const bool csvOnTerminal =
            command.csvFileName == StandardOutputName && isatty(STDOUT_FILENO);
        TTerminalProgress progress(csvOnTerminal ? nullptr : messages);
        // What goes wrong with the row list names the file, as Unix tools
        // say it, and stands as it is.
        bool reading = true;
        try {
            if (command.csvFileName == StandardOutputName)
                CheckStandardOutputTarget(command.fileName, command.csvFileName);
            else
                CheckExportTarget(command.fileName, command.csvFileName);
            progress.SetCaption("Reading " + EscapedName(command.fileName));
            const TRowTable rows = ReadRowListFile(command.fileName, progress);
            if (rows.empty())
                throw Error(QuotedName(command.fileName) +
                            ": the file holds no rows, so there is no triangle");
            reading = false;
            progress.SetCaption("Exporting column " + std::to_string(command.column + 1) + " to " +
                                EscapedName(command.csvFileName));
            const bool xlsx = command.format == TCommandLine::TFormat::Xlsx;
            TExportPlan plan(rows, command.column, xlsx ? TExportFormat::Xlsx : TExportFormat::Csv);
            // Said before the wait, and no failure: the CSV is still right.
            if (!xlsx && PassesSpreadsheetColumns(rows.size()))
                progress.SayAbove(messages,
                                  "quorva: warning: " + SpreadsheetColumnsNotice(rows.size()));
            if (command.csvFileName == StandardOutputName && !xlsx)
                plan.SetStandardOutput();
            else
                plan.SetTarget(command.csvFileName);
            if (xlsx)
                ExportPlannedXlsx(plan, progress);
            else
                ExportPlannedCsv(plan, progress);
        } catch (const Cancelled&) {
            status = 128 + progress.StopSignal();
        } catch (const std::exception& error) {
            if (StandardOutputReaderLeft(command, error)) {
                status = 128 + SIGPIPE;
            } else {
                failure = reading ? FailureMessage(error) : FailureText(FailureMessage(error));
                status = ExitFailure;
            }
        }
    }
    // Once the progress line is gone, so that the message stands alone.
    if (failure)
        std::fprintf(messages, "quorva: %s\n", failure->c_str());
    return status;
}

} // namespace quorva
