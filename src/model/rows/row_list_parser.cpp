#include "model/rows/row_list_parser.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stop_token>
#include <string>
#include <system_error>
#include <thread>

#include "model/base/worker_wait.h"
#include "model/rows/stretch_parser.h"

namespace quorva {
namespace {

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
