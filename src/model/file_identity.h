#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorva {

// What tells one state of a file on disk from another without reading it:
// any write, replacement or change of its attributes gives another identity.
struct TFileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const TFileIdentity&) const = default;
};

// The file's identity as it stands; nothing when there is no such file.
std::optional<TFileIdentity> IdentifyFile(const std::string& fileName);

// A file this window knows as it last read or wrote it, so that a later write
// can tell whether someone else has written it since.
class TKnownFile {
public:
    // Remembers the file as it stands now.
    void Remember(const std::string& fileName);
    // Knows no file any more, as for rows that were never saved.
    void Forget() { *this = TKnownFile(); }

    const std::string& Name() const { return name_; }
    // Whether `fileName` is the known file and another has changed it since;
    // a file that is gone has nothing left to lose.
    bool ChangedByAnother(const std::string& fileName) const;

private:
    std::string name_;
    std::optional<TFileIdentity> identity_;
};

} // namespace quorva
