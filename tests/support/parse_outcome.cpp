#include "support/parse_outcome.h"

#include "model/rows/stretch_parser.h"

namespace quorva::test {

TParsedRows ParseRowListText(std::string_view text)
{
    TParsedRows parsed;
    parsed.rows.ResizeUnwritten(RowRoom(text.size()));
    TStretchParser parser(parsed.rows, 0, parsed.rows.size(), ~std::uint64_t{0});
    parser.Parse(text, true);
    parsed.rows.resize(parser.Lines());
    parsed.stored = std::move(parser.Stored());
    return parsed;
}

} // namespace quorva::test
