// The journal's flusher: every step reaches the disk within a second of
// simulated time, however the steps come, and the journal's name with it.

#include "model/journal/journal_writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "model/files/system_calls.h"
#include "model/rows/row_editing.h"
#include "support/hand_clock.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using namespace std::chrono_literals;
using namespace test;

// Each flush, as the disk saw it: which file, how much of it, and when.
struct TFlush {
    ino_t inode;
    off_t size;
    bool folder;
    TDeadlineClock::TTime at;
};

struct TFlushLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<TFlush> flushes;
    THandClock* clock = nullptr;
} Log;

void Note(int fd)
{
    struct stat status {};
    ::fstat(fd, &status);
    const std::lock_guard lock(Log.mutex);
    Log.flushes.push_back(
        {status.st_ino, status.st_size, S_ISDIR(status.st_mode), Log.clock->Now()});
    Log.changed.notify_all();
}

TSystemCalls Recording()
{
    TSystemCalls calls = RealSystemCalls();
    calls.write = [](int fd, const void* data, size_t size) {
        const ssize_t got = RealSystemCalls().write(fd, data, size);
        const std::lock_guard lock(Log.mutex);
        Log.changed.notify_all();
        return got;
    };
    calls.fdatasync = [](int fd) { return Note(fd), RealSystemCalls().fdatasync(fd); };
    calls.fsync = [](int fd) { return Note(fd), RealSystemCalls().fsync(fd); };
    return calls;
}

// Waits, for real and only as long as a broken flusher needs to show itself,
// for what the writer's threads do on their own.
template <typename TCondition> bool Await(TCondition condition)
{
    std::unique_lock lock(Log.mutex);
    return Log.changed.wait_for(lock, 5s, condition);
}

struct TFlushCase {
    const char* name;
    std::vector<int> stepsAtMs; // when each step is taken
};

const TFlushCase FlushCases[] = {
    {"one step, then idle", {0}},
    {"two steps a second apart, then idle", {0, 1000}},
    {"a burst within a second, then idle", {0, 200, 400, 900}},
    {"a step half a second after a flush", {0, 1500}},
    {"steps every 700 ms", {0, 700, 1400, 2100}},
};

TEST(JournalWriterTest, EveryStepIsOnDiskWithinASecondAndTheJournalsNameWithIt)
{
    for (const TFlushCase& row : FlushCases) {
        SCOPED_TRACE(row.name);
        TTempDir dir;
        THandClock clock;
        const auto start = clock.Now();
        Log.flushes.clear();
        Log.clock = &clock;
        const TSystemCallsOverride recording(Recording());
        const std::string path = dir.File("rows.journal");
        std::string failure;
        TJournalWriter writer(
            path, TJournalBase{}, TJournalWriter::TBase::None,
            [&](TJournalWriter::TFailure, const std::string& message) { failure = message; },
            clock);

        // A step is taken at its time; it is due a second later.
        struct TEvent {
            int atMs;
            bool due;
            std::size_t step;
        };
        std::vector<TEvent> events;
        for (std::size_t step = 0; step < row.stepsAtMs.size(); ++step) {
            events.push_back({row.stepsAtMs[step], false, step});
            events.push_back({row.stepsAtMs[step] + 1000, true, step});
        }
        std::stable_sort(events.begin(), events.end(), [](const TEvent& a, const TEvent& b) {
            return a.atMs != b.atMs ? a.atMs < b.atMs : a.due > b.due;
        });
        std::vector<off_t> stepEnds(row.stepsAtMs.size());
        TRowTable rows;
        TLineList lines(rows);
        struct stat journal {};
        struct stat folder {};
        ::stat(dir.Path().c_str(), &folder);
        for (const TEvent& event : events) {
            clock.MoveTo(start + std::chrono::milliseconds(event.atMs));
            if (!event.due) {
                const int value = static_cast<int>(event.step);
                const TRowChange step = AddRow(rows, lines, TNumberRow{value, 1, 2, 3, 4, 5, 6})
                                            .ReadyToApply(rows, lines);
                const std::string record = StepRecord(true, step, event.step + 1);
                writer.Add(true, step);
                ASSERT_TRUE(Await([&] {
                    const std::string bytes = Exists(path) ? ReadBytes(path) : "";
                    const std::size_t at = bytes.find(record);
                    stepEnds[event.step] = static_cast<off_t>(at + record.size());
                    return at != std::string::npos;
                })) << "step "
                    << event.step << " is never written";
                ::stat(path.c_str(), &journal);
                continue;
            }
            const auto covers = [&](const TFlush& flush) {
                return !flush.folder && flush.inode == journal.st_ino &&
                       flush.size >= stepEnds[event.step];
            };
            const auto names = [&](const TFlush& flush) {
                return flush.folder && flush.inode == folder.st_ino;
            };
            const auto due = start + std::chrono::milliseconds(event.atMs);
            EXPECT_TRUE(Await([&] {
                return std::ranges::any_of(Log.flushes, covers) &&
                       std::ranges::any_of(Log.flushes, names);
            })) << "step "
                << event.step
                << " or the journal's name is never flushed while the window stays idle";
            const std::lock_guard lock(Log.mutex);
            const auto flushed = std::ranges::find_if(Log.flushes, covers);
            const auto named = std::ranges::find_if(Log.flushes, names);
            EXPECT_TRUE(flushed == Log.flushes.end() || flushed->at <= due)
                << "step " << event.step << " flushed late";
            EXPECT_TRUE(named == Log.flushes.end() || named->at <= due)
                << "the journal's name flushed late";
        }
        EXPECT_EQ(failure, "");
    }
}

} // namespace
} // namespace quorva
