#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorva::test {

// The bytes the text-file writer makes of lines: each followed by CR LF, the
// last one included.
std::string JoinWithCrLf(const std::vector<std::string>& lines);

// The lines SplitLineSpans finds in `text`, as strings.
std::vector<std::string> SplitLines(std::string_view text);

// Replaces `target` with the lines of `fileName` as ReadWholeFile reads it;
// on failure `target` is left as it was and Error is raised.
void LoadLinesFromFile(std::vector<std::string>& target, const std::string& fileName);

} // namespace quorva::test
