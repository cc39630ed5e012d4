#include "support/crlf_text.h"

namespace quorva::test {

std::string JoinWithCrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

} // namespace quorva::test
