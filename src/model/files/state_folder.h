#pragma once

#include <string>
#include <sys/stat.h>

#include "model/files/file_descriptor.h"

namespace quorva {

// Where the program keeps what it reads back later (backups of files saved
// in place, their records, journals of unsaved rows), and how it opens it.
//
// Such files are acted on: a record makes the program put a file back, a
// journal brings rows back. So they live only in the user's own private
// folder, and every one is opened as what it claims to be. The one rule:
//
//   <root>/quorva/<sub>, where <root> is $XDG_STATE_HOME when it is an
//   absolute path (a relative one is ignored), otherwise $HOME/.local/state,
//   with HOME from the environment when absolute, else from the password
//   database. Never a folder shared with other users, such as /tmp.

// The state root, without creating anything.
std::string StateRoot();

// Returns "<root>/quorva/<sub>" (sub like "backups"), creating every missing
// folder on the way with mode 0700 whatever the umask.
//
// An existing "quorva" or `sub` folder is used only when it is a real folder
// (not a symbolic link), owned by this user, and neither group nor others
// may write to it; the root itself only when others cannot write to it (or
// it is sticky, as /tmp is). Otherwise raises Error naming the folder, and
// nothing is created in it.
std::string StateFolder(const std::string& sub);

// Whether `fileName`, followed through its links, names a file (existing or
// not) inside "<root>/quorva", itself reached through links: such a file is
// the program's own, and never the output of anything the user asks for.
// False where there is no state folder yet.
bool IsInStateFolder(const std::string& fileName);

// Opens an existing state file with `flags` | O_NOFOLLOW | O_NONBLOCK |
// O_CLOEXEC (so that a planted link is not followed and a FIFO does not
// block), then checks what was opened: a regular file, owned by this user,
// that neither group nor others may write. Otherwise closes it and raises
// Error naming the file. `flags` must not hold O_CREAT or O_TRUNC.
TFileDescriptor OpenStateFile(const std::string& path, int flags);

// Creates a new state file at `path` with mode 0600, failing (Error naming
// the file) when anything at all is already there: O_CREAT | O_EXCL, so no
// link is followed and no file of anyone else's is reused. `flags` holds the
// access mode (O_WRONLY or O_RDWR).
TFileDescriptor CreateStateFile(const std::string& path, int flags);

// Why a file with `status` is not one this user may trust, or nullptr when
// it is: a regular file (with `folder`, a folder) owned by this user, that
// neither group nor others may write. The one test behind the functions
// above, for a caller that has stat'ed a file itself.
const char* WhyNotPrivate(const struct stat& status, bool folder = false);

} // namespace quorva
