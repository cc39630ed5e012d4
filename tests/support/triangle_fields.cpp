#include "support/triangle_fields.h"

#include <sstream>

#include "support/reference_triangle.h"

namespace quorva::test {

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
