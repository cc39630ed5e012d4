#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

namespace quorva {

// Makes room for `needed` elements ahead of a change that must not fail
// halfway, growing geometrically so that one more at a time stays cheap;
// where twice the room cannot be had, just enough is asked for. Raises
// std::bad_alloc when even that is not there, with the container unchanged.
template <class Container> void GrowTo(Container& container, std::size_t needed)
{
    if (needed <= container.capacity())
        return;
    try {
        container.reserve(std::max(needed, 2 * container.capacity()));
    } catch (const std::bad_alloc&) {
        container.reserve(needed);
    }
}

} // namespace quorva
