#pragma once

#include <string>
#include <vector>

#include "model/rows/line_list.h"
#include "model/rows/row_table.h"

namespace quorva::test {

// The rows, lines and selection a window holds: the lines given, each row
// parsed from its line, the middle line selected.
struct TWindowState {
    TRowTable rows;
    TLineList lines;

    explicit TWindowState(const std::vector<std::string>& rowLines);

    bool SameAs(const TWindowState& other) const;
};

// 150,000 rows, about 3 MB saved: enough for a save or an open to report
// progress several times.
const TWindowState& ManyRowsState();

// `count` row lines as Add renders them, of varied values.
std::vector<std::string> SampleRowLines(std::size_t count);

} // namespace quorva::test
