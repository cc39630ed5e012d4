#include "model/rows/row_change.h"

#include <gtest/gtest.h>

#include "model/rows/row_editing.h"
#include "support/heap_bytes.h"
#include "support/row_states.h"

namespace quorva {
namespace {

using namespace test;

// What a step holds is what its end gives back.
std::size_t HeldBy(std::optional<TRowChange>& step)
{
    const std::size_t live = test::LiveHeapBytes();
    step.reset();
    return live - test::LiveHeapBytes();
}

TEST(RowChangeTest, PasteStepHoldsNoMoreOnALongerList)
{
    const TRowTable pasted(50, TNumberRow{1, 2, 3, 4, 5, 6, 7});
    std::optional<std::pair<std::size_t, std::size_t>> held; // done, undone
    for (std::size_t listLength : {0, 1000, 100000}) {
        SCOPED_TRACE(listLength);
        TRowTable rows;
        TLineList lines;
        AppendRows(rows, lines, TRowTable(listLength, TNumberRow{9, 8, 7, 6, 5, 4, 3}));
        std::optional<TRowChange> done = AppendRows(rows, lines, pasted);
        std::optional<TRowChange> undone = AppendRows(rows, lines, pasted);
        undone->Revert(rows, lines);
        const std::pair bytes{HeldBy(done), HeldBy(undone)};
        // Undone, it keeps the rows it appends again: a byte per value at least.
        EXPECT_GE(bytes.second, pasted.size() * RowWidth);
        EXPECT_EQ(bytes, held.value_or(bytes));
        held = bytes;
    }
}

} // namespace
} // namespace quorva
