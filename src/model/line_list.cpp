#include "model/line_list.h"

#include <stdexcept>
#include <utility>

namespace quorva {
namespace {

void CheckIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("line index out of range");
}

void CheckSpans(std::string_view text, const std::vector<TTextSpan>& lineSpans)
{
    for (const TTextSpan& span : lineSpans)
        if (span.offset > text.size() || span.length > text.size() - span.offset)
            throw std::out_of_range("line outside its text");
}

} // namespace

std::string_view TLineList::Line(int index) const
{
    CheckIndex(index, Count());
    return spans_[static_cast<std::size_t>(index)].In(text_);
}

std::vector<std::string> TLineList::Lines() const
{
    std::vector<std::string> lines;
    lines.reserve(spans_.size());
    for (const TTextSpan& span : spans_)
        lines.emplace_back(span.In(text_));
    return lines;
}

TTextSpan TLineList::Store(std::string_view text)
{
    const TTextSpan span{text_.size(), text.size()};
    text_.append(text);
    liveBytes_ += text.size();
    return span;
}

void TLineList::ReclaimIfWasteful()
{
    constexpr std::size_t SmallWaste = 1 << 16;
    if (text_.size() - liveBytes_ <= liveBytes_ + SmallWaste)
        return;
    std::string compact;
    compact.reserve(liveBytes_);
    for (TTextSpan& span : spans_) {
        const std::size_t offset = compact.size();
        compact.append(span.In(text_));
        span.offset = offset;
    }
    text_ = std::move(compact);
}

void TLineList::Replace(int index, std::string_view text)
{
    CheckIndex(index, Count());
    TTextSpan& span = spans_[static_cast<std::size_t>(index)];
    liveBytes_ -= span.length;
    span = Store(text);
    ReclaimIfWasteful();
    if (observer_)
        observer_->LinesChanged(index, index);
}

void TLineList::Add(std::string_view text)
{
    const int index = Count();
    if (observer_)
        observer_->LinesAboutToBeInserted(index, index);
    spans_.push_back(Store(text));
    if (observer_)
        observer_->LinesInserted(index, index);
}

void TLineList::Append(std::string_view text, const std::vector<TTextSpan>& lineSpans)
{
    if (lineSpans.empty())
        return;
    CheckSpans(text, lineSpans);
    const int first = Count();
    const int last = first + static_cast<int>(lineSpans.size()) - 1;
    if (observer_)
        observer_->LinesAboutToBeInserted(first, last);
    // Room first, so that a failed allocation leaves the list as it was.
    std::size_t added = 0;
    for (const TTextSpan& span : lineSpans)
        added += span.length;
    text_.reserve(text_.size() + added);
    spans_.reserve(spans_.size() + lineSpans.size());
    for (const TTextSpan& span : lineSpans)
        spans_.push_back(Store(span.In(text)));
    if (observer_)
        observer_->LinesInserted(first, last);
}

void TLineList::Delete(int index)
{
    CheckIndex(index, Count());
    if (observer_)
        observer_->LinesAboutToBeRemoved(index, index);
    liveBytes_ -= spans_[static_cast<std::size_t>(index)].length;
    spans_.erase(spans_.begin() + index);
    ReclaimIfWasteful();
    const int oldSelected = selected_;
    if (selected_ == index)
        selected_ = NoSelection;
    else if (selected_ > index)
        --selected_;
    if (observer_) {
        observer_->LinesRemoved(index, index);
        if (selected_ != oldSelected)
            observer_->SelectionChanged(selected_);
    }
}

void TLineList::Clear()
{
    AssignText({}, {});
}

void TLineList::Assign(const std::vector<std::string>& lines)
{
    std::string text;
    std::vector<TTextSpan> spans;
    spans.reserve(lines.size());
    for (const std::string& line : lines) {
        spans.push_back({text.size(), line.size()});
        text += line;
    }
    AssignText(std::move(text), std::move(spans));
}

void TLineList::AssignText(std::string text, std::vector<TTextSpan> lineSpans)
{
    CheckSpans(text, lineSpans);
    if (observer_)
        observer_->LinesAboutToBeReset();
    text_ = std::move(text);
    spans_ = std::move(lineSpans);
    liveBytes_ = 0;
    for (const TTextSpan& span : spans_)
        liveBytes_ += span.length;
    const bool hadSelection = selected_ != NoSelection;
    selected_ = NoSelection;
    if (observer_) {
        observer_->LinesReset();
        if (hadSelection)
            observer_->SelectionChanged(NoSelection);
    }
}

void TLineList::Select(int index)
{
    if (index != NoSelection)
        CheckIndex(index, Count());
    SetSelected(index);
}

void TLineList::SetSelected(int index)
{
    if (selected_ == index)
        return;
    selected_ = index;
    if (observer_)
        observer_->SelectionChanged(index);
}

} // namespace quorva
