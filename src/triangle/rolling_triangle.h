#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorva {

// The difference columns of a triangle (see TCompactTriangle) for one who
// reads its lines in order while the columns are filled a bounded number of
// lines ahead. Only the even columns are kept: a value of an odd column is
// the difference of two neighbours in the even column before it, worked out
// again when it is read. Each kept column holds its values in a ring just
// long enough for that window. So the export holds about an eighth of the
// triangle's n² cells, and the system zeroes that many fresh pages for it.
//
// Value i of column j lies on line 2i + j. The caller's promise: the filling
// makes the lines below E ready only once every line below E - `lag` has
// been read. Column 0 keeps every value.
template <class Cell> class TRollingTriangle {
public:
    // Values a reader may take from one kept column at once, from any value
    // on: the ring's first values are repeated past its end.
    static constexpr std::size_t ContiguousValues = 128;

    // `lag`: how many lines the filling may reach beyond the first line not
    // yet read. A lag of at least 2n keeps every value.
    TRollingTriangle(const std::vector<std::int32_t>& values, std::size_t lag);

    // Cells a triangle of `valueCount` values takes with this `lag`.
    static std::uint64_t CellCount(std::uint64_t valueCount, std::uint64_t lag);

    std::size_t ValueCount() const { return valueCount_; }
    // Value i of the even column j and the ContiguousValues - 1 after it (as
    // far as the column goes).
    const Cell* Values(std::size_t j, std::size_t i) const
    {
        const std::size_t kept = j / 2;
        return cells_.get() + start_[kept] + Position(kept, i);
    }
    // Values i to i + count - 1 of column j, odd or even, into `out`; count
    // is less than ContiguousValues.
    void CopyValues(std::size_t j, std::size_t i, std::size_t count, Cell* out) const;

    // Computes values [begin, end) of the even column j >= 2 from column
    // j - 2, which must hold values begin to end + 1 already.
    void FillColumnPart(std::size_t j, std::size_t begin, std::size_t end);

private:
    std::size_t Position(std::size_t kept, std::size_t i) const
    {
        // No value is ever kept more than one ring length behind the newest.
        return i >= capacity_[kept] ? i - capacity_[kept] : i;
    }
    void Repeat(std::size_t kept, std::size_t from, std::size_t to);

    std::size_t valueCount_;
    std::unique_ptr<Cell[]> cells_;
    // Per kept column, the even column 2s at index s.
    std::vector<std::size_t> start_;
    std::vector<std::size_t> capacity_;
};

extern template class TRollingTriangle<std::uint8_t>;
extern template class TRollingTriangle<std::int32_t>;

} // namespace quorva
