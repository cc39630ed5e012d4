#pragma once

#include <map>
#include <string>

namespace quorva::test {

// Everything under a folder, by path relative to it: a file's bytes (or
// "<unreadable>"), a link's "-> target", a folder's "<folder>", anything else
// (pipe, socket, device) "<special>". Two equal
// snapshots mean nothing was written, created, replaced or left behind, at
// any depth.
using TFolderSnapshot = std::map<std::string, std::string>;

TFolderSnapshot SnapshotFolder(const std::string& folder);

// How many descriptors this process has open: an unlinked work file left
// open holds its disk space though no folder shows it.
std::size_t OpenDescriptorCount();

} // namespace quorva::test
