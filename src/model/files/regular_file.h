#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "model/base/progress.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_error.h"

namespace quorva {

// A file opened for reading that is sure to be a regular file. Anything else
// is refused at once with "Cannot open file": reading a named pipe would wait
// for a writer, and a device may never end. Opening never waits for a writer
// of a pipe; it waits, asking `progress` whether to go on, while the program
// writes the file elsewhere (see WaitForLock), and holds a shared lock until
// the file is closed, so that what is read is a whole text.
class TRegularFile {
public:
    // The message of a failure to open or read, from the name and errno.
    using TFailureText = std::string (*)(const std::string& fileName, int errorCode);

    explicit TRegularFile(const std::string& fileName, TProgress& progress = NoProgress(),
                          TFailureText failureText = CannotOpenFileMessage);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    // The size when opened.
    std::uint64_t Size() const { return size_; }

    // The whole contents, read from the start. `onRead(bytes)` is told the
    // bytes read so far after each piece; it may throw to stop. Raises
    // "Cannot open file" when reading fails.
    using OnReadFn = std::function<void(std::uint64_t bytesRead)>;
    std::string ReadAll(const OnReadFn& onRead = nullptr);
    // The same into `text`, whose room the caller may have made already:
    // where it holds Size() + 1 bytes, reading needs no other memory.
    void ReadAll(std::string& text, const OnReadFn& onRead = nullptr);

    // Up to `bytes` of the file from `offset` on, into `buffer`: fewer only
    // where the file ends, none after its end. Raises "Cannot open file" when
    // reading fails. Several threads may read at once.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t bytes) const;

private:
    std::string fileName_;
    TFailureText failureText_;
    TFileDescriptor fd_;
    std::uint64_t size_ = 0;
};

} // namespace quorva
