#include "model/rows/row_list_file.h"

#include <cerrno>
#include <new>
#include <utility>

#include "model/base/error.h"
#include "model/base/progress_steps.h"
#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/files/regular_file.h"
#include "model/files/text_file.h"
#include "model/rows/line_list_text.h"

namespace quorva {

void SaveRowListFile(const TLineList& lines, const std::string& fileName, TProgress& progress)
{
    TLineListText text(lines);
    SaveTextToFile(
        text.Bytes(), [&text](std::string& out) { return text.Fill(out, WriteChunkSize); },
        fileName, progress);
}

std::uint64_t OpenPeakBytes(std::uint64_t fileBytes)
{
    return ParsePeakBytes(fileBytes);
}

namespace {

// Reads and parses the whole file. A failure of the system raises Error with
// `failureText` of the name and the reason (NotEnoughMemory when the rows
// would not fit); a text that is no row list raises BadFormat("<name>: "
// SBadFileFormat).
TParsedRows ReadRowList(const std::string& fileName, TProgress& progress,
                        const TSystemResources& resources, TRegularFile::TFailureText failureText)
{
    TRegularFile file(fileName, progress, failureText);
    // A file of usual lines takes its rows; lines kept as they are take what
    // is left, and no more.
    const std::uint64_t available = resources.AvailableMemory();
    const std::uint64_t rowsBytes = ParseRowsBytes(file.Size());
    if (rowsBytes > available)
        throw NotEnoughMemory(failureText(fileName, ENOMEM));
    TParsePlan plan;
    plan.storedBudget = available - rowsBytes;
    // Reading and parsing go together: one step, in bytes of the file.
    TProgressSteps steps(progress, file.Size());
    TParsedRows parsed;
    try {
        parsed = ParseRowListFile(
            file, [&](std::uint64_t bytes) { steps.Reach(bytes); }, plan);
    } catch (const BadFormat&) {
        throw BadFormat(QuotedName(fileName) + ": " + SBadFileFormat);
    } catch (const NotEnoughMemory&) {
        throw NotEnoughMemory(failureText(fileName, ENOMEM));
    } catch (const std::bad_alloc&) {
        throw NotEnoughMemory(failureText(fileName, ENOMEM));
    }
    steps.Finish();
    return parsed;
}

// Hands the parsed rows to the table, and the list, which renders its lines
// from that table, the lines that differ from them. Neither step can fail.
void Assign(TParsedRows parsed, TLineList& lines, TRowTable& rows)
{
    rows = std::move(parsed.rows);
    lines.AssignRows(rows, std::move(parsed.stored));
}

} // namespace

void LoadRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress, const TSystemResources& resources)
{
    // Running out of memory is no failure of the file, wherever the system
    // says so: it travels as NotEnoughMemory.
    Assign(ReadRowList(fileName, progress, resources,
                       [](const std::string& name, int error) -> std::string {
                           if (error == ENOMEM)
                               throw NotEnoughMemory(CannotOpenFileMessage(name, error));
                           return CannotOpenFileMessage(name, error);
                       }),
           lines, rows);
}

void OpenRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress, const TSystemResources& resources)
{
    try {
        Assign(ReadRowList(fileName, progress, resources, CannotOpenFileMessage), lines, rows);
    } catch (const Cancelled&) {
        throw;
    } catch (...) {
        // Whatever went wrong, the user learns only that the file was not
        // understood; the rows they had stay.
        throw BadFormat(SBadFileFormat);
    }
}

TRowTable ReadRowListFile(const std::string& fileName, TProgress& progress,
                          const TSystemResources& resources)
{
    return ReadRowList(fileName, progress, resources, NamedFileMessage).rows;
}

} // namespace quorva
