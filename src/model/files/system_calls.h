#pragma once

#include <sys/types.h>

namespace quorva {

// Every system call that changes a file or a name, and the reads and syncs
// that go with them, goes through this one table, so that a test can replace
// an entry (to inject a failure, or to keep what a disk would keep after a
// power cut) and put it back. Product code calls Sys().write(...) and the
// like, never ::write directly, for files on disk.
struct TSystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*openat)(int folder, const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* data, size_t size);
    ssize_t (*pread)(int fd, void* data, size_t size, off_t offset);
    ssize_t (*write)(int fd, const void* data, size_t size);
    ssize_t (*pwrite)(int fd, const void* data, size_t size, off_t offset);
    int (*fsync)(int fd);
    int (*fdatasync)(int fd);
    int (*ftruncate)(int fd, off_t size);
    int (*fallocate)(int fd, int mode, off_t offset, off_t size);
    ssize_t (*copy_file_range)(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size,
                               unsigned flags);
    // Shares all of `from`'s blocks with `to` (ioctl FICLONE).
    int (*clone_file)(int to, int from);
    int (*rename)(const char* from, const char* to);
    int (*renameat2)(int fromFolder, const char* from, int toFolder, const char* to,
                     unsigned flags);
    int (*link)(const char* from, const char* to);
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    int (*unlink)(const char* path);
    int (*unlinkat)(int folder, const char* path, int flags);
    int (*mkdir)(const char* path, mode_t mode);
    int (*fchmod)(int fd, mode_t mode);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    int (*fsetxattr)(int fd, const char* name, const void* value, size_t size, int flags);
};

// The table in use: the real calls unless a test has put another in place.
TSystemCalls& Sys();

// The real calls, for a test that replaces some entries and forwards the rest.
const TSystemCalls& RealSystemCalls();

// Puts `replacement` in use for its lifetime and the previous table back
// after. Made and ended while no other thread uses the table.
class TSystemCallsOverride {
public:
    explicit TSystemCallsOverride(const TSystemCalls& replacement);
    ~TSystemCallsOverride();
    TSystemCallsOverride(const TSystemCallsOverride&) = delete;
    TSystemCallsOverride& operator=(const TSystemCallsOverride&) = delete;

private:
    TSystemCalls previous_;
};

} // namespace quorva
