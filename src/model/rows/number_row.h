#pragma once

#include <array>
#include <cstdint>

namespace quorva {

inline constexpr int RowWidth = 7;

// One row of the list: positions 0 to 6, shown to the user as columns 1 to 7.
using TNumberRow = std::array<std::int32_t, RowWidth>;

} // namespace quorva
