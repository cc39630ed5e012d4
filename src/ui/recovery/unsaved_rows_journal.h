#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

#include "model/files/file_identity.h"
#include "model/journal/journal_writer.h"
#include "model/rows/line_list.h"
#include "model/rows/row_change.h"

namespace quorva {

// The window's unsaved steps kept in a journal on disk, so that a crash, a
// kill or a power cut loses none that the window showed for more than a
// moment. The journal holds its own copy of the file the rows came from, so
// it gives them back whatever becomes of that file. The records, the copy
// and their flushes are written by the journal's own threads, never while
// the user types. The window's thread does only what starts and ends a
// journal: it finds the journal folder (making it if missing), checks the
// file the rows came from, takes the snapshot of the rows a rebase writes
// out, and on Remove deletes the journal's files.
//
// A journal that can't be kept is reported once (Failed); the rows are then
// held in memory only until they are saved or given up.
// Destroying it leaves the journal on disk: only Remove deletes it.
class TUnsavedRowsJournal : public QObject {
    Q_OBJECT

public:
    // Journals the steps taken on `lines`, which began as `file` held them.
    TUnsavedRowsJournal(const TLineList& lines, const TKnownFile& file, QObject* parent = nullptr);
    ~TUnsavedRowsJournal() override;

    // The rows are about to be read from `fileName`, or were just saved to
    // it: a copy of it for the journal is begun at once, so that the first
    // edit finds it made.
    void Prepare(const std::string& fileName);
    // A step about to be applied or reverted; the journal begins with the
    // first.
    void Record(bool apply, const TRowChange& change);
    // Goes on with a journal left behind, held, whose rows this window
    // restored. When it cannot be taken over, it stays as it was, and still
    // this window's, until the rows are saved or given up.
    void Adopt(TLeftJournal&& held, const TJournalReplay& replay);
    // Waits until every step is on disk, as before the file they came from
    // is rewritten; false when they are not kept. Cancelled when `progress`
    // says stop.
    bool Settle(TProgress& progress);
    // The rows are saved or given up.
    void Remove();

signals:
    // The unsaved rows are no longer kept on disk: `message` says so, and
    // why.
    void Failed(const QString& message);

private:
    TJournalWriter::FailedFn FailureHandler();
    void Failure(TJournalWriter::TFailure failure, const QString& message);
    // Starts the journal again from the lines as they stand: the snapshot is
    // taken here, on the window's thread, and written out by the new
    // journal's threads; the old one goes once the new one holds them.
    void Rebase();

    const TLineList& lines_;
    const TKnownFile& file_;
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
