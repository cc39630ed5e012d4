#include "support/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

#include "support/child_process.h"

namespace quorva::test {
namespace {

// The tests keep the program's state (backups of files rewritten in place)
// in a folder of their own, open to every user as /tmp is, with a folder
// inside for each user the tests run as.
const struct TOwnStateFolder {
    TTempDir folder;
    TOwnStateFolder()
    {
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::all |
                                                        std::filesystem::perms::sticky_bit);
        UseStateFolderOfThisUser();
    }
} OwnStateFolder;

} // namespace

void UseStateFolderOfThisUser()
{
    const std::string folder = OwnStateFolder.folder.File(std::to_string(::geteuid()));
    std::filesystem::create_directories(folder);
    ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
}

TTempDir::TTempDir()
{
    // Root's folder for temporary files may be closed to other users, and a
    // test may hand the folder to one (see unprivileged.h); /tmp is open.
    const std::filesystem::path base =
        ::geteuid() == 0 ? std::filesystem::path("/tmp") : std::filesystem::temp_directory_path();
    std::string pattern = (base / "quorva-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    // A test may have taken write permission away; give it back first.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TTempDir::Listing() const
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.insert(entry.path().filename().string());
    std::string listing;
    for (const std::string& name : names)
        listing += (listing.empty() ? "" : " ") + name;
    return listing;
}

std::string ReadBytes(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + fileName);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& fileName, const std::string& bytes)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + fileName);
}

bool Exists(const std::string& fileName)
{
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(fileName, ignored));
}

namespace {

std::string RunWithLimit(int resource, long limit, const std::function<void()>& action)
{
    return MessageFromChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lowered{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(resource, &lowered);
        action();
    });
}

} // namespace

std::string RunWithFileSizeLimit(long limit, const std::function<void()>& action)
{
    return RunWithLimit(RLIMIT_FSIZE, limit, action);
}

std::string RunWithMemoryLimit(long limit, const std::function<void()>& action)
{
    return RunWithLimit(RLIMIT_AS, limit, action);
}

std::string RunWithMemoryHeadroom(long headroom, const std::function<void()>& action)
{
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return RunWithMemoryLimit(pages * ::sysconf(_SC_PAGESIZE) + headroom, action);
}

} // namespace quorva::test
