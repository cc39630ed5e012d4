#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "triangle/triangle_grid.h"

namespace quorva {

// The cells of a few neighbouring columns of a grid on the lines in view,
// each column read once, downwards, as the grid reads a column fastest. A
// picture of a pixel or more a cell asks for each cell and its neighbours
// several times; worked out one by one from its kept column, a cell far
// from it costs several differences each time.
class TColumnWindow {
public:
    // Forgets every column read: for a new frame, whose lines or ready
    // columns may differ.
    void Clear();
    // Has columns j - 1 to j + 1 read on lines [firstLine, endLine), those
    // of them that exist and are below `readyColumns`; keeps those read for
    // j - 1 or j before.
    void Read(const TTriangleGrid& grid, std::int64_t j, std::int64_t firstLine,
              std::int64_t endLine, std::size_t readyColumns);
    // The ready cell on line k of column c, where k - c is even; from the
    // window when read there, from the grid otherwise. Negative when blank.
    std::int32_t Value(const TTriangleGrid& grid, std::int64_t k, std::int64_t c) const
    {
        const TSlot& slot = slots_[static_cast<std::size_t>(c % Slots)];
        const std::int64_t i = (k - c) / 2;
        if (slot.column == c && i >= slot.first &&
            i < slot.first + static_cast<std::int64_t>(slot.values.size()))
            return slot.values[static_cast<std::size_t>(i - slot.first)];
        return grid.ColumnValue(static_cast<std::size_t>(c), static_cast<std::size_t>(i));
    }

private:
    static constexpr std::int64_t Slots = 3;
    // Values [first, first + values.size()) of one column.
    struct TSlot {
        std::int64_t column = -1;
        std::int64_t first = 0;
        std::vector<std::int32_t> values;
    };
    std::array<TSlot, Slots> slots_;
    // The column read last, from which the next is worked out.
    TTriangleGrid::TCursor cursor_;
    std::int64_t firstLine_ = 0;
    std::int64_t endLine_ = 0;
};

} // namespace quorva
