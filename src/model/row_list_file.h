#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/line_list.h"
#include "model/number_row.h"

namespace quorva {

// The one message of Open, whatever went wrong.
inline constexpr const char* SBadFileFormat = "Не распознанный формат файла.";

// Parses the seven fields of a row line. Field j is the (at most) two
// characters at position 3j, read by StrToInt; separators and anything from
// position 20 on are never looked at. Raises Error for a bad field.
TNumberRow LineToRow(std::string_view line);

// The lines of a row-list text, as SplitLineSpans finds them, and the row of
// each, as LineToRow reads it; what both held before is replaced. Raises Error
// for a bad line, leaving both in no particular state.
void ParseRowListText(std::string_view text, std::vector<TTextSpan>& lineSpans, TRowTable& rows);

// Writes the row lines exactly as they stand.
void SaveRowListFile(const TLineList& lines, const std::string& fileName);

using ShowErrorFn = std::function<void(const std::string& message)>;

// Reads the file into the line list and the row table, all or nothing. On
// success the list holds the file's lines as read, nothing is selected, and
// `rows` the parsed values. On any failure `showError` is called with
// SBadFileFormat, and the list, its selection and the table stay as they were.
// Returns whether the file was loaded.
bool OpenRowListFile(TLineList& lines, TRowTable& rows, const std::string& fileName,
                     const ShowErrorFn& showError);

} // namespace quorva
