#include "model/row_line.h"

#include "model/number_rules.h"

namespace quorva {

std::string RowToLine(const TNumberRow& row)
{
    std::string line;
    line.reserve(RowWidth * 3);
    for (std::int32_t value : row) {
        // -9 to -1 already take two characters; a '0' in front would shift
        // every later field and make the line unreadable.
        const bool shortNegative = value >= -9 && value < 0;
        if (value < 10 && !shortNegative)
            line += '0';
        line += IntToStr(value);
        line += ' ';
    }
    return std::string(Trim(line));
}

}  // namespace quorva
