// Whole writes and reads on the system-call table: however the system splits,
// interrupts or refuses the calls, every byte arrives once, in order, or the
// failure comes back with one rule for its errno value.

#include "model/files/file_io.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <deque>

#include "model/files/system_calls.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

// What the system does with each call in turn: takes at most `bytes` bytes
// (0: takes nothing), or fails with `error`. Calls past the script go through.
struct TAnswer {
    int error = 0;
    std::size_t bytes = 0;
};
std::deque<TAnswer> Script;

template <typename TCall> ssize_t Answer(std::size_t size, TCall call)
{
    if (Script.empty())
        return call(size);
    const TAnswer answer = Script.front();
    Script.pop_front();
    if (answer.error != 0)
        return errno = answer.error, -1;
    return answer.bytes == 0 ? 0 : call(std::min(size, answer.bytes));
}

TSystemCalls Scripted()
{
    TSystemCalls calls = RealSystemCalls();
    calls.write = [](int fd, const void* data, size_t size) {
        return Answer(size, [&](size_t n) { return RealSystemCalls().write(fd, data, n); });
    };
    calls.pwrite = [](int fd, const void* data, size_t size, off_t at) {
        return Answer(size, [&](size_t n) { return RealSystemCalls().pwrite(fd, data, n, at); });
    };
    calls.read = [](int fd, void* data, size_t size) {
        return Answer(size, [&](size_t n) { return RealSystemCalls().read(fd, data, n); });
    };
    return calls;
}

struct TIoCase {
    const char* name;
    std::vector<TAnswer> script;
    int writeError;        // what a whole write returns
    int readError;         // what a whole read returns
    std::size_t readBytes; // how many it reads
};

// A write that takes nothing is a full disk; a read that gets nothing is the
// end of the file.
const TIoCase IoCases[] = {
    {"all at once", {}, 0, 0, 20},
    {"short pieces", {{0, 3}, {0, 1}, {0, 5}}, 0, 0, 20},
    {"interrupted", {{EINTR, 0}, {0, 4}, {EINTR, 0}}, 0, 0, 20},
    {"refused", {{0, 2}, {EIO, 0}}, EIO, EIO, 2},
    {"takes nothing", {{0, 2}, {0, 0}}, ENOSPC, 0, 2},
};

TEST(FileIoTest, WholeWritesAndReadsKeepEveryByteOrSayWhy)
{
    const std::string bytes = "0123456789abcdefghij";
    for (const TIoCase& row : IoCases) {
        SCOPED_TRACE(row.name);
        const test::TTempDir dir;
        const std::string path = dir.File("file");
        const TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT, 0600));
        const TSystemCallsOverride scripted(Scripted());
        Script.assign(row.script.begin(), row.script.end());
        EXPECT_EQ(WriteAll(fd.Get(), bytes), row.writeError);
        Script.assign(row.script.begin(), row.script.end());
        EXPECT_EQ(PWriteAll(fd.Get(), bytes, 100), row.writeError);
        // Every byte taken once, in order, at its place.
        const std::string written = test::ReadBytes(path);
        const std::size_t taken = row.writeError == 0 ? bytes.size() : row.readBytes;
        EXPECT_EQ(written.substr(0, taken), bytes.substr(0, taken));
        EXPECT_EQ(written.substr(100), bytes.substr(0, taken));

        ::lseek(fd.Get(), 100, SEEK_SET);
        Script.assign(row.script.begin(), row.script.end());
        std::string read = "kept";
        EXPECT_EQ(ReadAll(fd.Get(), read), row.readError);
        EXPECT_EQ(read, "kept" + bytes.substr(0, row.readBytes));
    }
}

} // namespace
} // namespace quorva
