#include "support/power_cut_disk.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/falloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <utility>

namespace quorva::test {

using TKind = TPowerCutDisk::TOperation::TKind;

struct TPowerCutDisk::TVariant {
    std::string how;
    std::size_t metadata = 0; // names and sizes not yet synced that reached the disk, in order
    std::set<std::size_t> pages;
    std::size_t torn = SIZE_MAX;
};

namespace {

constexpr std::uint64_t PageBytes = 4096;
constexpr std::uint64_t SectorBytes = 512;

TPowerCutDisk* Disk = nullptr;

const TSystemCalls& Real()
{
    return RealSystemCalls();
}

std::string ParentOf(const std::string& path)
{
    return path.substr(0, path.rfind('/'));
}

std::string LinkTarget(const std::string& link)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

std::string Absolute(int folder, const char* path)
{
    if (path[0] == '/')
        return path;
    const std::string base = folder == AT_FDCWD
                                 ? std::filesystem::current_path().string()
                                 : LinkTarget("/proc/self/fd/" + std::to_string(folder));
    return *path ? base + "/" + path : base;
}

std::string ReadFrom(int fd)
{
    std::string bytes;
    char piece[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, piece, sizeof piece, at);
        if (got <= 0)
            return bytes;
        bytes.append(piece, static_cast<std::size_t>(got));
        at += got;
    }
}

void Put(std::string& bytes, std::uint64_t offset, std::string_view data)
{
    if (bytes.size() < offset + data.size())
        bytes.resize(offset + data.size(), '\0');
    bytes.replace(offset, data.size(), data);
}

} // namespace

// The entries of the system-call table while a disk is in place.
struct TDiskCalls {
    using TLock = std::lock_guard<std::recursive_mutex>;

    static int OpenAt(int folder, const char* path, int flags, mode_t mode)
    {
        const TLock lock(Disk->mutex_);
        const std::string name = Absolute(folder, path);
        const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
        struct stat before {};
        const bool existed = !unnamed && ::lstat(name.c_str(), &before) == 0;
        const int fd = Real().openat(folder, path, flags, mode);
        if (fd < 0 || !Disk->Inside(name))
            return fd;
        const bool made = unnamed || ((flags & O_CREAT) && !existed);
        Disk->Hold(fd, unnamed ? std::string() : name, made);
        ino_t inode = 0;
        if (!Disk->Known(fd, inode))
            return fd;
        if (made && !unnamed)
            Disk->Log({TKind::Name, inode, 0, {}, name, {}});
        else if (existed && (flags & O_TRUNC) && before.st_size > 0)
            Disk->Log({TKind::Resize, inode, 0, {}, {}, {}});
        return fd;
    }
    static int Open(const char* path, int flags, mode_t mode)
    {
        return OpenAt(AT_FDCWD, path, flags, mode);
    }

    // Where a write at the descriptor's position goes.
    static std::uint64_t Position(int fd)
    {
        struct stat status {};
        if ((::fcntl(fd, F_GETFL) & O_APPEND) && ::fstat(fd, &status) == 0)
            return static_cast<std::uint64_t>(status.st_size);
        return static_cast<std::uint64_t>(std::max<off_t>(0, ::lseek(fd, 0, SEEK_CUR)));
    }
    static void Wrote(ino_t inode, std::uint64_t at, const void* data, ssize_t size)
    {
        if (size > 0)
            Disk->Log({TKind::Write,
                       inode,
                       at,
                       std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)),
                       {},
                       {}});
    }
    static ssize_t Write(int fd, const void* data, size_t size)
    {
        const TLock lock(Disk->mutex_);
        ino_t inode = 0;
        const bool known = Disk->Known(fd, inode);
        const std::uint64_t at = known ? Position(fd) : 0;
        const ssize_t written = Real().write(fd, data, size);
        if (known)
            Wrote(inode, at, data, written);
        return written;
    }
    static ssize_t PWrite(int fd, const void* data, size_t size, off_t offset)
    {
        const TLock lock(Disk->mutex_);
        ino_t inode = 0;
        const bool known = Disk->Known(fd, inode);
        const ssize_t written = Real().pwrite(fd, data, size, offset);
        if (known)
            Wrote(inode, static_cast<std::uint64_t>(offset), data, written);
        return written;
    }
    static int Synced(int fd, int (*sync)(int))
    {
        const TLock lock(Disk->mutex_);
        const int result = sync(fd);
        struct stat status {};
        ino_t inode = 0;
        if (result != 0 || ::fstat(fd, &status) != 0)
            return result;
        if (S_ISDIR(status.st_mode)) {
            const std::string folder = LinkTarget("/proc/self/fd/" + std::to_string(fd));
            if (Disk->Inside(folder) || folder == Disk->root_)
                Disk->Log({TKind::SyncFolder, 0, 0, {}, folder, {}});
        } else if (Disk->Known(fd, inode)) {
            Disk->Log({TKind::Sync, inode, 0, {}, {}, {}});
        }
        return result;
    }
    static int FSync(int fd) { return Synced(fd, Real().fsync); }
    static int FDataSync(int fd) { return Synced(fd, Real().fdatasync); }
    static int FTruncate(int fd, off_t size)
    {
        const TLock lock(Disk->mutex_);
        ino_t inode = 0;
        const int result = Real().ftruncate(fd, size);
        if (result == 0 && Disk->Known(fd, inode))
            Disk->Log({TKind::Resize, inode, static_cast<std::uint64_t>(size), {}, {}, {}});
        return result;
    }
    static int FAllocate(int fd, int mode, off_t offset, off_t size)
    {
        const TLock lock(Disk->mutex_);
        struct stat before {};
        ino_t inode = 0;
        const bool known = Disk->Known(fd, inode) && ::fstat(fd, &before) == 0;
        const int result = Real().fallocate(fd, mode, offset, size);
        if (result == 0 && known && !(mode & FALLOC_FL_KEEP_SIZE) && offset + size > before.st_size)
            Disk->Log(
                {TKind::Resize, inode, static_cast<std::uint64_t>(offset + size), {}, {}, {}});
        return result;
    }
    static ssize_t CopyFileRange(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size,
                                 unsigned flags)
    {
        const TLock lock(Disk->mutex_);
        ino_t inode = 0;
        const bool known = Disk->Known(to, inode);
        const off_t at = toOffset ? *toOffset : ::lseek(to, 0, SEEK_CUR);
        const ssize_t copied = Real().copy_file_range(from, fromOffset, to, toOffset, size, flags);
        if (known && copied > 0) {
            std::string bytes(static_cast<std::size_t>(copied), '\0');
            bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(
                0, ::pread(Disk->held_.at(inode), bytes.data(), bytes.size(), at))));
            Wrote(inode, static_cast<std::uint64_t>(at), bytes.data(),
                  static_cast<ssize_t>(bytes.size()));
        }
        return copied;
    }
    static int CloneFile(int to, int from)
    {
        const TLock lock(Disk->mutex_);
        ino_t inode = 0;
        const bool known = Disk->Known(to, inode);
        const int result = Real().clone_file(to, from);
        if (result == 0 && known) {
            Disk->Log({TKind::Resize, inode, 0, {}, {}, {}});
            const std::string bytes = ReadFrom(Disk->held_.at(inode));
            Wrote(inode, 0, bytes.data(), static_cast<ssize_t>(bytes.size()));
        }
        return result;
    }
    static int RenameAt(int fromFolder, const char* from, int toFolder, const char* to,
                        unsigned flags)
    {
        const TLock lock(Disk->mutex_);
        const std::string source = Absolute(fromFolder, from);
        const std::string target = Absolute(toFolder, to);
        struct stat moved {};
        const bool inside =
            (Disk->Inside(source) || Disk->Inside(target)) && ::lstat(source.c_str(), &moved) == 0;
        // The file a rename replaces is kept too: a crash may give it back.
        if (inside && flags == 0)
            Disk->Keep(target, /*alsoNamed=*/true);
        const int result = Real().renameat2(fromFolder, from, toFolder, to, flags);
        if (result == 0 && inside)
            Disk->Log({TKind::Rename, moved.st_ino, 0, {}, source, target});
        return result;
    }
    static int Rename(const char* from, const char* to)
    {
        return RenameAt(AT_FDCWD, from, AT_FDCWD, to, 0);
    }
    static int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags)
    {
        const TLock lock(Disk->mutex_);
        const int result = Real().linkat(fromFolder, from, toFolder, to, flags);
        const std::string name = Absolute(toFolder, to);
        if (result != 0 || !Disk->Inside(name))
            return result;
        const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        ino_t inode = 0;
        if (fd >= 0) {
            Disk->Hold(fd, name, true);
            if (Disk->Known(fd, inode))
                Disk->Log({TKind::Name, inode, 0, {}, name, {}});
            ::close(fd);
        }
        return result;
    }
    static int Link(const char* from, const char* to)
    {
        return LinkAt(AT_FDCWD, from, AT_FDCWD, to, 0);
    }
    static int UnlinkAt(int folder, const char* path, int flags)
    {
        const TLock lock(Disk->mutex_);
        const std::string name = Absolute(folder, path);
        struct stat status {};
        if (!Disk->Inside(name) || ::lstat(name.c_str(), &status) != 0)
            return Real().unlinkat(folder, path, flags);
        int result = 0;
        if (S_ISREG(status.st_mode) && !(flags & AT_REMOVEDIR))
            result = Disk->Keep(name, /*alsoNamed=*/false);
        else
            result = Real().unlinkat(folder, path, flags);
        if (result == 0)
            Disk->Log({TKind::Unname, status.st_ino, 0, {}, name, {}});
        return result;
    }
    static int Unlink(const char* path) { return UnlinkAt(AT_FDCWD, path, 0); }
    static int MakeFolder(const char* path, mode_t mode)
    {
        const TLock lock(Disk->mutex_);
        const int result = Real().mkdir(path, mode);
        const std::string name = Absolute(AT_FDCWD, path);
        if (result == 0 && Disk->Inside(name))
            Disk->Log({TKind::MakeFolder, 0, 0, {}, name, {}});
        return result;
    }
};

namespace {

const TSystemCalls DiskCalls{
    TDiskCalls::Open,      TDiskCalls::OpenAt,    Real().close,          Real().read,
    Real().pread,          TDiskCalls::Write,     TDiskCalls::PWrite,    TDiskCalls::FSync,
    TDiskCalls::FDataSync, TDiskCalls::FTruncate, TDiskCalls::FAllocate, TDiskCalls::CopyFileRange,
    TDiskCalls::CloneFile, TDiskCalls::Rename,    TDiskCalls::RenameAt,  TDiskCalls::Link,
    TDiskCalls::LinkAt,    TDiskCalls::Unlink,    TDiskCalls::UnlinkAt,  TDiskCalls::MakeFolder,
    Real().fchmod,         Real().fchown,         Real().fsetxattr,
};

} // namespace

TPowerCutDisk::TPowerCutDisk(std::string root, std::string keep, TClock clock)
    : root_(std::filesystem::canonical(root).string()),
      keep_(std::filesystem::canonical(keep).string()), clock_(std::move(clock))
{
    start_.folders.insert(root_);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
        const std::string path = entry.path().string();
        if (entry.is_directory() && !entry.is_symlink())
            start_.folders.insert(path);
        else if (entry.is_regular_file() && !entry.is_symlink()) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            Hold(fd, path, true);
            ino_t inode = 0;
            if (Known(fd, inode)) {
                start_.names[path] = inode;
                start_.bytes[inode] = ReadFrom(held_.at(inode));
            }
            ::close(fd);
        }
    }
    folders_ = start_.folders;
    Disk = this;
    override_ = std::make_unique<TSystemCallsOverride>(DiskCalls);
}

TPowerCutDisk::~TPowerCutDisk()
{
    override_.reset();
    Disk = nullptr;
    for (const auto& [inode, fd] : held_)
        ::close(fd);
}

void TPowerCutDisk::StopLogging()
{
    const std::lock_guard lock(mutex_);
    logging_ = false;
    end_ = clock_();
}

std::size_t TPowerCutDisk::Operations() const
{
    const std::lock_guard lock(mutex_);
    return log_.size();
}

double TPowerCutDisk::TimeOf(std::size_t cut) const
{
    const std::lock_guard lock(mutex_);
    return cut < log_.size() ? log_[cut].time : end_;
}

bool TPowerCutDisk::Inside(const std::string& path) const
{
    return path.size() > root_.size() && path.starts_with(root_) && path[root_.size()] == '/';
}

void TPowerCutDisk::Log(TOperation operation)
{
    if (!logging_)
        return;
    operation.time = clock_();
    // A folder made by a call outside the table is made when first used.
    if (operation.kind == TKind::Name || operation.kind == TKind::Rename ||
        operation.kind == TKind::MakeFolder) {
        const std::string& path = operation.kind == TKind::Rename ? operation.to : operation.path;
        std::vector<std::string> missing;
        for (std::string folder = ParentOf(path); Inside(folder) && !folders_.contains(folder);
             folder = ParentOf(folder))
            missing.push_back(folder);
        for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
            folders_.insert(*folder);
            log_.push_back({TKind::MakeFolder, 0, 0, {}, *folder, {}, operation.time});
        }
        if (operation.kind == TKind::MakeFolder)
            folders_.insert(operation.path);
    }
    log_.push_back(std::move(operation));
}

// Keeps a descriptor of the file `fd` is open on, opened anew so that no
// lock taken through `fd` outlives it. A file first seen here that the disk
// did not see made (made by a call outside the table) counts as made now.
void TPowerCutDisk::Hold(int fd, const std::string& path, bool made)
{
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        held_.contains(status.st_ino))
        return;
    int own = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
    if (own < 0)
        own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    held_[status.st_ino] = own;
    if (made || path.empty())
        return;
    Log({TKind::Name, status.st_ino, 0, {}, path, {}});
    Log({TKind::Write, status.st_ino, 0, ReadFrom(own), {}, {}});
}

bool TPowerCutDisk::Known(int fd, ino_t& inode)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    // Opened by a call outside the table: seen now.
    if (const std::string path = LinkTarget("/proc/self/fd/" + std::to_string(fd));
        !held_.contains(status.st_ino) && Inside(path))
        Hold(fd, path, false);
    if (!held_.contains(status.st_ino))
        return false;
    inode = status.st_ino;
    return true;
}

// Moves the file named `path` out of the folder (or, `alsoNamed`, gives it a
// second name outside it), so that it lives on for the crash states that
// still name it.
int TPowerCutDisk::Keep(const std::string& path, bool alsoNamed)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return alsoNamed ? 0 : Real().unlink(path.c_str());
    const std::string kept = keep_ + "/" + std::to_string(++kept_);
    return alsoNamed ? ::link(path.c_str(), kept.c_str()) : ::rename(path.c_str(), kept.c_str());
}

// The index of the first sync that makes operation `index` durable, or
// SIZE_MAX.
std::size_t TPowerCutDisk::SyncedBy(std::size_t index) const
{
    const TOperation& done = log_[index];
    const auto syncs = [&](const TOperation& sync, const std::string& path) {
        return sync.kind == TKind::SyncFolder && sync.path == ParentOf(path);
    };
    std::size_t from = SIZE_MAX;
    std::size_t to = done.kind == TKind::Rename ? SIZE_MAX : 0;
    for (std::size_t at = index + 1; at < log_.size() && (from == SIZE_MAX || to == SIZE_MAX);
         ++at) {
        const TOperation& sync = log_[at];
        switch (done.kind) {
        case TKind::Write:
        case TKind::Resize:
            if (sync.kind == TKind::Sync && sync.inode == done.inode)
                return at;
            break;
        case TKind::Sync:
        case TKind::SyncFolder:
            return 0;
        default:
            if (from == SIZE_MAX && syncs(sync, done.path))
                from = at;
            if (to == SIZE_MAX && syncs(sync, done.to))
                to = at;
        }
    }
    return std::max(from, to);
}

TCrashState TPowerCutDisk::Replay(std::size_t cut, const TVariant& variant) const
{
    TCrashState state = start_;
    state.how = variant.how;
    std::size_t metadata = 0;
    std::size_t page = 0;
    const auto move = [&](const std::string& from, const std::string& to) {
        if (const auto named = state.names.find(from); named != state.names.end()) {
            const ino_t inode = named->second;
            state.names.erase(named);
            state.names[to] = inode;
        } else if (state.folders.erase(from)) {
            state.folders.insert(to);
        }
    };
    for (std::size_t at = 0; at < cut; ++at) {
        const TOperation& done = log_[at];
        const bool durable = SyncedBy(at) < cut;
        if (done.kind == TKind::Write) {
            std::string& bytes = state.bytes[done.inode];
            if (durable) {
                Put(bytes, done.offset, done.data);
                continue;
            }
            const std::uint64_t end = done.offset + done.data.size();
            for (std::uint64_t from = done.offset; from < end; ++page) {
                const std::uint64_t pageEnd = std::min(end, (from / PageBytes + 1) * PageBytes);
                const std::uint64_t until =
                    variant.pages.contains(page) ? pageEnd
                    : page == variant.torn
                        ? std::min(pageEnd, (from / SectorBytes + 1) * SectorBytes)
                        : from;
                Put(bytes, from,
                    std::string_view(done.data).substr(from - done.offset, until - from));
                from = pageEnd;
            }
            continue;
        }
        if (done.kind == TKind::Sync || done.kind == TKind::SyncFolder ||
            !(durable || metadata++ < variant.metadata))
            continue;
        switch (done.kind) {
        case TKind::Resize:
            state.bytes[done.inode].resize(done.offset, '\0');
            break;
        case TKind::Name:
            state.names[done.path] = done.inode;
            state.bytes.try_emplace(done.inode);
            break;
        case TKind::Unname:
            state.names.erase(done.path);
            state.folders.erase(done.path);
            break;
        case TKind::Rename:
            move(done.path, done.to);
            break;
        case TKind::MakeFolder:
            state.folders.insert(done.path);
            break;
        default:
            break;
        }
    }
    // Nothing is reached through a folder the disk lost.
    for (auto folder = state.folders.begin(); folder != state.folders.end();)
        folder = *folder != root_ && !state.folders.contains(ParentOf(*folder))
                     ? state.folders.erase(folder)
                     : std::next(folder);
    std::erase_if(state.names, [&](const auto& named) {
        return !state.folders.contains(ParentOf(named.first));
    });
    std::erase_if(state.bytes, [&](const auto& file) {
        return std::none_of(state.names.begin(), state.names.end(),
                            [&](const auto& named) { return named.second == file.first; });
    });
    return state;
}

std::vector<TCrashState> TPowerCutDisk::CrashStates(std::size_t cut, std::size_t sampled) const
{
    const std::lock_guard lock(mutex_);
    std::size_t pages = 0;
    std::size_t metadata = 0;
    for (std::size_t at = 0; at < cut; ++at) {
        const TOperation& done = log_[at];
        if (done.kind == TKind::Sync || done.kind == TKind::SyncFolder || SyncedBy(at) < cut)
            continue;
        if (done.kind != TKind::Write)
            ++metadata;
        else if (!done.data.empty())
            pages += (done.offset + done.data.size() - 1) / PageBytes - done.offset / PageBytes + 1;
    }
    std::vector<TVariant> variants(1);
    variants[0].how = "durable";
    for (std::size_t part = 1, parts = std::min(metadata, sampled); part <= parts; ++part) {
        const std::size_t prefix = metadata * part / parts;
        TVariant& variant = variants.emplace_back();
        variant.how = "first " + std::to_string(prefix) + " of " + std::to_string(metadata) +
                      " names and sizes in order";
        variant.metadata = prefix;
    }
    std::mt19937 random(static_cast<unsigned>(cut));
    const bool everySubset = pages < 16 && (std::size_t{1} << pages) <= sampled + 1;
    const std::size_t subsets = everySubset ? (std::size_t{1} << pages) - 1 : pages ? sampled : 0;
    for (std::size_t subset = 1; subset <= subsets; ++subset) {
        TVariant variant;
        for (std::size_t page = 0; page < pages; ++page)
            if (everySubset ? (subset >> page) & 1 : subset == 1 || random() % 2)
                variant.pages.insert(page);
        variant.how = std::to_string(variant.pages.size()) + " of " + std::to_string(pages) +
                      " pages written since the last sync";
        variants.push_back(std::move(variant));
    }
    if (pages) {
        TVariant torn;
        torn.how = "the pages written since the last sync, the last torn at 512 bytes";
        for (std::size_t page = 0; page + 1 < pages; ++page)
            torn.pages.insert(page);
        torn.torn = pages - 1;
        variants.push_back(std::move(torn));
    }
    std::vector<TCrashState> states;
    for (const TVariant& variant : variants) {
        TCrashState state = Replay(cut, variant);
        if (std::none_of(states.begin(), states.end(), [&](const TCrashState& other) {
                return other.names == state.names && other.folders == state.folders &&
                       other.bytes == state.bytes;
            }))
            states.push_back(std::move(state));
    }
    return states;
}

void TPowerCutDisk::Enter(const TCrashState& state)
{
    const std::lock_guard lock(mutex_);
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        found.push_back(entry.path().string());
    // Deepest first: a folder's entries go before it.
    std::sort(found.rbegin(), found.rend());
    for (const std::string& path : found) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            if (!state.folders.contains(path))
                fs::remove_all(path);
        } else if (const auto named = state.names.find(path);
                   named == state.names.end() || named->second != status.st_ino) {
            Keep(path, false);
        }
    }
    for (const std::string& folder : state.folders)
        ::mkdir(folder.c_str(), 0700);
    for (const auto& [path, inode] : state.names) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) == 0 && status.st_ino == inode)
            continue;
        // A file removed by a call outside the table is gone: a new one
        // with its bytes stands in for it.
        const std::string held = "/proc/self/fd/" + std::to_string(held_.at(inode));
        if (::linkat(AT_FDCWD, held.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0)
            ::close(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    }
    for (const auto& [path, inode] : state.names) {
        const std::string& bytes = state.bytes.at(inode);
        struct stat status {};
        if (::lstat(path.c_str(), &status) == 0 && status.st_ino == inode &&
            ReadFrom(held_.at(inode)) == bytes)
            continue;
        const auto named = state.names.find(path);
        const int fd = ::open(named->first.c_str(), O_WRONLY | O_CLOEXEC);
        const bool put =
            fd >= 0 && ::ftruncate(fd, 0) == 0 &&
            ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
        if (fd >= 0)
            ::close(fd);
        if (!put)
            throw std::runtime_error("cannot write back " + named->first);
    }
    // A file named again needs no second name outside.
    for (const auto& entry : fs::directory_iterator(keep_)) {
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) == 0 &&
            std::any_of(state.names.begin(), state.names.end(),
                        [&](const auto& name) { return name.second == status.st_ino; }))
            ::unlink(entry.path().c_str());
    }
}

} // namespace quorva::test
