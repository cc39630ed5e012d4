#include "model/journal/journal_writer.h"

#include "model/journal/journal_folder.h"

#include <chrono>
#include <optional>
#include <utility>

namespace quorva {

namespace {

using TClock = std::chrono::steady_clock;

// How long a written record may wait for its flush to the disk: what a power
// cut may lose at most.
constexpr auto SyncWithin = std::chrono::seconds(1);
constexpr std::size_t NewJournal = static_cast<std::size_t>(-1);

} // namespace

TJournalWriter::TJournalWriter(std::string path, TJournalBase base, TBase kind, FailedFn failed)
    : path_(std::move(path)), failed_(std::move(failed))
{
    Start(NewJournal, std::move(base), kind);
}

TJournalWriter::TJournalWriter(std::string path, std::size_t validBytes, TJournalBase base,
                               TBase kind, FailedFn failed)
    : path_(std::move(path)), failed_(std::move(failed))
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

void TJournalWriter::Add(std::string record)
{
    const std::lock_guard lock(mutex_);
    // A journal that failed keeps nothing: the rows are held in memory only.
    if (hasFailed_)
        return;
    queue_ += record;
    ++added_;
    changed_.notify_all();
}

bool TJournalWriter::Settle()
{
    std::unique_lock lock(mutex_);
    settling_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return hasFailed_ || (!copying_ && synced_ == added_); });
    settling_ = false;
    return !hasFailed_;
}

void TJournalWriter::Remove()
{
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
    if (writer_.joinable())
        writer_.join();
    if (copier_.joinable())
        copier_.join();
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

// The writing thread: writes records as they come, and flushes them once a
// second at most, at once when a caller waits for them or the writer ends.
void TJournalWriter::Write(std::size_t validBytes, const TJournalBase& base, TBase kind)
{
    try {
        TRowJournal journal =
            validBytes == NewJournal ? TRowJournal(path_, base) : TRowJournal(path_, validBytes);
        // Once the journal and its folder are there; the copier is joined
        // after this thread, which alone starts it.
        if (copying_)
            copier_ = std::thread([this, base, kind] { Copy(base, kind); });
        // Written but not yet flushed, to be flushed by `syncBy`.
        bool unsynced = false;
        TClock::time_point syncBy;
        std::unique_lock lock(mutex_);
        for (;;) {
            const auto ready = [&] {
                return !queue_.empty() || (stopping_ && !copying_) || hasFailed_ ||
                       (settling_ && synced_ != added_) || (unsynced && TClock::now() >= syncBy);
            };
            if (unsynced)
                changed_.wait_until(lock, syncBy, ready);
            else
                changed_.wait(lock, ready);
            if (hasFailed_)
                return;
            const std::string batch = std::exchange(queue_, std::string());
            const std::uint64_t taken = added_;
            const bool flushNow = stopping_ || settling_;
            // The copy's record is the last to come.
            const bool last = stopping_ && !copying_;
            lock.unlock();
            if (!batch.empty()) {
                journal.Append(batch);
                if (!std::exchange(unsynced, true))
                    syncBy = TClock::now() + SyncWithin;
            }
            if (unsynced && (flushNow || TClock::now() >= syncBy)) {
                journal.Sync();
                unsynced = false;
            }
            lock.lock();
            if (!unsynced) {
                synced_ = taken;
                changed_.notify_all();
            }
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

// The copying thread: the base file's bytes into the journal's own copy.
void TJournalWriter::Copy(const TJournalBase& base, TBase kind)
{
    std::optional<std::string> record;
    std::string failure;
    try {
        const std::string copyPath = BaseCopyPath(path_);
        record = kind == TBase::Written ? BaseCopiedRecord(copyPath) : CopyBase(base, copyPath);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    {
        const std::lock_guard lock(mutex_);
        copying_ = false;
        if (record && !hasFailed_) {
            queue_ += *record;
            ++added_;
        }
        changed_.notify_all();
    }
    if (!failure.empty())
        Fail(TFailure::WriteFailed, failure);
    else if (!record)
        Fail(TFailure::BaseChanged, "the file changed before it was copied");
}

} // namespace quorva
