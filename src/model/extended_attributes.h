#pragma once

#include <string>

namespace quorva {

// Gives the open file `to` every extended attribute of the file at `from`:
// user attributes, POSIX ACLs (the system.posix_acl_* attributes), security
// labels. Returns false when one of them could not be read or set, e.g. a
// label only a privileged user may set; `to` may then hold some of them.
bool CopyExtendedAttributes(const std::string& from, int to);

} // namespace quorva
