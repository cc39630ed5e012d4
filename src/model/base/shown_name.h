#pragma once

#include <string>
#include <string_view>

namespace quorva {

// A file name as the user is shown it in a message: the name's bytes, with
// every byte that could change how the message reads written out instead:
// control characters as \n, \t, \r or \xNN, a backslash as \\, a double
// quote as \", and bytes that are not UTF-8 (or are invisible line and
// direction marks) as \xNN. So a name cannot end its quotes, start a line or
// turn the text around it; two different names never look alike.
std::string EscapedName(std::string_view name);

// The escaped name in double quotes: "<name>".
std::string QuotedName(std::string_view name);

// The quoted name on a line of its own, for questions: "\n\"<name>\"\n".
std::string NameLine(std::string_view name);

} // namespace quorva
