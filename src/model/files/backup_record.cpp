#include "model/files/backup_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "model/base/error.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_identity.h"
#include "model/files/file_io.h"
#include "model/files/file_path.h"
#include "model/files/state_folder.h"
#include "model/files/system_calls.h"

namespace quorva {

namespace {

// What a record begins with; records without it hold no identities.
constexpr std::string_view RecordFormat = "quorva-backup-record-2";

std::string RecordText(const TFoundBackup& found)
{
    std::string text;
    for (const std::string& field :
         {std::string(RecordFormat), found.target, std::to_string(found.targetDevice),
          std::to_string(found.targetInode), found.backup, std::to_string(found.backupDevice),
          std::to_string(found.backupInode), std::to_string(found.backupSize),
          std::to_string(found.backupTime)}) {
        text += field;
        text += '\0';
    }
    return text;
}

std::uint64_t Number(const std::string& text)
{
    std::uint64_t value = 0;
    for (const char c : text)
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

} // namespace

std::string PathHash(const std::string& path)
{
    std::uint64_t hash = 14695981039346656037u; // FNV-1a
    for (const char c : path)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (std::size_t i = 16; i-- > 0; hash >>= 4)
        text[i] = Digits[hash & 15];
    return text;
}

std::string RecordPath(const std::string& folder, const TFoundBackup& found)
{
    return folder + "/" + PathHash(found.target) + "-" + PathHash(found.backup) +
           std::string(RecordEnding);
}

// Writes the record of `found` under a fresh name of its own, then gives it
// its name at once, flushed with its folder: a record is whole or absent.
int WriteRecord(const TFoundBackup& found)
{
    const std::string folder = FolderOf(found.record);
    std::string partial;
    TFileDescriptor fd;
    int error = CreateUnderFreshName(folder + "/.record-", partial, [&](const std::string& name) {
        fd = TFileDescriptor(
            Sys().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        return fd.Valid() ? 0 : errno;
    });
    if (error != 0)
        return error;
    Sys().fchmod(fd.Get(), 0600);
    error = WriteAll(fd.Get(), RecordText(found));
    if (error == 0 && Sys().fsync(fd.Get()) != 0)
        error = errno;
    if (error == 0 && Sys().rename(partial.c_str(), found.record.c_str()) != 0)
        error = errno;
    if (error != 0) {
        Sys().unlink(partial.c_str());
        return error;
    }
    return SyncFolder(folder);
}

// Reads the record at `recordPath`; any record that cannot be trusted
// comes back refused, with why.
TFoundBackup ReadRecord(const std::string& recordPath)
{
    TFoundBackup found;
    found.record = recordPath;
    std::vector<std::string> fields;
    try {
        const TFileDescriptor fd = OpenStateFile(recordPath, O_RDONLY);
        // No record of this program's is larger: a larger file is not read.
        const auto identity = IdentifyOpenFile(fd.Get());
        std::string text;
        if (identity && identity->size <= 4 * PATH_MAX)
            ReadAll(fd.Get(), text);
        for (std::size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos;
             at = end + 1)
            fields.push_back(text.substr(at, end - at));
    } catch (const Error& failure) {
        found.refused = failure.what();
        return found;
    }
    const auto digits = [](const std::string& field) {
        return !field.empty() && field.size() < 20 &&
               std::all_of(field.begin(), field.end(), ::isdigit);
    };
    if (fields.size() == 9 && fields[0] == RecordFormat &&
        std::ranges::all_of(std::array{2, 3, 5, 6, 7, 8},
                            [&](int field) { return digits(fields[field]); })) {
        found.target = fields[1];
        found.targetDevice = Number(fields[2]);
        found.targetInode = Number(fields[3]);
        found.backup = fields[4];
        found.backupDevice = Number(fields[5]);
        found.backupInode = Number(fields[6]);
        found.backupSize = Number(fields[7]);
        found.backupTime = Number(fields[8]);
    } else if (fields.size() == 2) {
        // Left by an earlier version, which kept no identities.
        found.target = fields[0];
        found.backup = fields[1];
        found.refused = "its record does not say which file it was copied from";
    } else {
        found.refused = "its record is damaged";
    }
    return found;
}

} // namespace quorva
