#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "model/base/deadline_clock.h"
#include "model/base/progress.h"
#include "model/journal/early_base_copy.h"
#include "model/journal/journal_folder.h"
#include "model/journal/row_journal.h"
#include "model/rows/line_list.h"
#include "model/rows/row_table.h"

namespace quorva {

// The rows as they stood at a moment, for a journal's thread to write out
// while the window goes on with its own.
struct TRowsSnapshot {
    TRowTable rows;
    TLineList lines;
};
std::shared_ptr<const TRowsSnapshot> SnapshotOf(const TLineList& lines);

// Carries a journal's records to disk on threads of its own, so that the
// window that takes the steps never waits for the disk. Each record is
// written as soon as it comes; a second thread flushes what is written to
// the disk (fdatasync) within a second, so that a slow flush holds up no
// later record; a third copies the base file, so that a large copy holds up
// nothing either.
//
// The threads live as long as the object, which joins them on every path.
class TJournalWriter {
public:
    enum class TBase {
        None,     // rows begun empty: nothing to copy
        FromFile, // copy the base file while it stays as the rows were read
        FromRows, // write the rows of a snapshot as the copy
        Copied,   // a journal taken over whose copy is already vouched for
    };
    enum class TFailure {
        BaseChanged, // the base file changed before it was copied
        WriteFailed, // the journal can't be written: its message says why
    };
    // How a journal left behind goes on, as `replay` read it.
    static TBase KindFor(const TJournalReplay& replay);
    // Told once, on one of the writer's threads, when the journal fails.
    using FailedFn = std::function<void(TFailure, const std::string& message)>;

    // Begins a new journal at `path`; from `rows` for FromRows, and for
    // FromFile with the copy `early` begun of the file, where it has one. The
    // journal it follows, `predecessor`, is deleted once this one holds the
    // rows on disk, and kept on disk if it never does. `clock` times the
    // flushes.
    TJournalWriter(std::string path, TJournalBase base, TBase kind, FailedFn failed,
                   TDeadlineClock& clock = SteadyDeadlineClock(),
                   std::shared_ptr<const TRowsSnapshot> rows = nullptr,
                   std::unique_ptr<TJournalWriter> predecessor = nullptr,
                   std::unique_ptr<TEarlyBaseCopy> early = nullptr);
    // Goes on with a journal left behind, `held`, as `replay` read it. When
    // no thread can be started, raises std::system_error and `held` is still
    // the caller's, untouched.
    TJournalWriter(TLeftJournal&& held, const TJournalReplay& replay, TBase kind, FailedFn failed,
                   TDeadlineClock& clock = SteadyDeadlineClock());
    // Writes and flushes what has come, then ends the threads; the journal
    // stays on disk.
    ~TJournalWriter();
    TJournalWriter(const TJournalWriter&) = delete;
    TJournalWriter& operator=(const TJournalWriter&) = delete;

    const std::string& Path() const { return path_; }

    // A step applied or taken back; never waits for the disk.
    void Add(bool apply, const TRowChange& change);
    // Waits until every record added so far, and the base copy, are on
    // disk; false when the journal has failed. Asks `progress` all the
    // while, and stops waiting with Cancelled when it says stop: what was
    // added is still written and flushed.
    bool Settle(TProgress& progress = NoProgress());
    // Ends the threads and deletes the journal and its copy, when it is
    // this writer's: one it failed to make or take is left alone.
    void Remove();

private:
    void Start(std::size_t validBytes, TJournalBase base, TBase kind);
    void Added();
    void Write(std::size_t validBytes, const TJournalBase& base, TBase kind);
    void Sync();
    void Copy(const TJournalBase& base, TBase kind);
    void RetirePredecessor(std::uint64_t record);
    void Fail(TFailure failure, const std::string& message);
    void Stop();

    const std::string path_;
    FailedFn failed_;
    TDeadlineClock& clock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string queue_;
    // The number of the next step; 0 for a journal of version 2.
    std::uint64_t nextStep_ = 1;
    // A journal left behind, held until the writing thread takes it over.
    TFileDescriptor held_;
    std::shared_ptr<const TRowsSnapshot> rows_;
    std::unique_ptr<TJournalWriter> predecessor_;
    std::unique_ptr<TEarlyBaseCopy> early_;
    std::uint64_t added_ = 0;   // records added, counting the copy's
    std::uint64_t written_ = 0; // of those, records written
    std::uint64_t synced_ = 0;  // of those, records flushed to disk
    // When each record not yet flushed was added, oldest first.
    std::deque<TDeadlineClock::TTime> addedAt_;
    bool writerDone_ = false;
    bool copying_ = false;
    bool settling_ = false;
    bool stopping_ = false;
    bool hasFailed_ = false;
    // Set when the journal is being removed: its copy is of no more use.
    std::atomic<bool> abandoned_ = false;
    // Made by the writing thread before it starts the others.
    std::unique_ptr<TRowJournal> journal_;
    std::thread writer_;
    std::thread syncer_;
    std::thread copier_;
};

} // namespace quorva
