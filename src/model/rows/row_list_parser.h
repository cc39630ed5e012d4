#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "model/files/regular_file.h"
#include "model/rows/number_row.h"
#include "model/rows/row_line_reader.h"
#include "model/rows/row_table.h"
#include "model/rows/stored_lines.h"

namespace quorva {

// What a row-list text holds: the row of each line, as LineToRow
// (row_line_reader.h) reads it,
// and the text of each line that is not its row's canonical line (RowToLine);
// the others need none, as their rows give them back byte for byte. Lines are
// found by the line rules of text_file.h.
struct TParsedRows {
    TRowTable rows;
    TStoredLines stored;
};

// How a file is read: in pieces, and, when large, in two halves on two
// threads. Only tests choose other than the defaults, to try small texts the
// way large files are read.
struct TParsePlan {
    // Read at a time; a line longer than this is read in growing pieces.
    std::size_t pieceBytes = 256 << 10;
    // Files larger than this are parsed in two halves.
    std::uint64_t halvesAbove = 8 << 20;
    // Where to look for the line start that splits the halves; past the
    // file's end: its middle.
    std::uint64_t splitNear = ~std::uint64_t{0};
    // The memory the texts of the lines that differ from their rows may take
    // in all: past it, the parse raises NotEnoughMemory. A file of usual lines
    // keeps none, so only memory that is really needed is asked for.
    std::uint64_t storedBudget = ~std::uint64_t{0};
};

// Reads the file's first Size() bytes and parses them as one pass over the
// whole text would, with the same result, never holding more of the text than a piece
// and the line it ends in. `onParsed(bytes)` is told, on the calling thread
// only, how many bytes are parsed so far; it may throw to stop. Raises
// BadFormat(SBadFileFormat) for a bad line and what ReadAt raises when reading
// fails.
using ParsedFn = std::function<void(std::uint64_t bytesParsed)>;
TParsedRows ParseRowListFile(const TRegularFile& file, const ParsedFn& onParsed,
                             const TParsePlan& plan = {});

// The memory ParseRowListFile takes for a file of `fileBytes` of usual
// lines, which keep no text: the rows and the pieces.
std::uint64_t ParseRowsBytes(std::uint64_t fileBytes);

// The most memory ParseRowListFile takes for a file of `fileBytes`, whatever
// its lines: the rows, the pieces, and the stored texts of a file whose every
// line differs from its row's canonical line. A file of canonical lines
// takes the rows and the pieces only, about a third of its size.
std::uint64_t ParsePeakBytes(std::uint64_t fileBytes);

} // namespace quorva
