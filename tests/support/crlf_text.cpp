#include "support/crlf_text.h"

#include "model/files/regular_file.h"
#include "model/files/text_file.h"

namespace quorva::test {

std::string ReadWholeFile(const std::string& fileName)
{
    return TRegularFile(fileName).ReadAll();
}

std::vector<TTextSpan> SplitLineSpans(std::string_view text)
{
    std::vector<TTextSpan> spans;
    TLineScanner scanner(text);
    for (TTextSpan line; scanner.Next(line);)
        spans.push_back(line);
    return spans;
}

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
