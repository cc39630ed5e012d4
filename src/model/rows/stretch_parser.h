#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "model/files/regular_file.h"
#include "model/rows/row_line.h"
#include "model/rows/row_line_reader.h"
#include "model/rows/row_table.h"
#include "model/rows/stored_lines.h"

namespace quorva {

// At most how many lines that parse `bytes` of text hold.
std::size_t RowRoom(std::uint64_t bytes);

// Parses one stretch of a text, given piece by piece, into the rows from
// `firstRow` on of a table made with ResizeUnwritten, and its own stored
// lines, indexed from the stretch's first line. The stored lines of the
// `joinedBytes` of text after the stretch are to be appended to its own.
class TStretchParser {
public:
    TStretchParser(TRowTable& rows, std::size_t firstRow, std::size_t room,
                   std::uint64_t storedBudget, std::uint64_t joinedBytes = 0)
        : rows_(rows), firstRow_(firstRow), room_(room), storedBudget_(storedBudget),
          joinedBytes_(joinedBytes)
    {
    }

    // Parses the whole lines at the start of `text`, and returns the bytes
    // they take, or nothing when the text stops at a NUL there. Unless
    // `final`, more text follows, so a last line without its line end, or
    // ending in a CR that may be the start of a CR LF, is left for the next
    // piece.
    std::optional<std::size_t> Parse(std::string_view text, bool final);
    // Has the system hand out the pages of the rows of the next `bytes` of
    // text now, all at once, which costs less than a fault on each.
    void PrepareRows(std::size_t bytes) const;
    // `parsedBytes` of the stretch are parsed and `restBytes` are to come.
    void Expect(std::uint64_t parsedBytes, std::uint64_t restBytes);

    std::size_t Lines() const { return lines_; }
    TStoredLines& Stored() { return stored_; }

private:
    void Put(const TNumberRow& row)
    {
        Count();
        rows_.Fill(firstRow_ + lines_ - 1, row);
    }
    void Put(std::uint64_t cells)
    {
        Count();
        rows_.FillPacked(firstRow_ + lines_ - 1, cells);
    }
    void Count()
    {
        // Lines are never shorter than the room assumes; this only guards
        // the table against a file that is not what it was.
        if (lines_ == room_)
            throw BadFormat(SBadFileFormat);
        ++lines_;
    }
    void ParseLine(std::string_view line);
    void Store(std::string_view line)
    {
        storedBytes_ += line.size() + TStoredLines::BytesPerLine;
        if (storedBytes_ > storedBudget_)
            throw NotEnoughMemory("The lines kept as they are exceed their budget.");
        stored_.Append(static_cast<int>(lines_ - 1), line);
    }

    TRowTable& rows_;
    std::size_t firstRow_;
    std::size_t room_;
    std::uint64_t storedBudget_;
    std::uint64_t joinedBytes_;
    std::size_t lines_ = 0;
    TStoredLines stored_;
    std::uint64_t storedBytes_ = 0;
    bool roomMade_ = false;
    TRowLineBuffer canonical_;
};

// A stretch of a file: the offsets where it begins and where it ends.
struct TStretch {
    std::uint64_t begin;
    std::uint64_t end;
};

// Reads the stretch piece by piece, each appended to what is left of the
// line the last one ended in, and parses it. Returns whether the stretch was
// read to its end: false when it holds a NUL, where the text stops, or the
// file ended early. `onRead(bytes)` hears of each piece; it may throw to stop.
using ReadFn = std::function<void(std::uint64_t bytesRead)>;
bool ParseStretch(const TRegularFile& file, TStretch stretch, TStretchParser& parser,
                  std::size_t pieceBytes, const ReadFn& onRead);

} // namespace quorva
