#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "model/files/file_io.h"
#include "model/journal/row_journal.h"

namespace quorva {

// The journal's copy of the rows' file, begun as the file is opened or saved
// instead of at the first edit, so that the first edit finds the rows already
// copied: until a copy is vouched for, a journal needs the file unchanged.
// The copy is made on a thread of its own into a file with no name, which
// the journal names as its base copy, or which goes with this object.
class TEarlyBaseCopy {
public:
    // Begins copying `fileName` as it is now into the journals' `folder`.
    TEarlyBaseCopy(const std::string& fileName, const std::string& folder);
    // Stops the copy and joins its thread.
    ~TEarlyBaseCopy();
    TEarlyBaseCopy(const TEarlyBaseCopy&) = delete;
    TEarlyBaseCopy& operator=(const TEarlyBaseCopy&) = delete;

    // Waits until the copy is made, or has failed.
    void Wait();
    // Stops the copy: it is of no more use.
    void Cancel() { stop_ = true; }
    // Whether it copies the file the rows of `base` were read from.
    bool Copies(const TJournalBase& base) const;
    // Waits for the copy and names it `copyPath`. Returns the record that
    // vouches for it, or nothing when the file changed meanwhile or the copy
    // failed (a journal then copies the file itself). Raises Error when the
    // name cannot be made.
    std::optional<std::string> LinkAt(const std::string& copyPath);

private:
    void Copy();

    TJournalBase base_;
    TUnnamedFile copy_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool copied_ = false; // whether record_ is final
    std::optional<std::string> record_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

} // namespace quorva
