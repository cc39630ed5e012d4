#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/rows/line_positions.h"

namespace quorva {

// The texts of the lines of a list that say more than their rows, by line
// index: nearly every line of a row list is its row's canonical line, which
// the row determines, so only the others need their bytes kept.
//
// The texts share one buffer, as the lines of a file do; replaced and removed
// text is reclaimed once it outweighs the live text. Entries are kept in
// ascending index order.
class TStoredLines {
public:
    // What an entry takes beside its text.
    static constexpr std::size_t BytesPerLine = sizeof(int) + TLinePositions::BytesPerLine;

    std::size_t Count() const { return indexes_.size(); }
    bool Empty() const { return indexes_.empty(); }
    int IndexAt(std::size_t k) const { return indexes_[k]; }
    std::string_view TextAt(std::size_t k) const { return spans_[k].In(text_); }
    // The first entry whose line index is `index` or later.
    std::size_t LowerBound(int index) const;
    std::optional<std::string_view> Find(int index) const;
    std::size_t MemoryBytes() const;

    // Room for `lines` more entries holding `bytes` more text, so that the
    // Append and Put calls that use it cannot run out of memory.
    void Reserve(std::size_t lines, std::size_t bytes);
    // Adds line `index`, which lies after every line stored so far.
    void Append(int index, std::string_view text);
    // Gives line `index` the text, whether it had one or not.
    void Put(int index, std::string_view text);
    // Line `index` has no text of its own any more.
    void Remove(int index);
    // Every line from `from` on moves by `by` places, as lines are inserted
    // or deleted before it.
    void Shift(int from, int by);
    // Forgets the lines from `from` on.
    void EraseFrom(int from);
    void Clear();

private:
    bool IsInText(std::string_view text) const;
    void Store(std::string_view text);
    void ReclaimIfWasteful() noexcept;

    std::vector<int> indexes_;
    TLinePositions spans_;
    std::string text_;
    std::size_t liveBytes_ = 0;
    std::size_t promisedBytes_ = 0; // room reserved for text still to come
};

} // namespace quorva
