#pragma once

#include <string>

namespace quorva {

// How a file name given by the user becomes the path its data goes to, one
// rule for every writer and for every check made before writing.

// The folder that holds `path`: "." for a bare name, "/" for a name at the
// root.
std::string FolderOf(const std::string& path);

// The last part of `path`.
std::string BaseNameOf(const std::string& path);

// `path` made absolute against the current folder, as messages show it and
// as a later start from another folder finds it again; `path` itself when
// the current folder cannot be had.
std::string AbsolutePath(const std::string& path);

// `path` absolute, with every link and "." or ".." resolved as far as the
// path exists, so that two spellings of one place give one name; the
// absolute path when that fails.
std::string CanonicalPath(const std::string& path);

// Follows a chain of symbolic links to the path the data really goes to,
// which may not exist yet (a dangling link creates its target, as opening it
// would). Returns an errno value on failure (ELOOP for too long a chain), 0
// on success.
int ResolveLinks(const std::string& fileName, std::string& resolved);

} // namespace quorva
