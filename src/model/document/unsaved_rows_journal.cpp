#include "model/document/unsaved_rows_journal.h"

#include <exception>
#include <utility>

#include "model/journal/journal_folder.h"

namespace quorva {

TUnsavedRowsJournal::TUnsavedRowsJournal(const TLineList& lines, const TKnownFile& file,
                                         TPostFn post, TReportFn failed)
    : lines_(lines), file_(file), post_(std::move(post)), report_(std::move(failed))
{
}

TUnsavedRowsJournal::~TUnsavedRowsJournal() = default;

TJournalWriter::FailedFn TUnsavedRowsJournal::FailureHandler()
{
    // Told on a writer's thread; acted on in the document's, and only while
    // that writer is still the one in use. The writer's threads end before
    // this object does, so `this` outlives every call.
    return [this, post = post_, generation = ++generation_](TJournalWriter::TFailure failure,
                                                            const std::string& message) {
        post([this, generation, failure, message] {
            if (generation_ == generation)
                Failure(failure, message);
        });
    };
}

void TUnsavedRowsJournal::Prepare(const std::string& fileName)
{
    early_.reset();
    try {
        early_ = std::make_unique<TEarlyBaseCopy>(fileName, JournalFolder());
    } catch (const std::exception&) {
        // No copy yet: the journal makes its own at the first edit.
    }
}

void TUnsavedRowsJournal::Record(bool apply, const TRowChange& change)
{
    if (failed_)
        return;
    if (!writer_) {
        const TJournalBase base{file_.AbsoluteName(), file_.Identity()};
        try {
            if (base.fileName.empty())
                writer_ = std::make_unique<TJournalWriter>(
                    NewJournalPath(), base, TJournalWriter::TBase::None, FailureHandler());
            else if (IdentifyFile(base.fileName) == base.identity)
                writer_ = std::make_unique<TJournalWriter>(
                    NewJournalPath(), base, TJournalWriter::TBase::FromFile, FailureHandler(),
                    SteadyDeadlineClock(), nullptr, nullptr,
                    early_ && early_->Copies(base) ? std::move(early_) : nullptr);
        } catch (const std::exception& error) {
            Failure(TJournalWriter::TFailure::WriteFailed, error.what());
            return;
        }
        if (!writer_) {
            // The file is no longer what the rows were read from: the
            // journal starts from the rows themselves, once this step is
            // done, unless they are saved or given up first.
            if (!std::exchange(rebaseWanted_, true))
                post_([this] {
                    if (std::exchange(rebaseWanted_, false))
                        Rebase();
                });
            return;
        }
    }
    writer_->Add(apply, change);
}

void TUnsavedRowsJournal::Rebase()
{
    if (failed_)
        return;
    try {
        const std::string path = NewJournalPath();
        writer_ = std::make_unique<TJournalWriter>(
            path, TJournalBase{file_.AbsoluteName(), file_.Identity(), true},
            TJournalWriter::TBase::FromRows, FailureHandler(), SteadyDeadlineClock(),
            SnapshotOf(lines_), std::move(writer_));
    } catch (const std::exception& error) {
        Failure(TJournalWriter::TFailure::WriteFailed, error.what());
    }
}

// A journal that fails is kept as far as it got, and still the document's:
// a crash then gives back what it holds, and a Save deletes it.
void TUnsavedRowsJournal::Failure(TJournalWriter::TFailure failure, const std::string& message)
{
    if (failure == TJournalWriter::TFailure::BaseChanged) {
        Rebase();
        return;
    }
    if (std::exchange(failed_, true))
        return;
    report_(JournalLostMessage(message));
}

void TUnsavedRowsJournal::Adopt(TLeftJournal&& held, const TJournalReplay& replay)
{
    Remove();
    try {
        writer_ = std::make_unique<TJournalWriter>(
            std::move(held), replay, TJournalWriter::KindFor(replay), FailureHandler());
    } catch (const std::exception& error) {
        // Out of threads or memory: the journal stays as it was, and held.
        held_ = std::move(held);
        failed_ = true;
        report_(JournalNotTakenMessage(error.what()));
    }
}

bool TUnsavedRowsJournal::Settle(TProgress& progress)
{
    return writer_ ? writer_->Settle(progress) : !failed_;
}

void TUnsavedRowsJournal::Remove()
{
    if (writer_)
        writer_->Remove();
    writer_.reset();
    if (held_.fd.Valid())
        DiscardJournal(held_.path);
    held_ = {};
    failed_ = false;
    // Nothing asked of the journal before now is to be done any more.
    rebaseWanted_ = false;
    ++generation_;
}

} // namespace quorva
