#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/base/error.h"
#include "model/rows/row_list_parser.h"

namespace quorva::test {

// Parses a text in memory in one pass, as the file parser parses each of
// its stretches: the oracle its pieces and halves must agree with. A bad
// line raises BadFormat(SBadFileFormat).
TParsedRows ParseRowListText(std::string_view text);

// What a parse of a row-list text found: each row and each stored line with
// its index; or the message it was refused with.
struct TParseOutcome {
    std::string refusal;
    std::vector<TNumberRow> rows;
    std::vector<std::pair<int, std::string>> stored;
    bool operator==(const TParseOutcome&) const = default;
};

inline void PrintTo(const TParseOutcome& outcome, std::ostream* out)
{
    *out << outcome.refusal << " " << outcome.rows.size() << " rows, " << outcome.stored.size()
         << " stored";
}

// The outcome of `parse()`, which gives a TParsedRows or raises Error.
template <class Parse> TParseOutcome Outcome(Parse parse)
{
    TParseOutcome outcome;
    try {
        const TParsedRows parsed = parse();
        outcome.rows.assign(parsed.rows.begin(), parsed.rows.end());
        for (std::size_t k = 0; k < parsed.stored.Count(); ++k)
            outcome.stored.emplace_back(parsed.stored.IndexAt(k), parsed.stored.TextAt(k));
    } catch (const Error& refusal) {
        outcome.refusal = refusal.what();
    }
    return outcome;
}

} // namespace quorva::test
