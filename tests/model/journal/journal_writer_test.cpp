// The journal's flusher: every step reaches the disk within a second of
// simulated time, however the steps come, and the journal's name with it.

#include "model/journal/journal_writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <vector>

#include "model/files/system_calls.h"
#include "model/rows/row_editing.h"
#include "support/hand_clock.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

using namespace std::chrono_literals;
using namespace test;

// Each flush as the disk saw it: which file, how much of it, and when.
struct TFlush {
    ino_t inode;
    off_t size;
    TDeadlineClock::TTime at;
};
std::mutex LogMutex;
std::condition_variable Flushed;
std::vector<TFlush> Flushes;
THandClock* Clock = nullptr;

int Noted(int fd, int (*flush)(int))
{
    struct stat status {};
    ::fstat(fd, &status);
    const std::lock_guard lock(LogMutex);
    Flushes.push_back({status.st_ino, status.st_size, Clock->Now()});
    Flushed.notify_all();
    return flush(fd);
}

const struct {
    const char* name;
    std::vector<int> stepsAtMs;
} FlushCases[] = {
    {"one step, then idle", {0}},
    {"two steps a second apart, then idle", {0, 1000}},
    {"a burst within a second, then idle", {0, 200, 400, 900}},
    {"a step half a second after a flush", {0, 1500}},
    {"steps every 700 ms", {0, 700, 1400, 2100}},
};

TEST(JournalWriterTest, EveryStepIsOnDiskWithinASecondAndTheJournalsNameWithIt)
{
    TSystemCalls recording = RealSystemCalls();
    recording.fdatasync = [](int fd) { return Noted(fd, RealSystemCalls().fdatasync); };
    recording.fsync = [](int fd) { return Noted(fd, RealSystemCalls().fsync); };
    for (const auto& row : FlushCases) {
        SCOPED_TRACE(row.name);
        const TTempDir dir;
        THandClock clock;
        Clock = &clock;
        Flushes.clear();
        const TSystemCallsOverride recorded(recording);
        const std::string path = dir.File("rows.journal");
        std::string failure;
        TJournalWriter writer(
            path, TJournalBase{}, TJournalWriter::TBase::None,
            [&](auto, const std::string& message) { failure = message; }, clock);
        const auto start = clock.Now();
        // Each step's record, as the writer numbers it.
        TRowTable rows;
        TLineList lines(rows);
        std::vector<TRowChange> changes;
        for (std::size_t step = 0; step < row.stepsAtMs.size(); ++step)
            changes.push_back(
                AddRow(rows, lines, TNumberRow{static_cast<int>(step), 1, 2, 3, 4, 5, 6}));
        const auto marker = [&](std::size_t step) {
            return StepRecord(true, changes[step], step + 1);
        };
        // Whether the step, and the folder that names the journal, were
        // flushed by now.
        const auto onDisk = [&](std::size_t step) {
            const std::size_t at = ReadBytes(path).find(marker(step));
            const auto flushed = [&](const std::string& file, std::size_t size) {
                struct stat status {};
                ::stat(file.c_str(), &status);
                return at != std::string::npos && std::ranges::any_of(Flushes, [&](auto& flush) {
                           return flush.inode == status.st_ino &&
                                  flush.size >= static_cast<off_t>(size) && flush.at <= clock.Now();
                       });
            };
            return flushed(path, at + marker(step).size()) && flushed(dir.Path(), 0);
        };
        std::set<int> times;
        for (const int ms : row.stepsAtMs)
            times.insert({ms, ms + 1000});
        for (const int now : times) {
            clock.MoveTo(start + std::chrono::milliseconds(now));
            for (std::size_t step = 0; step < row.stepsAtMs.size(); ++step) {
                if (row.stepsAtMs[step] + 1000 != now)
                    continue;
                // Waits for real only as long as a late flusher needs to show it.
                std::unique_lock lock(LogMutex);
                EXPECT_TRUE(Flushed.wait_for(lock, 5s, [&] { return onDisk(step); }))
                    << "step " << step << " or the journal's name is not on disk a second later";
            }
            for (std::size_t step = 0; step < row.stepsAtMs.size(); ++step) {
                if (row.stepsAtMs[step] != now)
                    continue;
                writer.Add(true, changes[step]);
                // Once it is written nothing else happens until its deadline:
                // the flusher must sleep with one.
                EXPECT_TRUE(clock.AwaitSleeperBy(clock.Now() + 1s, 5s))
                    << "step " << step << " is left with no deadline to flush it";
            }
        }
        EXPECT_EQ(failure, "");
    }
}

} // namespace
} // namespace quorva
