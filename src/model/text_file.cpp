#include "model/text_file.h"

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

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

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

// How many lines a text probably holds, so that the list of lines is
// allocated once for a row-list file (a row line takes 22 bytes with its
// CR LF); other texts merely let the list grow.
std::size_t ExpectedLineCount(std::string_view text) { return text.size() / 22 + 1; }

}  // namespace

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
    std::string text(expected + 1, '\0');

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

std::vector<TTextSpan> SplitLineSpans(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<TTextSpan> spans;
    spans.reserve(ExpectedLineCount(text));
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const char* lineEnd = FindLineEnd(p, end);
        spans.push_back({static_cast<std::size_t>(p - begin), static_cast<std::size_t>(lineEnd - p)});
        p = lineEnd;
        if (p < end && *p == '\r')
            ++p;
        if (p < end && *p == '\n')
            ++p;
    }
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

}  // namespace quorva
