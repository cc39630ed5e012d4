#include "model/rows/line_positions.h"

#include <algorithm>

#include "model/base/growth.h"

namespace quorva {

TLinePositions::TLinePositions(const std::vector<TTextSpan>& spans)
{
    packed_.reserve(spans.size());
    for (const TTextSpan& span : spans)
        push_back(span);
}

TTextSpan TLinePositions::Escaped(std::size_t index) const
{
    const auto found = std::lower_bound(
        long_.begin(), long_.end(), index,
        [](const TLongLine& line, std::size_t wanted) { return line.index < wanted; });
    return found->span;
}

std::vector<TLinePositions::TLongLine>::iterator TLinePositions::LongAt(std::size_t index)
{
    return std::lower_bound(
        long_.begin(), long_.end(), index,
        [](const TLongLine& line, std::size_t wanted) { return line.index < wanted; });
}

void TLinePositions::Reserve(std::size_t lines, std::size_t textEnd, std::size_t bytes)
{
    // However the bytes are shared out, only so many lines can be too long;
    // past the reach of the offset every line is a side entry.
    std::size_t longLines = bytes / Escape;
    if (textEnd + bytes > MaxOffset)
        longLines += lines + 1;
    GrowTo(long_, long_.size() + longLines);
    GrowTo(packed_, packed_.size() + lines);
}

void TLinePositions::SetAmongLong(std::size_t index, const TTextSpan& span)
{
    const auto entry = LongAt(index);
    const bool wasLong = entry != long_.end() && entry->index == index;
    if (Fits(span)) {
        if (wasLong)
            long_.erase(entry);
        packed_[index] = Pack(span);
    } else if (wasLong) {
        entry->span = span;
    } else {
        long_.insert(entry, {index, span});
        packed_[index] = EscapeWord();
    }
}

void TLinePositions::Insert(std::size_t index, const TTextSpan& span)
{
    const bool fits = Fits(span);
    if (!fits)
        long_.reserve(long_.size() + 1);
    packed_.insert(packed_.begin() + static_cast<std::ptrdiff_t>(index),
                   fits ? Pack(span) : EscapeWord());
    const auto later = LongAt(index);
    for (auto line = later; line != long_.end(); ++line)
        ++line->index;
    if (!fits)
        long_.insert(later, {index, span});
}

void TLinePositions::Erase(std::size_t index)
{
    packed_.erase(packed_.begin() + static_cast<std::ptrdiff_t>(index));
    auto later = LongAt(index);
    if (later != long_.end() && later->index == index)
        later = long_.erase(later);
    for (; later != long_.end(); ++later)
        --later->index;
}

void TLinePositions::EraseFrom(std::size_t first)
{
    packed_.erase(packed_.begin() + static_cast<std::ptrdiff_t>(first), packed_.end());
    long_.erase(LongAt(first), long_.end());
}

void TLinePositions::clear()
{
    packed_.clear();
    long_.clear();
}

} // namespace quorva
