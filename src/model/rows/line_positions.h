#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/base/text_span.h"

namespace quorva {

// Where each line of a list lies in its shared text, in 8 bytes a line: the
// offset and the length packed into one word. A million lines then cost
// 8 MB beside their text instead of 16.
//
// A line too long for the packed length, or lying further into the text
// than the packed offset reaches, is kept in a small side table by its
// index instead; such lines are rare (each is megabytes long), so the table
// stays short and keeping its indexes right as lines come and go is cheap.
class TLinePositions {
public:
    // What a line of the usual length takes.
    static constexpr std::size_t BytesPerLine = sizeof(std::uint64_t);

    TLinePositions() = default;
    explicit TLinePositions(const std::vector<TTextSpan>& spans);

    std::size_t size() const { return packed_.size(); }
    std::size_t capacity() const { return packed_.capacity(); }
    bool empty() const { return packed_.empty(); }
    TTextSpan operator[](std::size_t index) const
    {
        const std::uint64_t word = packed_[index];
        if ((word >> OffsetBits) == Escape)
            return Escaped(index);
        return {static_cast<std::size_t>(word & MaxOffset),
                static_cast<std::size_t>(word >> OffsetBits)};
    }

    // Room for `lines` more lines and `bytes` more text after `textEnd`,
    // so that the changes that use it cannot run out of memory.
    void Reserve(std::size_t lines, std::size_t textEnd, std::size_t bytes);
    // For a list about to be filled with `lines` lines from scratch.
    void reserve(std::size_t lines) { packed_.reserve(lines); }
    const void* Data() const { return packed_.data(); }
    std::size_t MemoryBytes() const
    {
        return packed_.capacity() * sizeof(std::uint64_t) + long_.capacity() * sizeof(TLongLine);
    }

    void push_back(const TTextSpan& span)
    {
        if (Fits(span))
            packed_.push_back(Pack(span));
        else
            Insert(packed_.size(), span);
    }
    // All or nothing: each raises std::bad_alloc with nothing changed.
    void Set(std::size_t index, const TTextSpan& span)
    {
        if (long_.empty() && Fits(span))
            packed_[index] = Pack(span);
        else
            SetAmongLong(index, span);
    }
    void Insert(std::size_t index, const TTextSpan& span);
    void Erase(std::size_t index);
    // Removes the lines from `first` to the end.
    void EraseFrom(std::size_t first);
    void clear();

private:
    static constexpr int OffsetBits = 40;
    static constexpr std::uint64_t MaxOffset = (std::uint64_t{1} << OffsetBits) - 1;
    // The length value that sends a line to the side table; every shorter
    // length is kept in place.
    static constexpr std::uint64_t Escape = (std::uint64_t{1} << (64 - OffsetBits)) - 1;

    struct TLongLine {
        std::size_t index;
        TTextSpan span;
    };

    static bool Fits(const TTextSpan& span)
    {
        return span.offset <= MaxOffset && span.length < Escape;
    }
    static std::uint64_t Pack(const TTextSpan& span)
    {
        return static_cast<std::uint64_t>(span.offset) | static_cast<std::uint64_t>(span.length)
                                                             << OffsetBits;
    }
    static std::uint64_t EscapeWord() { return Escape << OffsetBits; }
    TTextSpan Escaped(std::size_t index) const;
    void SetAmongLong(std::size_t index, const TTextSpan& span);
    // The first side entry at or after `index`.
    std::vector<TLongLine>::iterator LongAt(std::size_t index);

    std::vector<std::uint64_t> packed_;
    std::vector<TLongLine> long_; // ordered by index
};

} // namespace quorva
