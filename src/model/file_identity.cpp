#include "model/file_identity.h"

#include <sys/stat.h>

namespace quorva {

std::optional<TFileIdentity> IdentifyFile(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        return std::nullopt;
    return TFileIdentity{static_cast<std::uint64_t>(status.st_dev),
                         static_cast<std::uint64_t>(status.st_ino),
                         static_cast<std::uint64_t>(status.st_size),
                         status.st_mtim.tv_sec,
                         status.st_mtim.tv_nsec,
                         status.st_ctim.tv_sec,
                         status.st_ctim.tv_nsec};
}

void TKnownFile::Remember(const std::string& fileName)
{
    name_ = fileName;
    identity_ = IdentifyFile(fileName);
}

bool TKnownFile::ChangedByAnother(const std::string& fileName) const
{
    if (!identity_ || fileName != name_)
        return false;
    const std::optional<TFileIdentity> now = IdentifyFile(fileName);
    return now && *now != *identity_;
}

} // namespace quorva
