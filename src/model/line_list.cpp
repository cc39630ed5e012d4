#include "model/line_list.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "model/growth.h"

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

void TLineList::Reserve(std::size_t lines, std::size_t bytes)
{
    GrowTo(spans_, spans_.size() + lines);
    GrowTo(text_, text_.size() + bytes);
    promisedBytes_ = std::max(promisedBytes_, bytes);
}

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

// Text that lies in the buffer would move when the buffer grows.
bool TLineList::IsInText(std::string_view text) const
{
    const auto* begin = text_.data();
    return text.data() >= begin && text.data() < begin + text_.size();
}

TTextSpan TLineList::Store(std::string_view text)
{
    const TTextSpan span{text_.size(), text.size()};
    text_.append(text);
    promisedBytes_ -= std::min(promisedBytes_, text.size());
    liveBytes_ += text.size();
    return span;
}

void TLineList::ReclaimIfWasteful() noexcept
{
    constexpr std::size_t SmallWaste = 1 << 16;
    if (text_.size() - liveBytes_ <= liveBytes_ + SmallWaste)
        return;
    std::string compact;
    // The room promised to coming lines stays; and reclaiming only saves
    // memory, so when memory is short the waste simply stays a while longer.
    try {
        compact.reserve(liveBytes_ + promisedBytes_);
    } catch (const std::bad_alloc&) {
        return;
    }
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
    if (IsInText(text))
        return Replace(index, std::string(text));
    Reserve(0, text.size());
    TTextSpan& span = spans_[static_cast<std::size_t>(index)];
    liveBytes_ -= span.length;
    span = Store(text);
    ReclaimIfWasteful();
    if (observer_)
        observer_->LinesChanged(index, index);
}

void TLineList::Add(std::string_view text)
{
    // Before the observer hears of it: a view told of an insertion must see
    // it happen.
    if (IsInText(text))
        return Add(std::string(text));
    Reserve(1, text.size());
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
    std::size_t added = 0;
    for (const TTextSpan& span : lineSpans)
        added += span.length;
    // Room first, before the observer hears of it, so that a failed
    // allocation leaves the list as it was and no view waits for lines that
    // never come.
    Reserve(lineSpans.size(), added);
    const int first = Count();
    const int last = first + static_cast<int>(lineSpans.size()) - 1;
    if (observer_)
        observer_->LinesAboutToBeInserted(first, last);
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

void TLineList::Insert(int index, std::string_view text)
{
    if (index != Count())
        CheckIndex(index, Count());
    if (IsInText(text))
        return Insert(index, std::string(text));
    Reserve(1, text.size());
    if (observer_)
        observer_->LinesAboutToBeInserted(index, index);
    spans_.insert(spans_.begin() + index, Store(text));
    const bool selectionMoved = selected_ >= index;
    if (selectionMoved)
        ++selected_;
    if (observer_) {
        observer_->LinesInserted(index, index);
        if (selectionMoved)
            observer_->SelectionChanged(selected_);
    }
}

void TLineList::RemoveFrom(int first)
{
    if (first == Count())
        return;
    CheckIndex(first, Count());
    const int last = Count() - 1;
    if (observer_)
        observer_->LinesAboutToBeRemoved(first, last);
    for (auto span = spans_.begin() + first; span != spans_.end(); ++span)
        liveBytes_ -= span->length;
    spans_.erase(spans_.begin() + first, spans_.end());
    ReclaimIfWasteful();
    const bool lostSelection = selected_ >= first;
    if (lostSelection)
        selected_ = NoSelection;
    if (observer_) {
        observer_->LinesRemoved(first, last);
        if (lostSelection)
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
    promisedBytes_ = 0;
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
