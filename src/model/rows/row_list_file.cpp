#include "model/rows/row_list_file.h"

#include <cerrno>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "model/base/error.h"
#include "model/base/huge_pages.h"
#include "model/base/progress_steps.h"
#include "model/files/file_error.h"
#include "model/files/regular_file.h"
#include "model/files/text_file.h"
#include "model/rows/line_list_text.h"
#include "model/rows/number_rules.h"
#include "model/rows/row_line.h"

namespace quorva {
namespace {

constexpr std::size_t FieldStride = 3;
constexpr std::size_t FieldLength = 2;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Characters up to the end of the seventh field.
constexpr std::size_t RowLineLength = FieldStride * (RowWidth - 1) + FieldLength;
// A row line as Add writes it, with its line end.
constexpr std::size_t UsualLineBytes = RowLineLength + 2;

// Reads the line when all seven fields are two digits, as in every line Add
// renders; returns false otherwise, leaving the general rule to decide.
bool ReadTwoDigitFields(std::string_view line, TNumberRow& row)
{
    if (line.size() < RowLineLength)
        return false;
    for (std::size_t j = 0; j < row.size(); ++j) {
        const char tens = line[j * FieldStride];
        const char ones = line[j * FieldStride + 1];
        if (!IsDigit(tens) || !IsDigit(ones))
            return false;
        row[j] = (tens - '0') * 10 + (ones - '0');
    }
    return true;
}

// A row line as Save writes the rows that Add renders: seven two-digit fields
// and CR LF. Reads it from the start of `text` when it is one; nearly every
// line of a row-list file is, and this is quicker than finding the line end
// and then parsing.

bool ReadRowLine(std::string_view text, TNumberRow& row)
{
    if (text.size() < RowLineLength + 2 || text[RowLineLength] != '\r' ||
        text[RowLineLength + 1] != '\n')
        return false;
    // With the fields all digits, only a separator could end the line early.
    for (std::size_t j = 0; j + 1 < row.size(); ++j) {
        const char separator = text[j * FieldStride + FieldLength];
        if (separator == '\r' || separator == '\n')
            return false;
    }
    return ReadTwoDigitFields(text, row);
}

// Reads the whole file while another thread has the system hand out memory
// for it and for its lines' positions and rows, as many as a file of usual
// row lines has: fresh pages are zeroed as they are first touched, which on
// some machines takes longer than reading and parsing together.
std::string ReadPreparingLines(TRegularFile& file, TLinePositions& lineSpans, TRowTable& rows,
                               const TRegularFile::OnReadFn& onRead)
{
    const std::size_t expectedLines = file.Size() / UsualLineBytes + 1;
    lineSpans.reserve(expectedLines);
    rows.reserve(expectedLines);
    std::string text;
    text.reserve(file.Size() + 1);
    // This thread zeroes the text from its start as it readies it for
    // reading; the other starts at its middle.
    const std::size_t half = text.capacity() / 2;
    const std::pair<const void*, std::size_t> buffers[] = {
        {text.data() + half, text.capacity() - half},
        {lineSpans.Data(), lineSpans.MemoryBytes()},
        {rows.Data(), rows.MemoryBytes()}};
    AdviseHugePages(text.data(), text.capacity());
    std::jthread preparing;
    try {
        preparing = std::jthread([&buffers] {
            for (const auto& [data, bytes] : buffers) {
                AdviseHugePages(data, bytes);
                PopulatePages(data, bytes);
            }
        });
    } catch (const std::system_error&) {
        // Without a second thread the pages come as they are first written.
    }
    file.ReadAll(text, onRead);
    return text;
}

// Room for every line of `rest` after those parsed: the room a caller made
// may do already, and then the lines are not counted at all.
void MakeRoomForLines(std::string_view rest, TLinePositions& lineSpans, TRowTable& rows)
{
    const std::size_t lineCount = rows.size() + CountLines(rest);
    lineSpans.reserve(lineCount);
    AdviseHugePages(lineSpans.Data(), lineSpans.MemoryBytes());
    rows.reserve(lineCount);
    AdviseHugePages(rows.Data(), rows.MemoryBytes());
}

} // namespace

TNumberRow LineToRow(std::string_view line)
{
    TNumberRow row{};
    if (ReadTwoDigitFields(line, row))
        return row;
    for (std::size_t j = 0; j < row.size(); ++j) {
        const std::size_t start = j * FieldStride;
        const std::string_view field =
            start < line.size() ? line.substr(start, FieldLength) : std::string_view();
        row[j] = StrToInt(field);
    }
    return row;
}

void SaveRowListFile(const TLineList& lines, const std::string& fileName, TProgress& progress)
{
    TLineListText text(lines);
    SaveTextToFile(
        text.Bytes(), [&text](std::string& out) { return text.Fill(out, WriteChunkSize); },
        fileName, progress);
}

void ParseRowListText(std::string_view text, TLinePositions& lineSpans, TRowTable& rows)
{
    ParseRowListText(text, lineSpans, rows, [](std::size_t) {});
}

void ParseRowListText(std::string_view text, TLinePositions& lineSpans, TRowTable& rows,
                      const ParsedFn& onParsed)
{
    // About a megabyte of usual row lines between reports.
    constexpr std::size_t LinesPerReport = 1 << 16;
    lineSpans.clear();
    rows.clear();
    // Each line is parsed as soon as it is found, while its bytes are still in
    // the cache.
    TLineScanner scanner(text);
    for (;;) {
        if (rows.size() == rows.capacity() || lineSpans.size() == lineSpans.capacity())
            MakeRoomForLines(text.substr(scanner.Offset()), lineSpans, rows);
        TTextSpan line;
        TNumberRow row;
        if (ReadRowLine(scanner.Rest(), row)) {
            line = {scanner.Offset(), RowLineLength};
            scanner.Skip(RowLineLength + 2);
        } else if (scanner.Next(line)) {
            row = LineToRow(line.In(text));
        } else {
            return;
        }
        lineSpans.push_back(line);
        rows.push_back(row);
        if (rows.size() % LinesPerReport == 0)
            onParsed(scanner.Offset());
    }
}

std::uint64_t OpenPeakBytes(std::uint64_t fileBytes)
{
    constexpr std::uint64_t PerLine = TLinePositions::BytesPerLine + TRowTable::BytesPerReadRow;
    // What the allocator and the kernel round up on top: measured at 0.1 to
    // 0.3 MB whatever the size, so a whole megabyte keeps this from falling
    // short.
    constexpr std::uint64_t Rounding = 1 << 20;
    return fileBytes + fileBytes / UsualLineBytes * PerLine + Rounding;
}

namespace {

// What a read of a row-list file gives: its text, where its lines lie and
// their rows.
struct TReadRowList {
    std::string text;
    TLinePositions lineSpans;
    TRowTable rows;
};

// Reads and parses the whole file. A failure of the system raises Error with
// `failureText` of the name and the reason; a text that is no row list
// raises Error("<name>: " SBadFileFormat).
TReadRowList ReadRowList(const std::string& fileName, TProgress& progress,
                         const TSystemResources& resources, TRegularFile::TFailureText failureText)
{
    TRegularFile file(fileName, progress, failureText);
    if (OpenPeakBytes(file.Size()) > resources.AvailableMemory())
        throw Error(failureText(fileName, ENOMEM));
    // Half the way is reading, half parsing.
    TProgressSteps steps(progress, 2 * file.Size());
    TReadRowList read;
    try {
        read.text = ReadPreparingLines(file, read.lineSpans, read.rows,
                                       [&](std::uint64_t bytes) { steps.Reach(bytes); });
    } catch (const std::bad_alloc&) {
        throw Error(failureText(fileName, ENOMEM));
    }
    try {
        ParseRowListText(read.text, read.lineSpans, read.rows,
                         [&](std::size_t parsedBytes) { steps.Reach(file.Size() + parsedBytes); });
    } catch (const Error&) {
        throw Error(fileName + ": " + SBadFileFormat);
    } catch (const std::bad_alloc&) {
        throw Error(failureText(fileName, ENOMEM));
    }
    steps.Finish();
    return read;
}

// The lines that are not their rows' canonical lines.
TStoredLines StoredLines(const TReadRowList& read)
{
    TStoredLines stored;
    TRowLineBuffer buffer;
    for (std::size_t i = 0; i < read.rows.size(); ++i) {
        const std::string_view line = read.lineSpans[i].In(read.text);
        if (line != RowToLine(read.rows[i], buffer))
            stored.Append(static_cast<int>(i), line);
    }
    return stored;
}

} // namespace

void LoadRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress, const TSystemResources& resources)
{
    // Running out of memory is no failure of the file: it travels as itself.
    TReadRowList read = ReadRowList(fileName, progress, resources,
                                    [](const std::string& name, int error) -> std::string {
                                        if (error == ENOMEM)
                                            throw std::bad_alloc();
                                        return CannotOpenFileMessage(name, error);
                                    });
    TStoredLines stored = StoredLines(read);
    rows = std::move(read.rows);
    lines.AssignRows(rows, std::move(stored));
}

void OpenRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress, const TSystemResources& resources)
{
    try {
        TReadRowList read = ReadRowList(fileName, progress, resources, CannotOpenFileMessage);
        TStoredLines stored = StoredLines(read);
        rows = std::move(read.rows);
        lines.AssignRows(rows, std::move(stored));
    } catch (const Cancelled&) {
        throw;
    } catch (...) {
        // Whatever went wrong, the user learns only that the file was not
        // understood; the rows they had stay.
        throw Error(SBadFileFormat);
    }
}

TRowTable ReadRowListFile(const std::string& fileName, TProgress& progress,
                          const TSystemResources& resources)
{
    return ReadRowList(fileName, progress, resources, NamedFileMessage).rows;
}

} // namespace quorva
