// The line splitter on arbitrary bytes: lines hold no CR, LF or NUL; between
// and after them stand only line ends; and lines written with CR LF split back
// into the same lines.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "model/files/text_file.h"
#include "support/crlf_text.h"

namespace {

using quorva::fuzz::Check;

bool IsOneLineEnd(std::string_view gap)
{
    return gap == "\r\n" || gap == "\r" || gap == "\n";
}

// The spans cover the text up to its first NUL, separated by single line ends.
void CheckSpansTileTheText(std::string_view text, const std::vector<quorva::TTextSpan>& spans)
{
    const std::string_view used = text.substr(0, text.find('\0'));
    std::size_t pos = 0;
    for (const quorva::TTextSpan& span : spans) {
        Check(span.offset <= used.size() && span.length <= used.size() - span.offset,
              "span outside the text");
        Check(span.In(used).find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
              "line holds a line end or NUL");
        if (&span != &spans.front())
            Check(span.offset >= pos && IsOneLineEnd(used.substr(pos, span.offset - pos)),
                  "lines not separated by exactly one line end");
        else
            Check(span.offset == 0, "first line does not start the text");
        pos = span.offset + span.length;
    }
    const std::string_view tail = used.substr(pos);
    Check(tail.empty() || IsOneLineEnd(tail), "text left after the last line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<quorva::TTextSpan> spans = quorva::test::SplitLineSpans(text);
    Check(quorva::CountLines(text) == spans.size(), "CountLines and the scanner disagree");
    CheckSpansTileTheText(text, spans);

    const std::vector<std::string> lines = quorva::test::SplitLines(text);
    Check(lines.size() == spans.size(), "SplitLines and SplitLineSpans disagree on the count");
    for (std::size_t i = 0; i < lines.size(); ++i)
        Check(lines[i] == spans[i].In(text), "SplitLines and SplitLineSpans disagree on a line");

    Check(quorva::test::SplitLines(quorva::test::JoinWithCrLf(lines)) == lines,
          "lines joined with CR LF split into other lines");
    return 0;
}
