#pragma once

// Row lists in states a test can compare, and random edits of them, for the
// tests of editing steps and of the journal that keeps them.

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "model/rows/line_list.h"
#include "model/rows/row_change.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_line.h"
#include "model/rows/row_table.h"

namespace quorva::test {

struct TState {
    TRowTable rows;
    std::vector<std::string> lines;
    int selected;
    bool operator==(const TState&) const = default;
};

struct TStep {
    TRowChange change;
    TState before; // the state it was taken from
    TState after;  // the state it left
};

inline TState StateOf(const TRowTable& rows, const TLineList& lines)
{
    return {rows, lines.Lines(), lines.SelectedIndex()};
}

inline TNumberRow RandomRow(std::mt19937& random)
{
    TNumberRow row{};
    std::ranges::generate(row, [&] { return std::uniform_int_distribution(0, 99)(random); });
    return row;
}

// A list as Open leaves it: some lines in another form than Add writes.
inline void FillRandomly(TRowTable& rows, TLineList& lines, std::mt19937& random)
{
    std::vector<std::string> texts;
    for (int i = std::uniform_int_distribution<int>(0, 200)(random); i > 0; --i) {
        TNumberRow row = RandomRow(random);
        // Now and then a short negative value, which a file may hold.
        if (random() % 8 == 0)
            row[random() % RowWidth] = -1 - static_cast<int>(random() % 9);
        rows.push_back(row);
        texts.push_back(RowToLine(row) + (random() % 4 == 0 ? " read" : ""));
    }
    lines.Assign(texts);
}

inline std::optional<TRowChange> RandomEdit(TRowTable& rows, TLineList& lines, std::mt19937& random)
{
    switch (random() % 5) {
    case 0:
        return AddRow(rows, lines, RandomRow(random));
    case 1:
        return DeleteSelectedRow(rows, lines);
    case 2:
        return MoveSelectedRowUp(rows, lines);
    case 3:
        return MoveSelectedRowDown(rows, lines);
    }
    std::vector<TNumberRow> pasted(std::uniform_int_distribution<std::size_t>(0, 50)(random));
    std::ranges::generate(pasted, [&] { return RandomRow(random); });
    return AppendRows(rows, lines, TRowTable(pasted.begin(), pasted.end()));
}

} // namespace quorva::test
