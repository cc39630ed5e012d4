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

std::shared_ptr<const TRowsSnapshot> SnapshotOf(const TLineList& lines)
{
    auto snapshot = std::make_shared<TRowsSnapshot>();
    snapshot->lines = lines;
    if (lines.Rows()) {
        snapshot->rows = *lines.Rows();
        snapshot->lines.AssignRows(snapshot->rows, lines.Stored());
    }
    return snapshot;
}

TJournalWriter::TJournalWriter(std::string path, TJournalBase base, TBase kind, FailedFn failed,
                               TDeadlineClock& clock, std::shared_ptr<const TRowsSnapshot> rows,
                               std::unique_ptr<TJournalWriter> predecessor,
                               std::unique_ptr<TEarlyBaseCopy> early)
    : path_(std::move(path)), failed_(std::move(failed)), clock_(clock), rows_(std::move(rows)),
      predecessor_(std::move(predecessor)), early_(std::move(early))
{
    Start(NewJournal, std::move(base), kind);
}

TJournalWriter::TJournalWriter(TLeftJournal&& held, const TJournalReplay& replay, TBase kind,
                               FailedFn failed, TDeadlineClock& clock)
    : path_(held.path), failed_(std::move(failed)), clock_(clock), held_(std::move(held.fd))
{
    nextStep_ = replay.version == 2 ? 0 : static_cast<std::uint64_t>(replay.steps) + 1;
    try {
        Start(replay.validBytes, replay.base, kind);
    } catch (...) {
        // No thread took it: the journal is the caller's again, as it was.
        held.fd = std::move(held_);
        throw;
    }
}

TJournalWriter::TBase TJournalWriter::KindFor(const TJournalReplay& replay)
{
    return replay.base.fileName.empty() ? TBase::None
           : replay.baseCopied          ? TBase::Copied
                                        : TBase::FromFile;
}

TJournalWriter::~TJournalWriter()
{
    Stop();
}

void TJournalWriter::Start(std::size_t validBytes, TJournalBase base, TBase kind)
{
    copying_ = kind == TBase::FromFile || kind == TBase::FromRows;
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

void TJournalWriter::Add(bool apply, const TRowChange& change)
{
    const std::lock_guard lock(mutex_);
    // A journal that failed keeps nothing: the rows are held in memory only.
    if (hasFailed_)
        return;
    queue_ += StepRecord(apply, change, nextStep_);
    if (nextStep_ != 0)
        ++nextStep_;
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
    if (early_)
        early_->Cancel();
    Stop();
    if (predecessor_)
        predecessor_->Remove();
    if (journal_)
        journal_->Remove();
    journal_.reset();
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
        auto journal = validBytes == NewJournal
                           ? std::make_unique<TRowJournal>(path_, base)
                           : std::make_unique<TRowJournal>(path_, std::move(held_), validBytes);
        {
            const std::lock_guard lock(mutex_);
            journal_ = std::move(journal);
        }
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
        if (kind == TBase::FromRows)
            record = WriteBaseCopy(rows_->lines, copyPath, &abandoned_);
        else if (early_ && early_->Copies(base))
            record = early_->LinkAt(copyPath);
        if (!record && kind != TBase::FromRows)
            record = CopyBase(base, copyPath, &abandoned_);
        // Its name on disk before the record that vouches for it.
        if (record)
            SyncJournalFolder(path_);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // Failed before the copy is done with, so that no Settle meanwhile takes
    // the journal for whole. A copy given up is no failure: the journal goes
    // with it.
    if (!abandoned_ && !failure.empty())
        Fail(TFailure::WriteFailed, failure);
    else if (!abandoned_ && !record)
        Fail(TFailure::BaseChanged, "the file changed before it was copied");
    std::uint64_t vouched = 0;
    {
        const std::lock_guard lock(mutex_);
        copying_ = false;
        if (record && !hasFailed_) {
            queue_ += *record;
            Added();
            vouched = added_;
        }
        changed_.notify_all();
    }
    rows_.reset();
    if (vouched != 0 && !abandoned_)
        RetirePredecessor(vouched);
}

// The journal this one follows goes once this one's copy is vouched for on
// disk: until then, only it holds the rows.
void TJournalWriter::RetirePredecessor(std::uint64_t record)
{
    if (!predecessor_)
        return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return hasFailed_ || synced_ >= record || abandoned_; });
        if (synced_ < record)
            return;
    }
    predecessor_->Remove();
    predecessor_.reset();
}

} // namespace quorva
