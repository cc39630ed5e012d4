#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/text_span.h"

namespace quorva {

// Whole files of 8-bit lines, moved byte for byte.
//
// Writing puts CR LF after every line, the last one included. Reading accepts
// CR LF, a lone LF and a lone CR as one line end each (so LF CR and CR CR LF
// are two), keeps a last line without a line end, adds no empty line after a
// final line end, and stops at the first NUL byte.

// Writes the lines as the new contents of `fileName`. The previous contents
// are replaced only once the whole text is safely on disk (see
// TAtomicFileWriter). Raises Error on failure.
void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName);

// The same for lines kept elsewhere: `lineAt(i)` gives line i of `count`.
using LineAtFn = std::function<std::string_view(std::size_t index)>;
void SaveLinesToFile(std::size_t count, const LineAtFn& lineAt, const std::string& fileName);

// Replaces `target` with the lines of `fileName`. On failure `target` is left
// as it was and Error is raised.
void LoadLinesFromFile(std::vector<std::string>& target, const std::string& fileName);

// The whole contents of a file; raises "Cannot open file" on failure.
std::string ReadWholeFile(const std::string& fileName);

std::vector<TTextSpan> SplitLineSpans(std::string_view text);
std::vector<std::string> SplitLines(std::string_view text);

// Lines are handed over in pieces of about this size, so that a large text is
// never held twice in memory.
inline constexpr std::size_t WriteChunkSize = 1 << 20;

}  // namespace quorva
