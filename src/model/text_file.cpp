#include "model/text_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/atomic_file_writer.h"
#include "model/error.h"
#include "model/file_error.h"
#include "model/huge_pages.h"

namespace quorva {
namespace {

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

bool IsLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

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

} // namespace

void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName)
{
    SaveLinesToFile(
        lines.size(), [&lines](std::size_t index) -> std::string_view { return lines[index]; },
        fileName);
}

void SaveLinesToFile(std::size_t count, const LineAtFn& lineAt, const std::string& fileName)
{
    TAtomicFileWriter writer(fileName);
    std::string chunk;
    chunk.reserve(WriteChunkSize);
    for (std::size_t i = 0; i < count; ++i) {
        chunk += lineAt(i);
        chunk += "\r\n";
        if (chunk.size() >= WriteChunkSize) {
            writer.Write(chunk);
            chunk.clear();
        }
    }
    writer.Write(chunk);
    writer.Commit();
}

std::string ReadWholeFile(const std::string& fileName)
{
    TFileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        throw Error(CannotOpenFileMessage(fileName, errno));

    // One byte more than the file holds, so that the read meeting its end
    // needs no growth.
    struct stat status {};
    std::size_t expected = 0;
    if (::fstat(file.Get(), &status) == 0 && status.st_size > 0)
        expected = static_cast<std::size_t>(status.st_size);
    std::string text;
    text.reserve(expected + 1);
    AdviseHugePages(text.data(), text.capacity());
    text.resize(expected + 1);

    constexpr std::size_t GrowthStep = 1 << 20;
    std::size_t used = 0;
    for (;;) {
        if (used == text.size())
            text.resize(used + GrowthStep);
        const ssize_t got = ::read(file.Get(), text.data() + used, text.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Error(CannotOpenFileMessage(fileName, errno));
        if (got == 0) {
            text.resize(used);
            return text;
        }
        used += static_cast<std::size_t>(got);
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

std::vector<TTextSpan> SplitLineSpans(std::string_view text)
{
    std::vector<TTextSpan> spans;
    spans.reserve(CountLines(text));
    TLineScanner scanner(text);
    for (TTextSpan line; scanner.Next(line);)
        spans.push_back(line);
    return spans;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (const TTextSpan& span : SplitLineSpans(text))
        lines.emplace_back(span.In(text));
    return lines;
}

void LoadLinesFromFile(std::vector<std::string>& target, const std::string& fileName)
{
    target = SplitLines(ReadWholeFile(fileName));
}

} // namespace quorva
