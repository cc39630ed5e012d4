#include "model/files/state_folder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/files/file_io.h"
#include "model/files/file_path.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

constexpr mode_t OthersWrite = S_IWGRP | S_IWOTH;

[[noreturn]] void Refuse(const char* what, const std::string& path, const std::string& why)
{
    throw Error(std::string("The ") + what + " " + QuotedName(path) + " is not used: " + why + ".");
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return home;
    // getpwuid's record is static; it is copied before anything else runs.
    const passwd* user = ::getpwuid(::getuid());
    if (user && user->pw_dir && *user->pw_dir == '/')
        return user->pw_dir;
    throw Error("The state folder cannot be found: HOME is not set to an absolute path, and "
                "this user has no home folder.");
}

// Makes `path` if it is missing, as 0700. Returns whether it made it.
// A folder made is synced into its parent at once: a power cut must not
// take the folder, and with it the first journal, after the journal itself
// was flushed.
bool MakeFolder(const std::string& path)
{
    if (Sys().mkdir(path.c_str(), 0700) == 0) {
        // The umask may have taken even the owner's bits.
        ::chmod(path.c_str(), 0700);
        SyncFolderOf(path);
        return true;
    }
    if (errno != EEXIST)
        throw Error(CannotCreateFolderMessage(path, errno));
    return false;
}

// Makes every missing folder of `path`, each 0700.
void MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        MakeFolder(path.substr(0, slash));
    MakeFolder(path);
}

// The root may be any folder of the user's (or the system's), but none that
// others may change, or they could swap the program's folder inside it.
void CheckRoot(const std::string& root)
{
    struct stat status {};
    if (::stat(root.c_str(), &status) != 0)
        throw Error(CannotOpenFolderMessage(root, errno));
    if (!S_ISDIR(status.st_mode))
        Refuse("state folder", root, "it is not a folder");
    if ((status.st_mode & S_IWOTH) && !(status.st_mode & S_ISVTX))
        Refuse("state folder", root, "other users may change it");
}

// Makes `path` (0700) if missing; checks it whether made or found.
void MakePrivateFolder(const std::string& path)
{
    const bool made = MakeFolder(path);
    const TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid())
        Refuse("state folder", path,
               errno == ELOOP || errno == ENOTDIR ? "it is not a folder" : SystemErrorText(errno));
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0)
        Refuse("state folder", path, SystemErrorText(errno));
    if (made && Sys().fchmod(fd.Get(), 0700) == 0)
        status.st_mode = S_IFDIR | 0700;
    if (const char* why = WhyNotPrivate(status, true))
        Refuse("state folder", path, why);
}

void CheckOpened(const TFileDescriptor& fd, const std::string& path)
{
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0)
        Refuse("state file", path, SystemErrorText(errno));
    if (const char* why = WhyNotPrivate(status))
        Refuse("state file", path, why);
}

} // namespace

std::string StateRoot()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return state;
    return HomeFolder() + "/.local/state";
}

std::string StateFolder(const std::string& sub)
{
    const std::string root = StateRoot();
    MakeFolders(root);
    CheckRoot(root);
    const std::string program = root + "/quorva";
    MakePrivateFolder(program);
    const std::string folder = program + "/" + sub;
    MakePrivateFolder(folder);
    return folder;
}

bool IsInStateFolder(const std::string& fileName)
{
    std::string resolved;
    if (ResolveLinks(fileName, resolved) != 0)
        return false;
    std::string program;
    try {
        program = StateRoot() + "/quorva";
    } catch (const Error&) {
        return false;
    }
    const std::string folder = CanonicalPath(FolderOf(resolved));
    const std::string own = CanonicalPath(program);
    return !own.empty() && !folder.empty() && (folder == own || folder.starts_with(own + "/"));
}

TFileDescriptor OpenStateFile(const std::string& path, int flags)
{
    TFileDescriptor fd(Sys().open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd.Valid())
        Refuse("state file", path,
               errno == ELOOP ? "it is a symbolic link" : SystemErrorText(errno));
    CheckOpened(fd, path);
    // Reads and writes block as usual from here on.
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

TFileDescriptor CreateStateFile(const std::string& path, int flags)
{
    TFileDescriptor fd(
        Sys().open(path.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.Valid())
        throw Error(CannotCreateFileMessage(path, errno));
    Sys().fchmod(fd.Get(), 0600);
    return fd;
}

const char* WhyNotPrivate(const struct stat& status, bool folder)
{
    if (!(folder ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode)))
        return folder ? "it is not a folder" : "it is not a regular file";
    if (status.st_uid != ::geteuid())
        return "it belongs to another user";
    if (status.st_mode & OthersWrite)
        return "other users may write to it";
    return nullptr;
}

} // namespace quorva
