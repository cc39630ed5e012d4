#include "model/journal/journal_writer.h"

#include "model/base/worker_wait.h"
#include "model/journal/journal_folder.h"

#include <chrono>
#include <optional>
#include <utility>

namespace quorva {

namespace {

// How long a written record may wait for its flush to the disk: what a power
// cut may lose at most.
constexpr auto SyncWithin = std::chrono::seconds(1);
constexpr std::size_t NewJournal = static_cast<std::size_t>(-1);

} // namespace

TJournalWriter::TJournalWriter(std::string path, TJournalBase base, TBase kind, FailedFn failed,
                               TDeadlineClock& clock)
    : path_(std::move(path)), failed_(std::move(failed)), clock_(clock)
{
    Start(NewJournal, std::move(base), kind);
}

TJournalWriter::TJournalWriter(std::string path, std::size_t validBytes, TJournalBase base,
                               TBase kind, FailedFn failed, TDeadlineClock& clock)
    : path_(std::move(path)), failed_(std::move(failed)), clock_(clock)
{
    Start(validBytes, std::move(base), kind);
}

TJournalWriter::~TJournalWriter()
{
    Stop();
}

void TJournalWriter::Start(std::size_t validBytes, TJournalBase base, TBase kind)
{
    copying_ = kind == TBase::FromFile || kind == TBase::Written;
    writer_ = std::thread(
        [this, validBytes, base = std::move(base), kind] { Write(validBytes, base, kind); });
}

// A step is due on disk a second after it is taken, however long its write
// waits.
void TJournalWriter::Added()
{
    addedAt_.push_back(clock_.Now());
    ++added_;
}

void TJournalWriter::Add(std::string record)
{
    const std::lock_guard lock(mutex_);
    // A journal that failed keeps nothing: the rows are held in memory only.
    if (hasFailed_)
        return;
    queue_ += record;
    Added();
    changed_.notify_all();
}

bool TJournalWriter::Settle(TProgress& progress)
{
    std::unique_lock lock(mutex_);
    settling_ = true;
    changed_.notify_all();
    // Records flushed of those to flush, the copy counting as one; read
    // under the lock for the progress, which is asked without it.
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    try {
        AwaitWorker(
            lock, changed_,
            [&] {
                done = synced_;
                total = added_ + (copying_ ? 1 : 0);
                return hasFailed_ || (!copying_ && synced_ == added_);
            },
            [&] { ProceedOrCancel(progress, done, total); });
    } catch (...) {
        settling_ = false;
        throw;
    }
    settling_ = false;
    return !hasFailed_;
}

void TJournalWriter::Remove()
{
    abandoned_ = true;
    Stop();
    DiscardJournal(path_);
}

void TJournalWriter::Stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    for (std::thread* thread : {&writer_, &syncer_, &copier_})
        if (thread->joinable())
            thread->join();
    journal_.reset();
}

void TJournalWriter::Fail(TFailure failure, const std::string& message)
{
    {
        const std::lock_guard lock(mutex_);
        if (std::exchange(hasFailed_, true))
            return;
        queue_.clear();
        changed_.notify_all();
    }
    failed_(failure, message);
}

// The writing thread: makes the journal, starts the others, then writes
// records as they come, never waiting for a flush.
void TJournalWriter::Write(std::size_t validBytes, const TJournalBase& base, TBase kind)
{
    try {
        journal_ = std::make_unique<TRowJournal>(
            validBytes == NewJournal ? TRowJournal(path_, base) : TRowJournal(path_, validBytes));
        // Once the journal and its folder are there; both are joined after
        // this thread, which alone starts them.
        syncer_ = std::thread([this] { Sync(); });
        if (copying_)
            copier_ = std::thread([this, base, kind] { Copy(base, kind); });
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(
                lock, [this] { return !queue_.empty() || (stopping_ && !copying_) || hasFailed_; });
            if (hasFailed_)
                return;
            const std::string batch = std::exchange(queue_, std::string());
            const std::uint64_t taken = added_;
            // The copy's record is the last to come.
            const bool last = stopping_ && !copying_;
            lock.unlock();
            journal_->Append(batch);
            lock.lock();
            written_ = taken;
            writerDone_ = last;
            changed_.notify_all();
            if (last)
                return;
        }
    } catch (const std::exception& error) {
        {
            const std::lock_guard lock(mutex_);
            if (!copier_.joinable())
                copying_ = false;
        }
        Fail(TFailure::WriteFailed, error.what());
    }
}

// The flushing thread: what is written reaches the disk within a second of
// its step, at once when a caller waits for it or the writer ends, without
// holding up the writing of later records. One loop: each time it wakes it
// looks again at what is due, and sleeps until the earliest deadline of what
// is written and not yet on disk.
void TJournalWriter::Sync()
{
    try {
        bool named = false;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (hasFailed_ || (writerDone_ && written_ == synced_))
                return;
            // The oldest step written and not yet on disk sets the deadline.
            const bool unsynced = written_ != synced_;
            const auto due =
                unsynced ? addedAt_.front() + SyncWithin : TDeadlineClock::TTime::max();
            if (!unsynced || !(settling_ || writerDone_ || clock_.Now() >= due)) {
                clock_.WaitUntil(changed_, lock, due);
                continue;
            }
            const std::uint64_t target = written_;
            lock.unlock();
            journal_->Sync();
            // The journal's name with its first steps: a new file's name is
            // not on disk until its folder is.
            if (!std::exchange(named, true))
                SyncJournalFolder(path_);
            lock.lock();
            addedAt_.erase(addedAt_.begin(),
                           addedAt_.begin() + static_cast<std::ptrdiff_t>(target - synced_));
            synced_ = target;
            changed_.notify_all();
        }
    } catch (const std::exception& error) {
        Fail(TFailure::WriteFailed, error.what());
    }
}

// The copying thread: the base file's bytes into the journal's own copy.
void TJournalWriter::Copy(const TJournalBase& base, TBase kind)
{
    std::optional<std::string> record;
    std::string failure;
    try {
        const std::string copyPath = BaseCopyPath(path_);
        record = kind == TBase::Written ? BaseCopiedRecord(copyPath, &abandoned_)
                                        : CopyBase(base, copyPath, &abandoned_);
        // Its name on disk before the record that vouches for it.
        if (record)
            SyncJournalFolder(path_);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    {
        const std::lock_guard lock(mutex_);
        copying_ = false;
        if (record && !hasFailed_) {
            queue_ += *record;
            Added();
        }
        changed_.notify_all();
    }
    // A copy given up is no failure: the journal goes with it.
    if (abandoned_)
        return;
    if (!failure.empty())
        Fail(TFailure::WriteFailed, failure);
    else if (!record)
        Fail(TFailure::BaseChanged, "the file changed before it was copied");
}

} // namespace quorva
