#include "support/triangle_fields.h"

#include <random>
#include <sstream>

#include "support/reference_triangle.h"

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

std::vector<std::vector<std::string>> CsvFields(const TRowTable& rows, int column)
{
    std::vector<std::vector<std::string>> fields;
    for (const std::string& line : TriangleToCsvLines(BuildDiffTriangle(rows, column))) {
        std::vector<std::string> lineFields;
        std::istringstream stream(line);
        for (std::string field; std::getline(stream, field, ';');)
            lineFields.push_back(field);
        fields.push_back(std::move(lineFields));
    }
    return fields;
}

} // namespace quorva::test
