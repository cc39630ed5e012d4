#include "model/files/file_path.h"

#include <cerrno>
#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quorva {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

std::string CanonicalPath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path canonical =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    return error || canonical.empty() ? AbsolutePath(path) : canonical.string();
}

int ResolveLinks(const std::string& fileName, std::string& resolved)
{
    constexpr int MaxLinks = 40;
    resolved = fileName;
    for (int hops = 0; hops <= MaxLinks; ++hops) {
        struct stat status {};
        if (::lstat(resolved.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return 0;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
        if (length < 0)
            return errno;
        target.resize(static_cast<std::size_t>(length));
        resolved = target.starts_with('/') ? target : FolderOf(resolved) + "/" + target;
    }
    return ELOOP;
}

} // namespace quorva
