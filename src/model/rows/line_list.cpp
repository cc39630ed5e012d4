#include "model/rows/line_list.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "model/base/growth.h"
#include "model/rows/row_line.h"

namespace quorva {
namespace {

void CheckIndex(int index, int count)
{
    if (index < 0 || index >= count)
        throw std::out_of_range("line index out of range");
}

void CheckSpan(std::string_view text, const TTextSpan& span)
{
    if (span.offset > text.size() || span.length > text.size() - span.offset)
        throw std::out_of_range("line outside its text");
}

void CheckSpans(std::string_view text, const std::vector<TTextSpan>& lineSpans)
{
    for (const TTextSpan& span : lineSpans)
        CheckSpan(text, span);
}

} // namespace

void TLineList::Reserve(std::size_t lines, std::size_t bytes)
{
    positions_.Reserve(lines, text_.size(), bytes);
    GrowTo(text_, text_.size() + bytes);
    promisedBytes_ = std::max(promisedBytes_, bytes);
}

std::string_view TLineList::Line(int index) const
{
    CheckIndex(index, Count());
    return positions_[static_cast<std::size_t>(index)].In(text_);
}

std::vector<std::string> TLineList::Lines() const
{
    std::vector<std::string> lines;
    lines.reserve(positions_.size());
    for (std::size_t i = 0; i < positions_.size(); ++i)
        lines.emplace_back(positions_[i].In(text_));
    return lines;
}

// Text that lies in the buffer would move when the buffer grows.
bool TLineList::IsInText(std::string_view text) const
{
    const auto* begin = text_.data();
    return text.data() >= begin && text.data() < begin + text_.size();
}

void TLineList::Store(std::string_view text)
{
    text_.append(text);
    promisedBytes_ -= std::min(promisedBytes_, text.size());
    liveBytes_ += text.size();
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
    // Each line keeps its length and moves nearer the start, so its new
    // place is never harder to keep than its old one: nothing here throws.
    for (std::size_t i = 0; i < positions_.size(); ++i) {
        const TTextSpan span = positions_[i];
        positions_.Set(i, {compact.size(), span.length});
        compact.append(span.In(text_));
    }
    text_ = std::move(compact);
}

void TLineList::Replace(int index, std::string_view text)
{
    CheckIndex(index, Count());
    if (IsInText(text))
        return Replace(index, std::string(text));
    Reserve(0, text.size());
    const auto at = static_cast<std::size_t>(index);
    const std::size_t oldLength = positions_[at].length;
    positions_.Set(at, Next(text));
    liveBytes_ -= oldLength;
    Store(text);
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
    positions_.push_back(Next(text));
    Store(text);
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
    for (const TTextSpan& span : lineSpans) {
        positions_.push_back(Next(span.In(text)));
        Store(span.In(text));
    }
    if (observer_)
        observer_->LinesInserted(first, last);
}

void TLineList::Delete(int index)
{
    CheckIndex(index, Count());
    if (observer_)
        observer_->LinesAboutToBeRemoved(index, index);
    liveBytes_ -= positions_[static_cast<std::size_t>(index)].length;
    positions_.Erase(static_cast<std::size_t>(index));
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
    positions_.Insert(static_cast<std::size_t>(index), Next(text));
    Store(text);
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
    for (auto i = static_cast<std::size_t>(first); i < positions_.size(); ++i)
        liveBytes_ -= positions_[i].length;
    positions_.EraseFrom(static_cast<std::size_t>(first));
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
    AssignText({}, TLinePositions());
}

void TLineList::Assign(const std::vector<std::string>& lines)
{
    std::string text;
    TLinePositions positions;
    positions.reserve(lines.size());
    for (const std::string& line : lines) {
        positions.push_back({text.size(), line.size()});
        text += line;
    }
    AssignText(std::move(text), std::move(positions));
}

void TLineList::AssignText(std::string text, const std::vector<TTextSpan>& lineSpans)
{
    AssignText(std::move(text), TLinePositions(lineSpans));
}

void TLineList::AssignText(std::string text, TLinePositions linePositions)
{
    std::size_t liveBytes = 0;
    for (std::size_t i = 0; i < linePositions.size(); ++i) {
        CheckSpan(text, linePositions[i]);
        liveBytes += linePositions[i].length;
    }
    if (observer_)
        observer_->LinesAboutToBeReset();
    text_ = std::move(text);
    positions_ = std::move(linePositions);
    liveBytes_ = liveBytes;
    promisedBytes_ = 0;
    const bool hadSelection = selected_ != NoSelection;
    selected_ = NoSelection;
    if (observer_) {
        observer_->LinesReset();
        if (hadSelection)
            observer_->SelectionChanged(NoSelection);
    }
}

void TLineList::AssignRows(const TRowTable& rows, TStoredLines stored)
{
    std::string text;
    TLinePositions positions;
    positions.reserve(rows.size());
    TRowLineBuffer buffer;
    std::size_t k = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string_view line;
        if (k < stored.Count() && stored.IndexAt(k) == static_cast<int>(i))
            line = stored.TextAt(k++);
        else
            line = RowToLine(rows[i], buffer);
        positions.push_back({text.size(), line.size()});
        text += line;
    }
    AssignText(std::move(text), std::move(positions));
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
