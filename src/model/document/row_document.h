#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/base/progress.h"
#include "model/document/unsaved_rows_journal.h"
#include "model/files/file_identity.h"
#include "model/journal/journal_folder.h"
#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_table.h"

namespace quorva {

// Rows read back from a journal left behind, not yet any document's.
struct TLeftRows {
    TRowTable rows;
    TLineList lines{rows};
    TJournalReplay replay;
};

// Reads the journal left behind, and held, `journal`, as ReadLeftJournal
// does: nothing when it holds nothing to offer; raises Error with what the
// user is to be told, and Cancelled through `progress`.
std::unique_ptr<TLeftRows> ReadLeftRows(const TLeftJournal& journal, TProgress& progress);

// One row list through its life: begun empty, opened from a file, restored
// from a journal left behind, saved, given up. It knows the file the rows
// belong to, as that file was when last read or written, and whether the
// rows differ from it; while they do, every step taken on them is kept in a
// journal on disk, which goes once they are saved or given up.
//
// Its history of steps is kept by whoever takes them: each step done is
// told here once made, each undone or redone before it is, so that undoing
// back to the saved rows makes them saved again.
// Destroying it leaves the journal on disk, as a window that ended unsaved.
class TRowDocument {
public:
    // `post` and `failed` as the journal takes them (TUnsavedRowsJournal).
    TRowDocument(TPostFn post, TReportFn failed);
    ~TRowDocument();
    TRowDocument(const TRowDocument&) = delete;
    TRowDocument& operator=(const TRowDocument&) = delete;

    TRowTable& Rows() { return rows_; }
    const TRowTable& Rows() const { return rows_; }
    TLineList& Lines() { return lines_; }
    const TLineList& Lines() const { return lines_; }
    // The file the rows were last opened from or saved to, as it was then.
    const TKnownFile& File() const { return file_; }

    // Whether the rows differ from what was last opened or saved, or from
    // the empty list begun.
    bool Unsaved() const { return revisions_[position_] != saved_; }
    // Whether writing `fileName` would replace the known file as another
    // has changed it since.
    bool ChangedOnDisk(const std::string& fileName) const
    {
        return file_.ChangedByAnother(fileName);
    }

    // An empty list with no file; the journal of the rows before goes.
    void New();
    // Reads the rows of `fileName`, all or nothing, as OpenRowListFile does:
    // on failure (Error, Cancelled) the rows, their file and their journal
    // are as they were.
    void Open(const std::string& fileName, TProgress& progress);
    // Writes the rows to `fileName` once their journal holds every step, so
    // that a failure part way loses none; it is then their file, and they
    // are saved. Raises Error and Cancelled, and the rows are then unsaved
    // as before.
    void Save(const std::string& fileName, TProgress& progress);
    // Takes the rows `left` read from `journal`: unsaved, with no step of
    // theirs to undo, belonging to the file as the journal knew it (so that
    // a Save over a file changed since is seen as such); the journal goes on
    // as this document's.
    void Restore(TLeftJournal&& journal, TLeftRows&& left);
    // The rows are given up: their journal is deleted.
    void Discard();

    // A new step, just made: a step undone before it can no longer be
    // redone.
    void StepDone(const TRowChange& step);
    // A step of the history undone (`apply` false) or redone, about to be.
    void StepTaken(bool apply, const TRowChange& step);

private:
    // A history that begins with the rows as they stand, saved.
    void Begin();
    void Saved();

    TRowTable rows_;
    TLineList lines_{rows_};
    TKnownFile file_;
    TUnsavedRowsJournal journal_;
    // Each state of the history has a revision no other state ever has:
    // the rows are saved when the state at `position_` is the one saved.
    std::vector<std::uint64_t> revisions_{0};
    std::size_t position_ = 0;
    std::uint64_t lastRevision_ = 0;
    // Nothing when no state of the history is saved (restored rows).
    std::optional<std::uint64_t> saved_ = 0;
};

} // namespace quorva
