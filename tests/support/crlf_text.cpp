#include "support/crlf_text.h"

#include "model/files/text_file.h"

namespace quorva::test {

std::string JoinWithCrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (const TTextSpan& span : SplitLineSpans(text))
        lines.emplace_back(span.In(text));
    return lines;
}

void LoadLinesFromFile(std::vector<std::string>& target, const std::string& fileName)
{
    target = SplitLines(ReadWholeFile(fileName));
}

} // namespace quorva::test
