#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/base/text_span.h"

namespace quorva::test {

// The whole contents of a regular file, read as Open reads one; raises
// "Cannot open file" on failure (see TRegularFile).
std::string ReadWholeFile(const std::string& fileName);

// Every line TLineScanner finds in `text`, as places in it.
std::vector<TTextSpan> SplitLineSpans(std::string_view text);

// The bytes the text-file writer makes of lines: each followed by CR LF, the
// last one included.
std::string JoinWithCrLf(const std::vector<std::string>& lines);

// The lines SplitLineSpans finds in `text`, as strings.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces `target` with the lines of `fileName` as ReadWholeFile reads it;
// on failure `target` is left as it was and Error is raised.
void LoadLinesFromFile(std::vector<std::string>& target, const std::string& fileName);

} // namespace quorva::test
