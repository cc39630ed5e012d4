#include "model/text_file.h"

#include <cerrno>
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
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        while (pos < text.size() && !IsLineEnd(text[pos]))
            ++pos;
        spans.push_back({start, pos - start});
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
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
