// Whole writes and reads on the system-call table: however the system splits,
// interrupts or refuses the calls, every byte arrives once, in order, or the
// failure comes back with one rule for its errno value.

#include "model/files/deferred_free.h"
#include "model/files/file_io.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <optional>

#include "model/files/system_calls.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

// What the system does with each call in turn: fails with an errno value
// (when negative), or takes at most that many bytes. Calls past it go through.
std::deque<int> Script;

ssize_t Answer(std::size_t size, const std::function<ssize_t(std::size_t)>& call)
{
    const int answer = Script.empty() ? static_cast<int>(size) : Script.front();
    if (!Script.empty())
        Script.pop_front();
    return answer < 0    ? (errno = -answer, -1)
           : answer == 0 ? 0
                         : call(std::min<std::size_t>(size, answer));
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

// A write that takes nothing is a full disk; a read that gets nothing is the
// end of the file.
const struct {
    const char* name;
    std::deque<int> script;
    int writeError;
    int readError;
    std::size_t bytesTaken;
} IoCases[] = {
    {"all at once", {}, 0, 0, 20},
    {"short pieces", {3, 1, 5}, 0, 0, 20},
    {"interrupted", {-EINTR, 4, -EINTR}, 0, 0, 20},
    {"refused", {2, -EIO}, EIO, EIO, 2},
    {"takes nothing", {2, 0}, ENOSPC, 0, 2},
};

TEST(FileIoTest, WholeWritesAndReadsKeepEveryByteOrSayWhy)
{
    const std::string bytes = "0123456789abcdefghij";
    for (const auto& row : IoCases) {
        SCOPED_TRACE(row.name);
        const test::TTempDir dir;
        const std::string path = dir.File("file");
        const TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT, 0600));
        const TSystemCallsOverride scripted(Scripted());
        Script = row.script;
        EXPECT_EQ(WriteAll(fd.Get(), bytes), row.writeError);
        Script = row.script;
        EXPECT_EQ(PWriteAll(fd.Get(), bytes, 100), row.writeError);
        // Every byte taken once, in order, at its place.
        const std::string written = test::ReadBytes(path);
        EXPECT_EQ(written.substr(0, row.bytesTaken), bytes.substr(0, row.bytesTaken));
        EXPECT_EQ(written.substr(100), bytes.substr(0, row.bytesTaken));

        ::lseek(fd.Get(), 100, SEEK_SET);
        Script = row.script;
        std::string read = "kept";
        EXPECT_EQ(ReadAll(fd.Get(), read), row.readError);
        EXPECT_EQ(read, "kept" + bytes.substr(0, row.bytesTaken));
    }
}

// The holder keeps what it was given, past this process's close, and nothing
// else: a lock this process lets go of is free at once; and it ends once let go.
TEST(DeferredFreeTest, HoldsOnlyWhatItIsGivenUntilLetGo)
{
    test::TTempDir dir;
    const std::string lockName = dir.Path() + "/lock";
    int locked = ::open(lockName.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    std::optional<TDeferredFree> freeing(std::vector<int>{ends[1]});
    ::close(ends[1]);
    ::close(locked);
    const int other = ::open(lockName.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "the holder kept the lock";
    ::close(other);
    pollfd readable{ends[0], POLLIN, 0};
    EXPECT_EQ(::poll(&readable, 1, 200), 0) << "the held write end was let go early";
    freeing.reset();
    EXPECT_EQ(::poll(&readable, 1, 10000), 1) << "the holder did not end";
    char byte = 0;
    EXPECT_EQ(::read(ends[0], &byte, 1), 0);
    ::close(ends[0]);
}

} // namespace
} // namespace quorva
