#include "model/files/system_calls.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quorva {
namespace {

// open() and openat() take their mode as a variadic argument: the table's
// entries give it always.
int OpenFile(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags, mode);
}

int OpenFileAt(int folder, const char* path, int flags, mode_t mode)
{
    return ::openat(folder, path, flags, mode);
}

int CloneFile(int to, int from)
{
    return ::ioctl(to, FICLONE, from);
}

constexpr TSystemCalls RealCalls{
    OpenFile,   OpenFileAt, ::close,     ::read,      ::pread,     ::write,
    ::pwrite,   ::fsync,    ::fdatasync, ::ftruncate, ::fallocate, ::copy_file_range,
    CloneFile,  ::rename,   ::renameat2, ::link,      ::linkat,    ::unlink,
    ::unlinkat, ::mkdir,    ::fchmod,    ::fchown,    ::fsetxattr,
};

TSystemCalls InUse = RealCalls;

} // namespace

TSystemCalls& Sys()
{
    return InUse;
}

const TSystemCalls& RealSystemCalls()
{
    return RealCalls;
}

TSystemCallsOverride::TSystemCallsOverride(const TSystemCalls& replacement) : previous_(InUse)
{
    InUse = replacement;
}

TSystemCallsOverride::~TSystemCallsOverride()
{
    InUse = previous_;
}

} // namespace quorva
