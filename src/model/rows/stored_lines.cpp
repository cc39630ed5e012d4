#include "model/rows/stored_lines.h"

#include <algorithm>
#include <new>
#include <utility>

#include "model/base/growth.h"

namespace quorva {

std::size_t TStoredLines::LowerBound(int index) const
{
    return static_cast<std::size_t>(std::lower_bound(indexes_.begin(), indexes_.end(), index) -
                                    indexes_.begin());
}

std::optional<std::string_view> TStoredLines::Find(int index) const
{
    const std::size_t k = LowerBound(index);
    if (k == Count() || indexes_[k] != index)
        return std::nullopt;
    return TextAt(k);
}

std::size_t TStoredLines::MemoryBytes() const
{
    return indexes_.capacity() * sizeof(int) + spans_.MemoryBytes() + text_.capacity();
}

void TStoredLines::Reserve(std::size_t lines, std::size_t bytes)
{
    GrowTo(indexes_, indexes_.size() + lines);
    spans_.Reserve(lines, text_.size(), bytes);
    GrowTo(text_, text_.size() + bytes);
    promisedBytes_ = std::max(promisedBytes_, bytes);
}

// Text that lies in the buffer would move when the buffer grows.
bool TStoredLines::IsInText(std::string_view text) const
{
    return text.data() >= text_.data() && text.data() < text_.data() + text_.size();
}

void TStoredLines::Store(std::string_view text)
{
    text_.append(text);
    promisedBytes_ -= std::min(promisedBytes_, text.size());
    liveBytes_ += text.size();
}

void TStoredLines::Append(int index, std::string_view text)
{
    if (IsInText(text))
        return Append(index, std::string(text));
    Reserve(1, text.size());
    indexes_.push_back(index);
    spans_.push_back({text_.size(), text.size()});
    Store(text);
}

void TStoredLines::Put(int index, std::string_view text)
{
    if (IsInText(text))
        return Put(index, std::string(text));
    Reserve(1, text.size());
    const std::size_t k = LowerBound(index);
    const TTextSpan span{text_.size(), text.size()};
    if (k < Count() && indexes_[k] == index) {
        liveBytes_ -= spans_[k].length;
        spans_.Set(k, span);
    } else {
        indexes_.insert(indexes_.begin() + static_cast<std::ptrdiff_t>(k), index);
        spans_.Insert(k, span);
    }
    Store(text);
    ReclaimIfWasteful();
}

void TStoredLines::Remove(int index)
{
    const std::size_t k = LowerBound(index);
    if (k == Count() || indexes_[k] != index)
        return;
    liveBytes_ -= spans_[k].length;
    indexes_.erase(indexes_.begin() + static_cast<std::ptrdiff_t>(k));
    spans_.Erase(k);
    ReclaimIfWasteful();
}

void TStoredLines::Shift(int from, int by)
{
    for (std::size_t k = LowerBound(from); k < Count(); ++k)
        indexes_[k] += by;
}

void TStoredLines::EraseFrom(int from)
{
    const std::size_t first = LowerBound(from);
    for (std::size_t k = first; k < Count(); ++k)
        liveBytes_ -= spans_[k].length;
    indexes_.erase(indexes_.begin() + static_cast<std::ptrdiff_t>(first), indexes_.end());
    spans_.EraseFrom(first);
    ReclaimIfWasteful();
}

void TStoredLines::Clear()
{
    *this = TStoredLines();
}

void TStoredLines::ReclaimIfWasteful() noexcept
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
    // Each text keeps its length and moves nearer the start, so its new
    // place is never harder to keep than its old one: nothing here throws.
    for (std::size_t k = 0; k < spans_.size(); ++k) {
        const TTextSpan span = spans_[k];
        spans_.Set(k, {compact.size(), span.length});
        compact.append(span.In(text_));
    }
    text_ = std::move(compact);
}

} // namespace quorva
