#include "model/files/file_descriptor.h"

#include <cerrno>
#include <unistd.h>

#include "model/files/system_calls.h"

namespace quorva {

TFileDescriptor::~TFileDescriptor()
{
    Close();
}

TFileDescriptor& TFileDescriptor::operator=(TFileDescriptor&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

int TFileDescriptor::Close()
{
    if (fd_ < 0)
        return 0;
    // Closed even when close() fails: retrying could close another file.
    const int result = Sys().close(Release());
    return result == 0 ? 0 : errno;
}

} // namespace quorva
