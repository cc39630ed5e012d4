#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorva {

// Replaces a file's contents all or nothing: the text goes into a temporary
// file in the target's folder, which is flushed to disk and then renamed over
// the target. Until Commit() succeeds the target is untouched; a writer that
// is destroyed without a successful Commit() removes its temporary file.
//
// The target is refused as the old in-place writer would have refused it: a
// folder, a missing folder or an existing file the user may not write fails
// with "Cannot create file". A symbolic link is followed, so the file it
// points to is replaced and the link stays. An existing file keeps its
// permission bits. A target that exists but is no regular file (a device, a
// pipe) cannot be renamed over and is written in place.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const std::string& fileName);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Writes all of `data`, retrying short writes; raises "Stream write error"
    // when the system accepts no more.
    void Write(std::string_view data);

    // Flushes, closes and renames the temporary file over the target.
    void Commit();

private:
    void StartWriteBack() noexcept;
    void SyncFolder() const noexcept;
    void Discard() noexcept;

    std::string fileName_;   // as the caller named it, for messages
    std::string targetPath_; // after following symbolic links
    std::string tempPath_;   // empty when writing in place
    int fd_ = -1;
    bool committed_ = false;
    std::size_t written_ = 0;
    std::size_t writtenBack_ = 0;
};

} // namespace quorva
