#include "model/files/file_identity.h"

#include "model/files/file_path.h"

namespace quorva {

TFileIdentity IdentityOf(const struct stat& status)
{
    return TFileIdentity{static_cast<std::uint64_t>(status.st_dev),
                         static_cast<std::uint64_t>(status.st_ino),
                         static_cast<std::uint64_t>(status.st_size),
                         status.st_mtim.tv_sec,
                         status.st_mtim.tv_nsec,
                         status.st_ctim.tv_sec,
                         status.st_ctim.tv_nsec};
}

std::optional<TFileIdentity> IdentifyFile(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        return std::nullopt;
    return IdentityOf(status);
}

std::optional<TFileIdentity> IdentifyOpenFile(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return IdentityOf(status);
}

bool IsSameFile(const std::string& one, const std::string& other)
{
    const auto first = IdentifyFile(one);
    const auto second = IdentifyFile(other);
    return first && second && first->SameFile(*second);
}

void TKnownFile::Remember(const std::string& fileName)
{
    Remember(fileName, IdentifyFile(fileName));
}

void TKnownFile::Remember(const std::string& fileName, const std::optional<TFileIdentity>& identity)
{
    name_ = fileName;
    // Made absolute now: a later start may run from another folder.
    absolute_ = fileName.empty() ? std::string() : AbsolutePath(fileName);
    identity_ = identity;
}

bool TKnownFile::Names(const std::string& fileName) const
{
    if (absolute_.empty())
        return false;
    const auto now = IdentifyFile(fileName);
    if (!now)
        return AbsolutePath(fileName) == absolute_;
    if (identity_ && identity_->SameFile(*now))
        return true;
    const auto standing = IdentifyFile(absolute_);
    return standing && standing->SameFile(*now);
}

bool TKnownFile::ChangedByAnother(const std::string& fileName) const
{
    if (!identity_ || !Names(fileName))
        return false;
    const std::optional<TFileIdentity> now = IdentifyFile(fileName);
    return now && *now != *identity_;
}

} // namespace quorva
