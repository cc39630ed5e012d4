#include "model/rows/row_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace quorva {
namespace {

using TRows = std::vector<TNumberRow>;

// The values a step stores: a row-list file's (-9 to 99, hex fields up to 15)
// and, in one row of so many, one that needs more than a byte.
struct TValueCase {
    const char* name;
    std::int32_t wide;
    unsigned wideOneIn; // 0 for never
};

const TValueCase ValueCases[] = {
    {"file values only", 0, 0},
    {"just past a byte", 128, 8},
    {"just below a byte", -129, 8},
    {"largest", std::numeric_limits<std::int32_t>::max(), 8},
    {"smallest", std::numeric_limits<std::int32_t>::min(), 8},
    {"wide from the start", 1000, 1},
};

// Every edit the table offers, done on it and on plain rows alike: every
// value stays exact before and after a widening, wherever it falls.
TEST(RowTableTest, KeepsEveryValueExactAroundWidening)
{
    for (const TValueCase& c : ValueCases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(11);
        const auto row = [&] {
            TNumberRow made;
            for (std::int32_t& cell : made)
                cell = std::uniform_int_distribution<std::int32_t>(-9, 99)(random);
            if (c.wideOneIn != 0 && random() % c.wideOneIn == 0)
                made[random() % made.size()] = c.wide;
            return made;
        };
        TRowTable table;
        TRows expected;
        // Clearing goes back to one-byte cells, so the table widens many times.
        for (int step = 0; step < 3000; ++step) {
            const std::size_t at = expected.empty() ? 0 : random() % (expected.size() + 1);
            const std::size_t inside = expected.empty() ? 0 : at % expected.size();
            const TNumberRow made = row();
            switch (random() % 7) {
            case 0:
                table.push_back(made);
                expected.push_back(made);
                break;
            case 1:
                table.insert(table.begin() + static_cast<std::ptrdiff_t>(at), made);
                expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), made);
                break;
            case 2:
                if (!expected.empty()) {
                    table.erase(table.begin() + static_cast<std::ptrdiff_t>(inside));
                    expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(inside));
                }
                break;
            case 3:
                table.resize(at + step % 3, made);
                expected.resize(at + step % 3, made);
                break;
            case 4:
                if (!expected.empty()) {
                    table.Set(inside, made);
                    expected[inside] = made;
                }
                break;
            case 5: {
                const TRowTable added{row(), row()};
                if (step % 2 == 0)
                    table.MakeRoomFor(added);
                table.insert(table.end(), added.begin(), added.end());
                expected.insert(expected.end(), added.begin(), added.end());
                break;
            }
            case 6:
                table.clear();
                expected.clear();
                break;
            }
            ASSERT_EQ(TRows(table.begin(), table.end()), expected) << "step " << step;
        }
        EXPECT_EQ(table, TRowTable(expected.begin(), expected.end()));
    }
}

} // namespace
} // namespace quorva
