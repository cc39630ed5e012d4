#pragma once

#include <sys/stat.h>

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
    // Whether both are states of one file, whatever its names.
    bool SameFile(const TFileIdentity& other) const
    {
        return device == other.device && inode == other.inode;
    }
};

TFileIdentity IdentityOf(const struct stat& status);
// The file's identity as it stands; nothing when there is no such file.
std::optional<TFileIdentity> IdentifyFile(const std::string& fileName);
std::optional<TFileIdentity> IdentifyOpenFile(int fd);
// Whether two names, however spelt (relative, through links, other hard
// links), name one existing file.
bool IsSameFile(const std::string& one, const std::string& other);

// A file this window knows as it last read or wrote it, so that a later write
// can tell whether someone else has written it since.
class TKnownFile {
public:
    // Remembers the file as it stands now.
    void Remember(const std::string& fileName);
    // Remembers the file as it was at some earlier time (as a journal kept it).
    void Remember(const std::string& fileName, const std::optional<TFileIdentity>& identity);
    // Knows no file any more, as for rows that were never saved.
    void Forget() { *this = TKnownFile(); }

    // The name as it was given, and made absolute when it was remembered.
    const std::string& Name() const { return name_; }
    const std::string& AbsoluteName() const { return absolute_; }
    const std::optional<TFileIdentity>& Identity() const { return identity_; }
    // Whether `fileName`, however spelt, names the known file: the one
    // remembered, or whatever now stands at its name.
    bool Names(const std::string& fileName) const;
    // Whether `fileName` is the known file and another has changed it since;
    // a file that is gone has nothing left to lose.
    bool ChangedByAnother(const std::string& fileName) const;

private:
    std::string name_;
    std::string absolute_;
    std::optional<TFileIdentity> identity_;
};

} // namespace quorva
