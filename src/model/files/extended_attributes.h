#pragma once

#include <string>

namespace quorva {

// Makes the extended attributes of the open file `to` exactly those of the
// file at `from`, as far as the user can see them: user attributes, POSIX
// ACLs (the system.posix_acl_* attributes), security labels; those `to` has
// and `from` lacks, as an ACL inherited from a folder's default ACL, are
// removed. (Only root sees trusted.* attributes, so only root keeps them.)
// Returns false when one of them could not be read, set or removed, e.g. a
// label only a privileged user may set; `to` may then hold some of them.
bool MatchExtendedAttributes(const std::string& from, int to);

} // namespace quorva
