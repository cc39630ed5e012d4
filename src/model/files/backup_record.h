#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorva {

// The records that make a backup trusted: each names the file copied and
// the copy, with their identities, in the user's private state folder, and
// is whole or absent.

// A backup left behind, and the file it belongs to (both absolute), as its
// record tells.
struct TFoundBackup {
    std::string target;
    std::string backup;
    // The record that names them.
    std::string record;
    std::uint64_t targetDevice = 0, targetInode = 0;
    // The backup's size and time of change too: a file made after the
    // backup was removed may get its inode number.
    std::uint64_t backupDevice = 0, backupInode = 0, backupSize = 0, backupTime = 0;
    // Why the backup is not to be offered, or "" when it is this user's
    // backup of the file. (A backup whose record says it is gone, and there
    // is none, is not found at all.)
    std::string refused;
};

inline constexpr std::string_view RecordEnding = ".record";

// A hash of a whole path, as sixteen hexadecimal digits.
std::string PathHash(const std::string& path);
// Where the record of `found` goes in `folder`.
std::string RecordPath(const std::string& folder, const TFoundBackup& found);
// Writes the record of `found` at `found.record`; returns 0 or the errno value.
int WriteRecord(const TFoundBackup& found);
// Reads the record at `recordPath`; any record that cannot be trusted comes
// back refused, with why.
TFoundBackup ReadRecord(const std::string& recordPath);

} // namespace quorva
