#include "model/files/text_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#include "model/base/error.h"
#include "model/base/progress_steps.h"
#include "model/files/atomic_file_writer.h"
#include "model/files/file_error.h"
#include "model/files/regular_file.h"

namespace quorva {
namespace {

// The first CR or LF from `p` on, or `end`. Eight bytes are tested at a time:
// in each word, the lowest byte flagged as equal to CR or LF is the first such
// byte (the test can flag bytes above a true match, never below).
const char* FindLineEnd(const char* p, const char* end)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t Ones = 0x0101010101010101;
        constexpr std::uint64_t Highs = 0x8080808080808080;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t cr = word ^ (Ones * '\r');
            const std::uint64_t lf = word ^ (Ones * '\n');
            const std::uint64_t found = (((cr - Ones) & ~cr) | ((lf - Ones) & ~lf)) & Highs;
            if (found != 0)
                return p + std::countr_zero(found) / 8;
            p += 8;
        }
    }
    while (p < end && !IsLineEnd(*p))
        ++p;
    return p;
}

// The text that holds lines: everything before the first NUL.
std::string_view LineText(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

std::uint64_t TextBytes(std::size_t count, const LineAtFn& lineAt)
{
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i)
        bytes += lineAt(i).size() + 2;
    return bytes;
}

void WriteText(std::uint64_t bytes, const FillTextFn& fill, const std::string& fileName,
               TProgress& progress)
{
    TProgressSteps steps(progress, bytes);
    TAtomicFileWriter writer(fileName, progress);
    writer.ExpectBytes(bytes);
    std::uint64_t written = 0;
    std::string chunk;
    chunk.reserve(WriteChunkSize + WriteChunkSize / 8);
    for (bool more = true; more;) {
        chunk.clear();
        more = fill(chunk);
        writer.Write(chunk, [&steps] { steps.Remind(); });
        written += chunk.size();
        steps.Reach(written);
    }
    steps.Finish();
    writer.Commit();
}

} // namespace

void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName,
                     TProgress& progress)
{
    SaveLinesToFile(
        lines.size(), [&lines](std::size_t index) -> std::string_view { return lines[index]; },
        fileName, progress);
}

void SaveLinesToFile(std::size_t count, const LineAtFn& lineAt, const std::string& fileName,
                     TProgress& progress)
{
    std::size_t next = 0;
    SaveTextToFile(
        TextBytes(count, lineAt),
        [&](std::string& out) {
            for (; next < count && out.size() < WriteChunkSize; ++next) {
                out += lineAt(next);
                out += "\r\n";
            }
            return next < count;
        },
        fileName, progress);
}

void SaveTextToFile(std::uint64_t bytes, const FillTextFn& fill, const std::string& fileName,
                    TProgress& progress)
{
    try {
        WriteText(bytes, fill, fileName, progress);
    } catch (const std::bad_alloc&) {
        throw Error(SaveOutOfMemoryMessage);
    }
}

TLineScanner::TLineScanner(std::string_view text)
{
    text = LineText(text);
    begin_ = text.data();
    end_ = begin_ + text.size();
    next_ = begin_;
}

bool TLineScanner::Next(TTextSpan& line)
{
    if (next_ == end_)
        return false;
    const char* const lineEnd = FindLineEnd(next_, end_);
    line = {static_cast<std::size_t>(next_ - begin_), static_cast<std::size_t>(lineEnd - next_)};
    next_ = lineEnd;
    if (next_ < end_ && *next_ == '\r')
        ++next_;
    if (next_ < end_ && *next_ == '\n')
        ++next_;
    return true;
}

std::size_t CountLines(std::string_view text)
{
    text = LineText(text);
    if (text.empty())
        return 0;
    // Every LF ends a line, and so does every CR but the one of a CR LF. The
    // last byte adds one line either way: as a line end, or as part of a last
    // line without one. The bytes are counted in blocks small enough for a
    // one-byte count, which lets the compiler test many bytes per instruction.
    constexpr std::size_t BlockSize = 255;
    const std::size_t last = text.size() - 1;
    std::size_t lines = 1;
    for (std::size_t block = 0; block < last; block += BlockSize) {
        const std::size_t blockEnd = std::min(last, block + BlockSize);
        std::uint8_t lineEnds = 0;
        for (std::size_t i = block; i < blockEnd; ++i) {
            // Branch-free on purpose: no short-circuit, so it vectorises.
            const unsigned lf = text[i] == '\n';
            const unsigned cr = text[i] == '\r';
            const unsigned beforeLf = text[i + 1] == '\n';
            lineEnds += static_cast<std::uint8_t>(lf | (cr & (beforeLf ^ 1u)));
        }
        lines += lineEnds;
    }
    return lines;
}

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace quorva
