#include "model/rows/row_line.h"

#include <gtest/gtest.h>

#include <climits>

#include "model/rows/row_list_file.h"

namespace quorva {
namespace {

TEST(RowToLineTest, RendersFieldsAtFixedPositions)
{
    const std::pair<TNumberRow, std::string> cases[] = {
        {{1, 2, 3, 4, 5, 6, 7}, "01 02 03 04 05 06 07"},
        {{10, 0, 99, 5, 42, 7, 13}, "10 00 99 05 42 07 13"},
        {{0, 0, 0, 0, 0, 0, 0}, "00 00 00 00 00 00 00"},
        // A short negative keeps its field's width, so the line reads back.
        {{-5, 1, -9, 2, -1, 3, -7}, "-5 01 -9 02 -1 03 -7"},
        // Values no field can hold keep their full form.
        {{-10, 100, 1, 1, 1, 1, 1}, "0-10 100 01 01 01 01 01"},
        // The longest line there is.
        {{INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX},
         "0-2147483648 0-2147483648 0-2147483648 0-2147483648 0-2147483648 0-2147483648 "
         "2147483647"},
    };
    for (const auto& [row, line] : cases)
        EXPECT_EQ(RowToLine(row), line);
}

TEST(RowToLineTest, EveryFieldValueReadsBack)
{
    for (std::int32_t value = -9; value <= 99; ++value) {
        for (std::size_t position = 0; position < RowWidth; ++position) {
            TNumberRow row{1, 2, 3, 4, 5, 6, 7};
            row[position] = value;
            const std::string line = RowToLine(row);
            ASSERT_EQ(line.size(), 20u) << line;
            EXPECT_EQ(LineToRow(line), row) << line;
        }
    }
}

} // namespace
} // namespace quorva
