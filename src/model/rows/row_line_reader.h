#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/rows/number_row.h"

namespace quorva {

// The one message of Open, whatever went wrong: the text is no row list.
inline constexpr const char* SBadFileFormat = "Не распознанный формат файла.";

// Where a row line's fields stand: field j is the (at most) two characters
// at position FieldStride * j.
inline constexpr std::size_t FieldStride = 3;
inline constexpr std::size_t FieldLength = 2;
// Characters up to the end of the seventh field.
inline constexpr std::size_t RowLineLength = FieldStride * (RowWidth - 1) + FieldLength;
// The fewest bytes a line that parses takes with its line end: its seventh
// field needs at least one character.
inline constexpr std::size_t ShortestLineBytes = RowLineLength;

// Parses the seven fields of a row line. Field j is the (at most) two
// characters at position 3j, read by StrToInt; separators and anything from
// position 20 on are never looked at. Raises Error for a bad field.
TNumberRow LineToRow(std::string_view line);

// A row line as Save writes the rows that Add renders: seven two-digit fields
// and CR LF. Reads it from the start of `text` when it is one, packing the
// row's cells as TRowTable::FillPacked takes them, and telling whether it is
// its row's canonical line (every separator a space); false, with nothing
// read, for any other text, which LineToRow then decides on.
bool ReadRowLine(std::string_view text, std::uint64_t& cells, bool& canonical);

} // namespace quorva
