#include "model/rows/row_list_parser.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <thread>

#include "model/base/error.h"
#include "model/base/huge_pages.h"
#include "model/base/worker_wait.h"
#include "model/files/text_file.h"
#include "model/rows/number_rules.h"
#include "model/rows/row_line.h"

namespace quorva {
namespace {

constexpr std::size_t FieldStride = 3;
constexpr std::size_t FieldLength = 2;
// Characters up to the end of the seventh field.
constexpr std::size_t RowLineLength = FieldStride * (RowWidth - 1) + FieldLength;
// The fewest bytes a line that parses takes with its line end: its seventh
// field needs at least one character.
constexpr std::size_t ShortestLineBytes = RowLineLength;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

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

// Eight bytes of text from `at`, the first in the lowest byte.
std::uint64_t Word(const char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

constexpr std::uint64_t Bytes(unsigned char value)
{
    return std::uint64_t{0x0101010101010101} * value;
}

// Whether the bytes of `word` that `places` picks are all digits.
bool AreDigits(std::uint64_t word, std::uint64_t places)
{
    const std::uint64_t picked = word & places;
    const std::uint64_t highs = Bytes(0xF0);
    // '0' to '9' are 0x30 to 0x39: the high half 3 before and after adding 6.
    return ((picked & highs) == (Bytes('0') & places)) &&
           (((picked + (Bytes(6) & places)) & highs) == (Bytes('0') & places));
}

// The two-digit numbers whose digits are at the bytes `places` picks, each
// at the byte of its tens.
std::uint64_t TwoDigitValues(std::uint64_t word, std::uint64_t places)
{
    const std::uint64_t digits = (word & places) - (Bytes('0') & places);
    return digits * 10 + (digits >> 8);
}

// Byte `from` of `word`, moved to byte `to`.
std::uint64_t MoveByte(std::uint64_t word, int from, int to)
{
    return ((word >> (8 * from)) & 0xFF) << (8 * to);
}

// A row line as Save writes the rows that Add renders: seven two-digit fields
// and CR LF. Reads it from the start of `text` when it is one, telling
// whether it is its row's canonical line, which it is when every separator
// is a space; nearly every line of a row-list file is, and this is quicker
// than finding the line end and then parsing. The 22 bytes are read as three
// overlapping words, tested and parsed eight bytes at a time, and the row's
// cells packed as FillPacked takes them.
bool ReadRowLine(std::string_view text, std::uint64_t& cells, bool& canonical)
{
    if (text.size() < RowLineLength + 2)
        return false;
    // Bytes 0-7, 8-15 and 14-21 of "dd dd dd dd dd dd dd\r\n".
    const std::uint64_t first = Word(text.data());
    const std::uint64_t middle = Word(text.data() + 8);
    const std::uint64_t last = Word(text.data() + 14);
    constexpr std::uint64_t FirstDigits = 0xFFFF00FFFF00FFFF;
    constexpr std::uint64_t MiddleDigits = 0xFF00FFFF00FFFF00;
    constexpr std::uint64_t LastDigits = 0x0000FFFF00FFFF00;
    constexpr std::uint64_t LineEnd = 0xFFFF000000000000;
    if ((last & LineEnd) != (0x0A0DULL << 48) || !AreDigits(first, FirstDigits) ||
        !AreDigits(middle, MiddleDigits) || !AreDigits(last, LastDigits))
        return false;
    constexpr std::uint64_t FirstSeparators = 0x0000FF0000FF0000;
    constexpr std::uint64_t MiddleSeparators = 0x00FF0000FF0000FF;
    constexpr std::uint64_t LastSeparators = 0x00000000FF000000;
    canonical = (first & FirstSeparators) == (Bytes(' ') & FirstSeparators) &&
                (middle & MiddleSeparators) == (Bytes(' ') & MiddleSeparators) &&
                (last & LastSeparators) == (Bytes(' ') & LastSeparators);
    // With the fields all digits, only a separator could end the line early.
    if (!canonical)
        for (std::size_t j = 0; j + 1 < RowWidth; ++j)
            if (IsLineEnd(text[j * FieldStride + FieldLength]))
                return false;
    const std::uint64_t firstValues = TwoDigitValues(first, FirstDigits);
    const std::uint64_t middleValues = TwoDigitValues(middle, MiddleDigits);
    const std::uint64_t lastValues = TwoDigitValues(last, LastDigits);
    cells = MoveByte(firstValues, 0, 0) | MoveByte(firstValues, 3, 1) |
            MoveByte(firstValues, 6, 2) | MoveByte(middleValues, 1, 3) |
            MoveByte(middleValues, 4, 4) | MoveByte(lastValues, 1, 5) | MoveByte(lastValues, 4, 6);
    return true;
}

// At most how many lines that parse `bytes` of text hold.
std::size_t RowRoom(std::uint64_t bytes)
{
    return static_cast<std::size_t>(bytes / ShortestLineBytes + 1);
}

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
            throw Error(SBadFileFormat);
        ++lines_;
    }
    void ParseLine(std::string_view line);
    void Store(std::string_view line)
    {
        storedBytes_ += line.size() + TStoredLines::BytesPerLine;
        if (storedBytes_ > storedBudget_)
            throw std::bad_alloc();
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

void TStretchParser::ParseLine(std::string_view line)
{
    TNumberRow row;
    try {
        row = LineToRow(line);
    } catch (const Error&) {
        throw Error(SBadFileFormat);
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

// A stretch of the file: the offsets where it begins and where it ends.
struct TStretch {
    std::uint64_t begin;
    std::uint64_t end;
};

// Reads the stretch piece by piece, each appended to what is left of the
// line the last one ended in, and parses it. Returns whether the stretch was
// read to its end: false when it holds a NUL, where the text stops, or the
// file ended early. `onRead(bytes)` hears of each piece.
template <class OnRead>
bool ParseStretch(const TRegularFile& file, TStretch stretch, TStretchParser& parser,
                  std::size_t pieceBytes, OnRead onRead)
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

// The line start after `near` that splits the file in two as one pass would
// find its lines: the first byte after a run of CR and LF that is neither,
// so that every run stays whole in the first half. The whole file when there
// is none within reach.
std::uint64_t FindSplit(const TRegularFile& file, std::uint64_t near)
{
    constexpr std::size_t Reach = 1 << 20;
    const std::uint64_t size = file.Size();
    if (near >= size)
        return size;
    std::string window(static_cast<std::size_t>(std::min<std::uint64_t>(Reach, size - near)), '\0');
    window.resize(file.ReadAt(near, window.data(), window.size()));
    const std::size_t run = window.find_first_of("\r\n");
    if (run == std::string::npos)
        return size;
    const std::size_t start = window.find_first_not_of("\r\n", run);
    return start == std::string::npos ? size : near + start;
}

// Appends the second stretch's stored lines to the first's, whose lines come
// before its own `lines` places.
void JoinStored(TStoredLines& first, const TStoredLines& second, std::size_t lines)
{
    std::size_t bytes = 0;
    for (std::size_t k = 0; k < second.Count(); ++k)
        bytes += second.TextAt(k).size();
    first.Reserve(second.Count(), bytes);
    for (std::size_t k = 0; k < second.Count(); ++k)
        first.Append(second.IndexAt(k) + static_cast<int>(lines), second.TextAt(k));
}

// The second half of a file, parsed on a worker thread while the calling
// thread parses the first; it counts its bytes where the caller can read
// them, and stops when asked.
class TSecondHalf {
public:
    TSecondHalf(const TRegularFile& file, TStretch stretch, TStretchParser& parser,
                std::size_t pieceBytes)
        : file_(file), stretch_(stretch), parser_(parser), pieceBytes_(pieceBytes)
    {
    }

    // On the worker, or on the calling thread when no worker could be had.
    void Parse(std::stop_token stop)
    {
        std::exception_ptr failure;
        try {
            ParseStretch(file_, stretch_, parser_, pieceBytes_, [&](std::uint64_t bytes) {
                bytesParsed_.store(bytes, std::memory_order_relaxed);
                if (stop.stop_requested())
                    throw Cancelled();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        failure_ = failure;
        done_ = true;
        changed_.notify_all();
    }

    std::uint64_t BytesParsed() const { return bytesParsed_.load(std::memory_order_relaxed); }

    // Waits for the worker, telling `onParsed` how far both halves are, and
    // raises what the worker raised.
    void Await(const ParsedFn& onParsed)
    {
        std::unique_lock lock(mutex_);
        AwaitWorker(
            lock, changed_, failure_, [this] { return done_; },
            [&] { onParsed(stretch_.begin + BytesParsed()); });
    }

private:
    const TRegularFile& file_;
    TStretch stretch_;
    TStretchParser& parser_;
    std::size_t pieceBytes_;
    std::atomic<std::uint64_t> bytesParsed_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::exception_ptr failure_;
};

// Parses the file in two halves split at `split`, the second on a worker.
// The rows of the second are written after room for the first's, then moved
// down to follow them.
void ParseInHalves(const TRegularFile& file, std::uint64_t split, const ParsedFn& onParsed,
                   const TParsePlan& plan, TParsedRows& parsed)
{
    const std::size_t pieceBytes = plan.pieceBytes;
    const std::size_t firstRoom = RowRoom(split);
    // The second half's stored lines are held twice while they are joined.
    const std::uint64_t budget = plan.storedBudget / 3;
    TStretchParser first(parsed.rows, 0, firstRoom, budget, file.Size() - split);
    TStretchParser second(parsed.rows, firstRoom, RowRoom(file.Size() - split), budget);
    TSecondHalf secondHalf(file, {split, file.Size()}, second, pieceBytes);
    // Declared last, so that it is stopped and joined before what it uses
    // goes, on every path.
    std::jthread worker;
    try {
        worker = std::jthread([&secondHalf](std::stop_token stop) { secondHalf.Parse(stop); });
    } catch (const std::system_error&) {
        // Without a second thread, the halves are parsed one after the other.
    }
    const bool firstWhole =
        ParseStretch(file, {0, split}, first, pieceBytes,
                     [&](std::uint64_t bytes) { onParsed(bytes + secondHalf.BytesParsed()); });
    if (!firstWhole) {
        // The text stopped in the first half: nothing after it counts.
        worker = std::jthread();
        parsed.rows.resize(first.Lines());
        parsed.stored = std::move(first.Stored());
        return;
    }
    if (!worker.joinable())
        secondHalf.Parse(std::stop_token());
    secondHalf.Await(onParsed);
    worker = std::jthread();
    parsed.rows.MoveDown(firstRoom, second.Lines(), first.Lines());
    parsed.rows.resize(first.Lines() + second.Lines());
    parsed.stored = std::move(first.Stored());
    JoinStored(parsed.stored, second.Stored(), first.Lines());
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

TParsedRows ParseRowListText(std::string_view text)
{
    TParsedRows parsed;
    parsed.rows.ResizeUnwritten(RowRoom(text.size()));
    TStretchParser parser(parsed.rows, 0, parsed.rows.size(), ~std::uint64_t{0});
    parser.Parse(text, true);
    parsed.rows.resize(parser.Lines());
    parsed.stored = std::move(parser.Stored());
    return parsed;
}

TParsedRows ParseRowListFile(const TRegularFile& file, const ParsedFn& onParsed,
                             const TParsePlan& plan)
{
    const std::uint64_t size = file.Size();
    const std::uint64_t near = plan.splitNear < size ? plan.splitNear : size / 2;
    const std::uint64_t split = size > plan.halvesAbove ? FindSplit(file, near) : size;
    TParsedRows parsed;
    parsed.rows.ResizeUnwritten(RowRoom(split) + (split < size ? RowRoom(size - split) : 0));
    // No huge pages for the rows: where the system backs memory lazily, a
    // fresh huge page has been measured to cost up to 18 ms, 2,000 times a
    // small page's fault; small pages are faulted by the two threads apart.
    if (split < size) {
        ParseInHalves(file, split, onParsed, plan, parsed);
        return parsed;
    }
    // Stored lines that grow one at a time may be copied as they grow.
    TStretchParser parser(parsed.rows, 0, parsed.rows.size(), plan.storedBudget / 2);
    ParseStretch(file, {0, size}, parser, plan.pieceBytes, onParsed);
    parsed.rows.resize(parser.Lines());
    parsed.stored = std::move(parser.Stored());
    return parsed;
}

std::uint64_t ParseRowsBytes(std::uint64_t fileBytes)
{
    const std::uint64_t rows = (RowRoom(fileBytes) + 1) * TRowTable::BytesPerReadRow;
    // Each thread's piece, and the room it grows into for a long line.
    const std::uint64_t pieces = 2 * 2 * TParsePlan().pieceBytes;
    // What the allocator and the kernel round up on top.
    constexpr std::uint64_t Rounding = 8 << 20;
    return rows + pieces + Rounding;
}

std::uint64_t ParsePeakBytes(std::uint64_t fileBytes)
{
    const std::uint64_t lines = RowRoom(fileBytes) + 1;
    // Every line stored, each with its index and place; and while the halves
    // are joined, the second half's, at most half the file, once more. A
    // line longer than a piece takes no more: its piece grows to twice the
    // line at most, and the rows and the other lines are then fewer.
    const std::uint64_t everyLine = fileBytes + lines * TStoredLines::BytesPerLine;
    const std::uint64_t stored = everyLine + everyLine / 2;
    return ParseRowsBytes(fileBytes) + stored;
}

} // namespace quorva
