#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorva {

// The difference columns of a triangle (see TCompactTriangle) for one who
// reads its lines in order while the columns are filled a bounded number of
// lines ahead. Each column keeps its values in a ring just long enough for
// that window, so the export holds about a quarter of the triangle's cells
// instead of half, and the system zeroes half as many fresh pages for it.
//
// Value i of column j lies on line 2i + j. The caller's promise: the filling
// makes the lines below E ready only once every line below E - `lag` has
// been read. Column 0 keeps every value.
template <class Cell> class TRollingTriangle {
public:
    // Values a reader may take from one column at once, from any value on:
    // the ring's first values are repeated past its end.
    static constexpr std::size_t ContiguousValues = 128;

    // `lag`: how many lines the filling may reach beyond the first line not
    // yet read. A lag of at least 2n keeps every value.
    TRollingTriangle(const std::vector<std::int32_t>& values, std::size_t lag);

    // Cells a triangle of `valueCount` values takes with this `lag`.
    static std::uint64_t CellCount(std::uint64_t valueCount, std::uint64_t lag);

    std::size_t ValueCount() const { return start_.size(); }
    // Value i of column j and the ContiguousValues - 1 after it (as far as
    // the column goes).
    const Cell* Values(std::size_t j, std::size_t i) const
    {
        return cells_.get() + start_[j] + Position(j, i);
    }

    // Computes values [begin, end) of column j from column j - 1, which must
    // hold values begin to end already.
    void FillColumnPart(std::size_t j, std::size_t begin, std::size_t end);

private:
    std::size_t Position(std::size_t j, std::size_t i) const
    {
        // No value is ever kept more than one ring length behind the newest.
        return i >= capacity_[j] ? i - capacity_[j] : i;
    }
    void Repeat(std::size_t j, std::size_t from, std::size_t to);

    std::unique_ptr<Cell[]> cells_;
    std::vector<std::size_t> start_;
    std::vector<std::size_t> capacity_;
};

extern template class TRollingTriangle<std::uint8_t>;
extern template class TRollingTriangle<std::int32_t>;

} // namespace quorva
