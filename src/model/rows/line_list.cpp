#include "model/rows/line_list.h"

#include <stdexcept>
#include <utility>

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

} // namespace

std::string_view TLineList::Line(int index, TRowLineBuffer& buffer) const
{
    CheckIndex(index, Count());
    if (const auto text = stored_.Find(index))
        return *text;
    return RowToLine((*rows_)[static_cast<std::size_t>(index)], buffer);
}

std::string TLineList::Line(int index) const
{
    TRowLineBuffer buffer;
    return std::string(Line(index, buffer));
}

std::vector<std::string> TLineList::Lines() const
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(Count()));
    TRowLineBuffer buffer;
    for (int i = 0; i < Count(); ++i)
        lines.emplace_back(Line(i, buffer));
    return lines;
}

bool TLineList::IsCanonical(int index, std::string_view text) const
{
    if (!rows_ || static_cast<std::size_t>(index) >= rows_->size())
        return false;
    TRowLineBuffer buffer;
    return text == RowToLine((*rows_)[static_cast<std::size_t>(index)], buffer);
}

void TLineList::Keep(int index, std::string_view text)
{
    if (IsCanonical(index, text))
        stored_.Remove(index);
    else
        stored_.Put(index, text);
}

void TLineList::Reserve(std::size_t lines, std::size_t bytes)
{
    stored_.Reserve(lines, bytes);
}

void TLineList::Replace(int index, std::string_view text)
{
    CheckIndex(index, Count());
    Keep(index, text);
    if (observer_)
        observer_->LinesChanged(index, index);
}

void TLineList::Add(std::string_view text)
{
    // Room first, before the observer hears of it: a view told of an
    // insertion must see it happen.
    Reserve(1, text.size());
    const int index = Count();
    if (observer_)
        observer_->LinesAboutToBeInserted(index, index);
    Keep(index, text);
    ++count_;
    if (observer_)
        observer_->LinesInserted(index, index);
}

void TLineList::Append(std::string_view text, const std::vector<TTextSpan>& lineSpans)
{
    if (lineSpans.empty())
        return;
    std::size_t added = 0;
    for (const TTextSpan& span : lineSpans) {
        CheckSpan(text, span);
        added += span.length;
    }
    // Room first, so that a failed allocation leaves the list as it was and
    // no view waits for lines that never come.
    Reserve(lineSpans.size(), added);
    const int first = Count();
    const int last = first + static_cast<int>(lineSpans.size()) - 1;
    if (observer_)
        observer_->LinesAboutToBeInserted(first, last);
    for (const TTextSpan& span : lineSpans) {
        if (!IsCanonical(count_, span.In(text)))
            stored_.Append(count_, span.In(text));
        ++count_;
    }
    if (observer_)
        observer_->LinesInserted(first, last);
}

void TLineList::Delete(int index)
{
    CheckIndex(index, Count());
    if (observer_)
        observer_->LinesAboutToBeRemoved(index, index);
    stored_.Remove(index);
    stored_.Shift(index + 1, -1);
    --count_;
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
    Reserve(1, text.size());
    if (observer_)
        observer_->LinesAboutToBeInserted(index, index);
    stored_.Shift(index, 1);
    Keep(index, text);
    ++count_;
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
    stored_.EraseFrom(first);
    count_ = first;
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
    Reset(0, TStoredLines());
}

void TLineList::Assign(const std::vector<std::string>& lines)
{
    std::vector<TTextSpan> spans;
    std::string text;
    spans.reserve(lines.size());
    for (const std::string& line : lines) {
        spans.push_back({text.size(), line.size()});
        text += line;
    }
    AssignText(text, spans);
}

void TLineList::AssignText(std::string_view text, const std::vector<TTextSpan>& lineSpans)
{
    AssignText(text, TLinePositions(lineSpans));
}

void TLineList::AssignText(std::string_view text, const TLinePositions& linePositions)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < linePositions.size(); ++i) {
        CheckSpan(text, linePositions[i]);
        bytes += linePositions[i].length;
    }
    // Room for every line, and no more: what may stay is known only after.
    TStoredLines stored;
    stored.Reserve(linePositions.size(), bytes);
    for (std::size_t i = 0; i < linePositions.size(); ++i) {
        const std::string_view line = linePositions[i].In(text);
        if (!IsCanonical(static_cast<int>(i), line))
            stored.Append(static_cast<int>(i), line);
    }
    Reset(static_cast<int>(linePositions.size()), std::move(stored));
}

void TLineList::AssignRows(const TRowTable& rows, TStoredLines stored)
{
    rows_ = &rows;
    Reset(static_cast<int>(rows.size()), std::move(stored));
}

void TLineList::Reset(int count, TStoredLines stored)
{
    if (observer_)
        observer_->LinesAboutToBeReset();
    count_ = count;
    stored_ = std::move(stored);
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
