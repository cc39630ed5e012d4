#include "ui/recovery/unsaved_rows_journal.h"

#include <QPointer>

#include <exception>
#include <utility>

#include "model/journal/journal_folder.h"
#include "model/rows/row_list_file.h"

namespace quorva {

TUnsavedRowsJournal::TUnsavedRowsJournal(const TLineList& lines, const TKnownFile& file,
                                         QObject* parent)
    : QObject(parent), lines_(lines), file_(file)
{
}

TUnsavedRowsJournal::~TUnsavedRowsJournal() = default;

TJournalWriter::FailedFn TUnsavedRowsJournal::FailureHandler()
{
    // Told on a writer's thread; acted on in the window's, and only while
    // that writer is still the one in use.
    return [self = QPointer<TUnsavedRowsJournal>(this), generation = ++generation_](
               TJournalWriter::TFailure failure, const std::string& message) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, failure, text = QString::fromStdString(message)] {
                if (self && self->generation_ == generation)
                    self->Failure(failure, text);
            },
            Qt::QueuedConnection);
    };
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
                    NewJournalPath(), base, TJournalWriter::TBase::FromFile, FailureHandler());
        } catch (const std::exception& error) {
            Failure(TJournalWriter::TFailure::WriteFailed, QString::fromStdString(error.what()));
            return;
        }
        if (!writer_) {
            // The file is no longer what the rows were read from: the
            // journal starts from the rows themselves, once this step is
            // done, unless they are saved or given up first.
            if (!std::exchange(rebaseWanted_, true))
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (std::exchange(rebaseWanted_, false))
                            Rebase();
                    },
                    Qt::QueuedConnection);
            return;
        }
    }
    writer_->Add(StepRecord(apply, change));
}

void TUnsavedRowsJournal::Rebase()
{
    if (failed_)
        return;
    if (writer_)
        writer_->Remove();
    writer_.reset();
    try {
        const std::string path = NewJournalPath();
        SaveRowListFile(lines_, BaseCopyPath(path));
        writer_ = std::make_unique<TJournalWriter>(
            path, TJournalBase{file_.AbsoluteName(), file_.Identity()},
            TJournalWriter::TBase::Written, FailureHandler());
    } catch (const std::exception& error) {
        Failure(TJournalWriter::TFailure::WriteFailed, QString::fromStdString(error.what()));
    }
}

void TUnsavedRowsJournal::Failure(TJournalWriter::TFailure failure, const QString& message)
{
    if (failure == TJournalWriter::TFailure::BaseChanged) {
        Rebase();
        return;
    }
    if (failed_)
        return;
    failed_ = true;
    if (writer_)
        writer_->Remove();
    writer_.reset();
    emit Failed(message);
}

void TUnsavedRowsJournal::Adopt(const std::string& path, const TJournalReplay& replay)
{
    Remove();
    const auto kind = replay.base.fileName.empty() ? TJournalWriter::TBase::None
                      : replay.baseCopied          ? TJournalWriter::TBase::Copied
                                                   : TJournalWriter::TBase::FromFile;
    try {
        writer_ = std::make_unique<TJournalWriter>(path, replay.validBytes, replay.base, kind,
                                                   FailureHandler());
    } catch (const std::exception& error) {
        Failure(TJournalWriter::TFailure::WriteFailed, QString::fromStdString(error.what()));
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
    failed_ = false;
    // Nothing asked of the journal before now is to be done any more.
    rebaseWanted_ = false;
    ++generation_;
}

} // namespace quorva
