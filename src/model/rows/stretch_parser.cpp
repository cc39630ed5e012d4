#include "model/rows/stretch_parser.h"

#include <algorithm>
#include <cstring>

#include "model/base/error.h"
#include "model/base/huge_pages.h"
#include "model/files/text_file.h"

namespace quorva {

std::size_t RowRoom(std::uint64_t bytes)
{
    return static_cast<std::size_t>(bytes / ShortestLineBytes + 1);
}

void TStretchParser::ParseLine(std::string_view line)
{
    TNumberRow row;
    try {
        row = LineToRow(line);
    } catch (const Error&) {
        throw BadFormat(SBadFileFormat);
    }
    Put(row);
    if (line != RowToLine(row, canonical_))
        Store(line);
}

// Once most of what is parsed is stored, the rest likely is too: room for
// all of it is made at once, so that the stored lines are not copied again
// and again as they grow, each copy briefly doubling them. The room is only
// promised, and costs memory as it is used.
void TStretchParser::Expect(std::uint64_t parsedBytes, std::uint64_t restBytes)
{
    if (roomMade_ || 2 * storedBytes_ <= parsedBytes)
        return;
    roomMade_ = true;
    const std::uint64_t bytes = restBytes + joinedBytes_;
    stored_.Reserve(RowRoom(bytes), static_cast<std::size_t>(bytes));
}

void TStretchParser::PrepareRows(std::size_t bytes) const
{
    const std::size_t from = std::min(lines_, room_);
    const std::size_t rows = std::min(RowRoom(bytes), room_ - from);
    PopulatePages(static_cast<const char*>(rows_.Data()) +
                      (firstRow_ + from) * TRowTable::BytesPerReadRow,
                  rows * TRowTable::BytesPerReadRow);
}

std::optional<std::size_t> TStretchParser::Parse(std::string_view text, bool final)
{
    // The scanner sees the text up to its first NUL only.
    TLineScanner scanner(text);
    const bool stopped = scanner.Rest().size() < text.size();
    text = scanner.Rest();
    final = final || stopped;
    for (;;) {
        std::uint64_t cells;
        bool canonical;
        if (ReadRowLine(scanner.Rest(), cells, canonical)) {
            Put(cells);
            if (!canonical)
                Store(scanner.Rest().substr(0, RowLineLength));
            scanner.Skip(RowLineLength + 2);
            continue;
        }
        const std::size_t start = scanner.Offset();
        TTextSpan line;
        if (!scanner.Next(line))
            return stopped ? std::nullopt : std::optional(start);
        const std::size_t lineEnd = line.offset + line.length;
        const bool unfinished =
            lineEnd == text.size() || (lineEnd + 1 == text.size() && text[lineEnd] == '\r');
        if (unfinished && !final)
            return start;
        ParseLine(line.In(text));
    }
}

bool ParseStretch(const TRegularFile& file, TStretch stretch, TStretchParser& parser,
                  std::size_t pieceBytes, const ReadFn& onRead)
{
    std::string buffer;
    std::size_t carried = 0;
    std::uint64_t offset = stretch.begin;
    for (;;) {
        // The piece fills the buffer up; a long line is read in pieces as
        // long as itself, so that it is scanned a few times at most.
        const std::size_t room =
            std::max(pieceBytes > 2 * carried ? pieceBytes - carried : carried, std::size_t{1});
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(room, stretch.end - offset));
        if (buffer.size() < carried + wanted)
            buffer.resize(carried + wanted);
        const std::size_t got = file.ReadAt(offset, buffer.data() + carried, wanted);
        offset += got;
        const bool shortened = got < wanted;
        const bool final = shortened || offset == stretch.end;
        parser.PrepareRows(got);
        const std::optional<std::size_t> taken =
            parser.Parse({buffer.data(), carried + got}, final);
        parser.Expect(offset - stretch.begin, stretch.end - offset);
        onRead(offset - stretch.begin);
        if (final || !taken)
            return !shortened && taken;
        carried = carried + got - *taken;
        std::memmove(buffer.data(), buffer.data() + *taken, carried);
    }
}

} // namespace quorva
