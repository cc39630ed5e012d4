#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "model/files/file_identity.h"
#include "model/journal/journal_writer.h"
#include "model/rows/line_list.h"
#include "model/rows/row_change.h"

namespace quorva {

// Runs a task later on the thread that owns the document, and never once the
// document has gone.
using TPostFn = std::function<void(std::function<void()> task)>;
// Told, on the document's thread, what the user is to read of a failure.
using TReportFn = std::function<void(const std::string& message)>;

// The document's unsaved steps kept in a journal on disk, so that a crash, a
// kill or a power cut loses none that the window showed for more than a
// moment. The journal holds its own copy of the file the rows came from, so
// it gives them back whatever becomes of that file. The records, the copy,
// their flushes and a rebase's snapshot are written by the journal's own
// threads, never while the user types. The document's thread does only what
// starts and ends a journal: it finds the journal folder (making it if
// missing), checks the file the rows came from, takes the snapshot of the
// rows a rebase writes out, and on Remove deletes the journal's files.
//
// A journal that can't be kept is reported once (`failed`); the rows are
// then held in memory only until they are saved or given up.
// Destroying it leaves the journal on disk: only Remove deletes it.
class TUnsavedRowsJournal {
public:
    // Journals the steps taken on `lines`, which began as `file` held them.
    // `post` carries what a writer's thread tells back to this one.
    TUnsavedRowsJournal(const TLineList& lines, const TKnownFile& file, TPostFn post,
                        TReportFn failed);
    ~TUnsavedRowsJournal();
    TUnsavedRowsJournal(const TUnsavedRowsJournal&) = delete;
    TUnsavedRowsJournal& operator=(const TUnsavedRowsJournal&) = delete;

    // The rows are about to be read from `fileName`, or were just saved to
    // it: a copy of it for the journal is begun at once, so that the first
    // edit finds it made.
    void Prepare(const std::string& fileName);
    // A step about to be applied or reverted; the journal begins with the
    // first.
    void Record(bool apply, const TRowChange& change);
    // Goes on with a journal left behind, held, whose rows the document
    // restored. When it cannot be taken over, it stays as it was, and still
    // the document's, until the rows are saved or given up.
    void Adopt(TLeftJournal&& held, const TJournalReplay& replay);
    // Waits until every step is on disk, as before the file they came from
    // is rewritten; false when they are not kept. Cancelled when `progress`
    // says stop.
    bool Settle(TProgress& progress);
    // The rows are saved or given up.
    void Remove();

private:
    TJournalWriter::FailedFn FailureHandler();
    void Failure(TJournalWriter::TFailure failure, const std::string& message);
    // Starts the journal again from the lines as they stand: the snapshot is
    // taken here, on the document's thread, and written out by the new
    // journal's threads; the old one goes once the new one holds them.
    void Rebase();

    const TLineList& lines_;
    const TKnownFile& file_;
    TPostFn post_;
    TReportFn report_;
    std::unique_ptr<TJournalWriter> writer_;
    // The copy begun of the file, until a journal takes it.
    std::unique_ptr<TEarlyBaseCopy> early_;
    // A journal left behind that could not be taken over, held as it was.
    TLeftJournal held_;
    // Set when the journal failed: one begun later would miss the steps
    // before it, so none is begun until the rows are saved or given up.
    bool failed_ = false;
    // Tells a failure of the writer in use from one of a writer since
    // replaced or removed.
    std::uint64_t generation_ = 0;
    // Set while a start from the rows themselves waits for its turn.
    bool rebaseWanted_ = false;
};

} // namespace quorva
