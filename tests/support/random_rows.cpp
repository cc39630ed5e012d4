#include "support/random_rows.h"

#include <random>

#include "model/files/text_file.h"
#include "model/rows/row_line.h"

namespace quorva::test {

TRowTable RandomRows(std::size_t count, std::int32_t low, std::int32_t high, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> value(low, high);
    std::vector<TNumberRow> rows(count);
    for (TNumberRow& row : rows)
        for (std::int32_t& cell : row)
            cell = value(random);
    return {rows.begin(), rows.end()};
}

void WriteRandomRowListFile(std::size_t count, const std::string& fileName)
{
    const TRowTable rows = RandomRows(count, 0, 99);
    // The writer copies each line before it asks for the next one.
    std::string line;
    SaveLinesToFile(
        count,
        [&rows, &line](std::size_t i) -> std::string_view {
            line = RowToLine(rows[i]);
            return line;
        },
        fileName);
}

} // namespace quorva::test
