#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "model/files/file_descriptor.h"

namespace quorva {

// Whole reads, whole writes, folder syncs and new files, each on the system
// call table and each with one rule for errors: EINTR is retried, and a
// write that takes nothing of a non-empty request counts as a full disk
// (ENOSPC), since the system gave no other reason. Each returns 0 or the
// errno value of the failure.

int WriteAll(int fd, std::string_view bytes);
// As above; where the descriptor is non-blocking and full (a pipe, a
// socket), calls `whenFull(fd)` and tries again, so that the caller decides
// how to wait and whether to stop waiting (by throwing).
int WriteAll(int fd, std::string_view bytes, const std::function<void(int)>& whenFull);
// As above; on any other failure than EINTR, asks `retry(error)` whether to
// try again (after it has made that worthwhile), or to give up with it.
int WriteAllRetrying(int fd, std::string_view bytes, const std::function<bool(int)>& retry);
int PWriteAll(int fd, std::string_view bytes, off_t offset);
// Appends what is left to read of `fd`, up to its end, to `bytes`.
int ReadAll(int fd, std::string& bytes);

// Makes the names created, renamed or removed in `folder` durable.
int SyncFolder(const std::string& folder);
// The same for the folder that holds `path`.
int SyncFolderOf(const std::string& path);

// Gives `create(name)` fresh names of `prefix` and six random letters until
// it makes a file of one, or fails for another reason than a name in use
// (`create` returns 0 or an errno value). Returns 0 with the name in `name`,
// or the errno value of the last failure.
int CreateUnderFreshName(const std::string& prefix, std::string& name,
                         const std::function<int(const std::string&)>& create);

// A new file that has no name until it is complete, so that a crash before
// then leaves nothing behind: the caller writes it through Fd(), flushes it,
// then links it at its name. Where the file system has no unnamed files it
// gets a hidden name of `fallbackPrefix` and six random letters instead,
// removed again unless linked.
class TUnnamedFile {
public:
    TUnnamedFile() = default;
    ~TUnnamedFile();
    TUnnamedFile(TUnnamedFile&& other) noexcept;
    TUnnamedFile& operator=(TUnnamedFile&& other) noexcept;

    // Creates the file in `folder` with `mode` (less the umask) and `access`
    // (O_WRONLY or O_RDWR). Returns 0 or an errno value.
    int Open(const std::string& folder, mode_t mode, int access, const std::string& fallbackPrefix);
    int Fd() const { return fd_.Get(); }
    bool Valid() const { return fd_.Valid(); }
    // The hidden name it had to take, or "" while it has none.
    const std::string& HiddenName() const { return hiddenName_; }
    // Gives the file the name `name` as well, never replacing a file there
    // (EEXIST). The caller syncs the folder once its names are all made.
    int LinkAt(const std::string& name) const;
    // Gives the file the name `name` in one step, replacing the file there;
    // it then has no hidden name any more. The caller syncs the folder.
    int RenameOver(const std::string& name);
    // Hands the descriptor over; a hidden name goes, the names given by
    // LinkAt stay.
    TFileDescriptor Release();
    // Closes it; a hidden name goes with it.
    void Discard() noexcept;

private:
    TFileDescriptor fd_;
    std::string hiddenPrefix_;
    std::string hiddenName_;
};

} // namespace quorva
