#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/base/progress.h"
#include "model/base/system_resources.h"
#include "model/rows/line_list.h"
#include "model/rows/row_list_parser.h"
#include "model/rows/row_table.h"

namespace quorva {

// Writes the row lines exactly as they stand (see SaveLinesToFile).
void SaveRowListFile(const TLineList& lines, const std::string& fileName,
                     TProgress& progress = NoProgress());

// Reads the file into the line list and the row table, all or nothing, as
// Open does, but raises what went wrong: BadFormat for a file that is no row
// list, NotEnoughMemory when it would not fit in memory, Error when it
// cannot be read, Cancelled.
void LoadRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress = NoProgress(),
                     const TSystemResources& resources = SystemResources());

// Open: reads the file into the line list and the row table, all or
// nothing. On success the list holds the file's lines as read, nothing is
// selected, and `rows` the parsed values. On any failure it raises
// Error(SBadFileFormat), and the list, its selection and the table stay as
// they were.
//
// Only a regular file is read; a pipe, socket or device is refused at once.
// So is a file whose rows alone would need more memory than `resources`
// says is available (see ParseRowsBytes), before anything is read; and one
// whose lines kept as they are would take the rest, or running out of
// memory all the same, is one more failure. Progress is reported in bytes of
// the file read and parsed; when it says stop, Cancelled propagates out of
// here and nothing has changed.
void OpenRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     TProgress& progress = NoProgress(),
                     const TSystemResources& resources = SystemResources());

// The rows of a row-list file, read as Open reads them, for callers that
// need no line list. A file Open would refuse raises Error naming the file
// as given: ""<name>": <the system's reason>" when it cannot be read (or
// NotEnoughMemory so when it would not fit in memory), BadFormat
// (""<name>": " SBadFileFormat) when it is no row list.
// Cancelled propagates as from Open.
TRowTable ReadRowListFile(const std::string& fileName, TProgress& progress = NoProgress(),
                          const TSystemResources& resources = SystemResources());

// The most memory Open takes for a file of `fileBytes`, whatever its lines
// (see ParsePeakBytes).
std::uint64_t OpenPeakBytes(std::uint64_t fileBytes);

} // namespace quorva
