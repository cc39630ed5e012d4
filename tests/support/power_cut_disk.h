#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "model/files/system_calls.h"

namespace quorva::test {

// What a disk may hold after the power is cut: every name under the disk's
// folder with the file (inode) it names, the folders, and each named file's
// bytes. `how` says how it came about, for a failure's message.
struct TCrashState {
    std::string how;
    std::map<std::string, ino_t> names;
    std::set<std::string> folders;
    std::map<ino_t, std::string> bytes;
};

// A disk whose power can be cut after any operation, for the tests of what
// survives. It takes the place of the system calls (see TSystemCalls) for
// the files under `root`: every call happens for real, and every one that
// changes a file or a name, or syncs one, is logged with its index and the
// time `clock` gives. From the log it tells what the disk may hold after a
// cut before operation k, as a page cache over a journalling file system
// would leave it:
//
//  - a file's bytes are durable once fsync or fdatasync of it follows them;
//    a name (made, linked, renamed, removed, a folder made) once a sync of
//    its folder follows it: the durable state;
//  - metadata kept in order, as ext4 with data=ordered keeps it: a prefix of
//    the names and sizes not yet synced reached the disk, none of the bytes;
//  - some of the writes not yet synced reached the disk in whole 4 KiB
//    pages, and one page only in its first 512-byte sector.
//
// A file is never really deleted while the disk is in place (a removed name
// is kept outside `root`), so that a crash state can give back the very file
// a name had, with its inode and modification time: the program's records
// name files by their identity. Its time of change does move when it is
// named again; and a file removed by a call outside the table is gone, so a
// new one with its bytes stands in for it.
class TPowerCutDisk {
public:
    using TClock = std::function<double()>; // seconds

    // What is under `root` now is durable. `keep` is a folder outside it, on
    // the same file system, where removed names are kept.
    TPowerCutDisk(std::string root, std::string keep, TClock clock);
    ~TPowerCutDisk();
    TPowerCutDisk(const TPowerCutDisk&) = delete;
    TPowerCutDisk& operator=(const TPowerCutDisk&) = delete;

    // Ends the log: what the program does afterwards (its recovery) passes
    // through, its removed names still kept.
    void StopLogging();
    // The cuts are before operation 0 to Operations() (after the last).
    std::size_t Operations() const;
    // The time of a cut: that of the operation it comes before (the end's for
    // the last).
    double TimeOf(std::size_t cut) const;
    // The durable state first, then up to about `sampled` other variants.
    std::vector<TCrashState> CrashStates(std::size_t cut, std::size_t sampled) const;
    // Puts `state` in the folder.
    void Enter(const TCrashState& state);

    // The log, one entry an operation.
    struct TOperation {
        enum class TKind { Write, Resize, Sync, SyncFolder, Name, Unname, Rename, MakeFolder };
        TKind kind;
        ino_t inode = 0;
        std::uint64_t offset = 0; // a write's place, a new size
        std::string data;         // a write's bytes
        std::string path, to;     // names: absolute
        double time = 0;
    };

private:
    friend struct TDiskCalls;
    struct TVariant;

    bool Inside(const std::string& path) const;
    void Log(TOperation operation);
    void Hold(int fd, const std::string& path, bool made);
    bool Known(int fd, ino_t& inode);
    int Keep(const std::string& path, bool alsoNamed);
    std::size_t SyncedBy(std::size_t index) const;
    TCrashState Replay(std::size_t cut, const TVariant& variant) const;

    std::string root_, keep_;
    TClock clock_;
    bool logging_ = true;
    double end_ = 0;
    std::size_t kept_ = 0;
    std::vector<TOperation> log_;
    TCrashState start_;
    std::set<std::string> folders_; // every folder made so far
    std::map<ino_t, int> held_;     // a descriptor of every file seen, so none is freed
    mutable std::recursive_mutex mutex_;
    std::unique_ptr<TSystemCallsOverride> override_;
};

} // namespace quorva::test
