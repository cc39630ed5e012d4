#pragma once

#include <atomic>
#include <cstdint>

#include "model/base/progress.h"

namespace quorva {

// Copies all of `from` onto `to`, both from their start, without taking the
// bytes into this process where the kernel can copy them itself: a shared
// clone where the file system has one, else copy_file_range, else reads and
// writes. Returns 0 or the errno value of what failed; ECANCELED once `stop`
// is set, which is looked at between steps: 64 MiB the kernel copies (1 MiB
// read and written here), so a stop waits for the step under way, as long
// as the disks take to copy that much: well under a second on a local disk,
// seconds on a slow one. A clone is not stopped, and takes no time.
int CopyFromStart(int from, int to, const std::atomic<bool>* stop = nullptr);

// A checksum of everything `fd` holds from its start, read in pieces so that
// a file larger than memory can be checked. Raises Error when reading fails,
// Cancelled once `stop` is set or `progress`, asked after each piece, says
// stop.
std::uint64_t ContentChecksum(int fd, const std::atomic<bool>* stop = nullptr,
                              TProgress& progress = NoProgress());

} // namespace quorva
