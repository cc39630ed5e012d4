#include "ui/unsaved_rows_journal.h"

#include <cstdio>
#include <exception>

namespace quorva {

namespace {

constexpr int FlushDelayMs = 200;

} // namespace

TUnsavedRowsJournal::TUnsavedRowsJournal(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setInterval(FlushDelayMs);
    connect(&timer_, &QTimer::timeout, this, &TUnsavedRowsJournal::Flush);
}

template <class TAction> void TUnsavedRowsJournal::Guarded(TAction action)
{
    try {
        action();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorva: unsaved rows are not kept on disk: %s\n", error.what());
        journal_.reset();
        failed_ = true;
    }
}

void TUnsavedRowsJournal::Record(bool apply, const TRowChange& change,
                                 const std::string& baseFileName)
{
    if (failed_)
        return;
    Guarded([&] {
        if (!journal_)
            journal_ = std::make_unique<TRowJournal>(NewJournalPath(), baseFileName);
        journal_->Add(apply, change);
    });
    if (!timer_.isActive())
        timer_.start();
}

void TUnsavedRowsJournal::Adopt(const std::string& path, std::size_t validBytes)
{
    journal_.reset();
    Guarded([&] { journal_ = std::make_unique<TRowJournal>(path, validBytes); });
}

void TUnsavedRowsJournal::Remove()
{
    timer_.stop();
    if (journal_)
        journal_->Remove();
    journal_.reset();
    failed_ = false;
}

void TUnsavedRowsJournal::Flush()
{
    if (journal_ && journal_->HasPending())
        Guarded([&] { journal_->Flush(); });
}

} // namespace quorva
