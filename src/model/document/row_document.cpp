#include "model/document/row_document.h"

#include <utility>

#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"

namespace quorva {

std::unique_ptr<TLeftRows> ReadLeftRows(const TLeftJournal& journal, TProgress& progress)
{
    auto left = std::make_unique<TLeftRows>();
    auto replay = ReadLeftJournal(journal, left->rows, left->lines, progress);
    if (!replay)
        return nullptr;
    left->replay = std::move(*replay);
    return left;
}

TRowDocument::TRowDocument(TPostFn post, TReportFn failed)
    : journal_(lines_, file_, std::move(post), std::move(failed))
{
}

TRowDocument::~TRowDocument() = default;

void TRowDocument::Begin()
{
    revisions_.assign(1, ++lastRevision_);
    position_ = 0;
    Saved();
}

void TRowDocument::Saved()
{
    saved_ = revisions_[position_];
    journal_.Remove();
}

void TRowDocument::New()
{
    ClearRows(rows_, lines_);
    Begin();
    file_.Forget();
}

void TRowDocument::Open(const std::string& fileName, TProgress& progress)
{
    // Copied for the journal while it is read.
    journal_.Prepare(fileName);
    OpenRowListFile(lines_, rows_, fileName, progress);
    Begin();
    file_.Remember(fileName);
}

void TRowDocument::Save(const std::string& fileName, TProgress& progress)
{
    // The journal keeps the rows while the file they came from is
    // rewritten. Its copy of a large file may still be under way: Cancel
    // while it is awaited leaves file and rows as they are.
    journal_.Settle(progress);
    SaveRowListFile(lines_, fileName, progress);
    file_.Remember(fileName);
    Saved();
    journal_.Prepare(fileName);
}

void TRowDocument::Restore(TLeftJournal&& journal, TLeftRows&& left)
{
    rows_ = std::move(left.rows);
    lines_.AssignRows(rows_, left.lines.Stored());
    revisions_.assign(1, ++lastRevision_);
    position_ = 0;
    saved_.reset();
    file_.Remember(left.replay.base.fileName, left.replay.base.identity);
    journal_.Adopt(std::move(journal), left.replay);
}

void TRowDocument::Discard()
{
    journal_.Remove();
}

void TRowDocument::StepDone(const TRowChange& step)
{
    journal_.Record(true, step);
    revisions_.resize(position_ + 1);
    revisions_.push_back(++lastRevision_);
    ++position_;
}

void TRowDocument::StepTaken(bool apply, const TRowChange& step)
{
    if (apply ? position_ + 1 >= revisions_.size() : position_ == 0)
        return;
    journal_.Record(apply, step);
    position_ = apply ? position_ + 1 : position_ - 1;
    if (!Unsaved())
        journal_.Remove();
}

} // namespace quorva
