#include "model/journal/row_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "model/files/file_copy.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_error.h"
#include "model/files/file_io.h"
#include "model/files/state_folder.h"
#include "model/files/system_calls.h"
#include "model/rows/row_list_file.h"

namespace quorva {
namespace {

constexpr std::string_view Magic = "quorva journal 2\n";
constexpr char BaseRecord = 'B';
constexpr char CopiedRecord = 'C';
constexpr char ApplyRecord = 'A';
constexpr char RevertRecord = 'R';
constexpr std::size_t FrameBytes = 8;

std::uint32_t Checksum(std::string_view bytes)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

void PutBytes(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Takes a little-endian number of `bytes` from the front of `in`; false when
// too few are left.
bool TakeBytes(std::string_view& in, std::uint64_t& value, int bytes)
{
    if (in.size() < static_cast<std::size_t>(bytes))
        return false;
    value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(in[static_cast<std::size_t>(i)]);
    in.remove_prefix(static_cast<std::size_t>(bytes));
    return true;
}

// A record: its payload's length and checksum, then the payload.
std::string Record(char kind, std::string_view body)
{
    std::string payload(1, kind);
    payload += body;
    std::string record;
    PutBytes(record, payload.size(), 4);
    PutBytes(record, Checksum(payload), 4);
    return record + payload;
}

// The next whole record's payload, or nothing at a torn or damaged one.
bool NextPayload(std::string_view journal, std::size_t& offset, std::string_view& payload)
{
    std::string_view frame = journal.substr(std::min(offset, journal.size()));
    std::uint64_t length = 0;
    std::uint64_t checksum = 0;
    if (!TakeBytes(frame, length, 4) || !TakeBytes(frame, checksum, 4) || length == 0 ||
        frame.size() < length)
        return false;
    payload = frame.substr(0, length);
    if (Checksum(payload) != checksum)
        return false;
    offset += FrameBytes + length;
    return true;
}

std::string BaseBody(const TJournalBase& base)
{
    std::string body;
    const TFileIdentity identity = base.identity.value_or(TFileIdentity{});
    PutBytes(body, base.identity.has_value(), 1);
    for (std::uint64_t field : {identity.device, identity.inode, identity.size,
                                static_cast<std::uint64_t>(identity.modifiedSeconds),
                                static_cast<std::uint64_t>(identity.modifiedNanoseconds),
                                static_cast<std::uint64_t>(identity.changedSeconds),
                                static_cast<std::uint64_t>(identity.changedNanoseconds)})
        PutBytes(body, field, 8);
    return body + base.fileName;
}

TJournalBase ParseBase(std::string_view body)
{
    std::uint64_t known = 0;
    std::uint64_t fields[7] = {};
    bool whole = TakeBytes(body, known, 1) && known <= 1;
    for (std::uint64_t& field : fields)
        whole = whole && TakeBytes(body, field, 8);
    if (!whole)
        throw UnreadableJournal("its header is damaged");
    TJournalBase base;
    base.fileName = std::string(body);
    if (known)
        base.identity = TFileIdentity{fields[0],
                                      fields[1],
                                      fields[2],
                                      static_cast<std::int64_t>(fields[3]),
                                      static_cast<std::int64_t>(fields[4]),
                                      static_cast<std::int64_t>(fields[5]),
                                      static_cast<std::int64_t>(fields[6])};
    return base;
}

std::string CopiedBody(std::uint64_t size, std::uint64_t checksum)
{
    std::string body;
    PutBytes(body, size, 8);
    PutBytes(body, checksum, 8);
    return body;
}

bool IsUnchanged(const TJournalBase& base)
{
    return base.identity && IdentifyFile(base.fileName) == base.identity;
}

// Whether the copy at `path` holds the bytes a copied record vouches for.
bool CopyIsWhole(const std::string& path, std::string_view copiedBody)
{
    TFileDescriptor fd;
    try {
        fd = OpenStateFile(path, O_RDONLY);
    } catch (const Error&) {
        return false;
    }
    const auto identity = IdentifyOpenFile(fd.Get());
    std::uint64_t size = 0;
    std::uint64_t checksum = 0;
    return identity && TakeBytes(copiedBody, size, 8) && TakeBytes(copiedBody, checksum, 8) &&
           identity->size == size && ContentChecksum(fd.Get()) == checksum;
}

// Reads the rows the journal's steps were taken on.
// Returns whether they came from the journal's own copy.
bool LoadBase(const TJournalBase& base, std::optional<std::string_view> copied,
              const std::string& copyPath, TRowTable& rows, TLineList& lines)
{
    rows.clear();
    lines.Clear();
    if (base.fileName.empty())
        return false;
    std::string source;
    if (copied && CopyIsWhole(copyPath, *copied))
        source = copyPath;
    else if (IsUnchanged(base))
        source = base.fileName;
    else
        throw UnreadableJournal("its copy of the rows' file is missing or damaged, and the file "
                                "has changed since");
    try {
        LoadRowListFile(lines, rows, source);
    } catch (const Error& error) {
        throw UnreadableJournal(error.what());
    }
    return source == copyPath;
}

std::optional<TRowChange> ParsedStep(std::string_view bytes)
{
    try {
        return TRowChange::Parse(bytes);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// Applies one step's payload, all or nothing; false when it is damaged or
// does not fit the rows as they stand.
bool ApplyStep(std::string_view payload, TRowTable& rows, TLineList& lines)
{
    const bool apply = payload.front() == ApplyRecord;
    if (!apply && payload.front() != RevertRecord)
        return false;
    std::optional<TRowChange> change = ParsedStep(payload.substr(1));
    if (!change || !change->Fits(lines, apply))
        return false;
    if (apply)
        change->Apply(rows, lines);
    else
        change->Revert(rows, lines);
    return true;
}

// A journal opened or made as a state file, and locked: while its window
// runs, no start takes it for one left behind.
TFileDescriptor LockedJournal(TFileDescriptor fd, const std::string& path)
{
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        throw Error(CannotCreateFileMessage(path, errno));
    return fd;
}

} // namespace

TRowJournal::TRowJournal(std::string path, const TJournalBase& base) : path_(std::move(path))
{
    fd_ = LockedJournal(CreateStateFile(path_, O_WRONLY | O_APPEND), path_);
    Append(std::string(Magic) + Record(BaseRecord, BaseBody(base)));
}

TRowJournal::TRowJournal(std::string path, std::size_t validBytes) : path_(std::move(path))
{
    fd_ = LockedJournal(OpenStateFile(path_, O_WRONLY | O_APPEND), path_);
    const auto identity = IdentifyOpenFile(fd_.Get());
    if (!identity || identity->size <= validBytes)
        return;
    // New steps go after the last whole one; what follows it is kept, whole,
    // beside the journal.
    const std::string aside = JournalSibling(path_, ".damaged-journal");
    ::unlink(aside.c_str()); // an earlier start's, of the same journal
    const TFileDescriptor from = OpenStateFile(path_, O_RDONLY);
    const TFileDescriptor to = CreateStateFile(aside, O_WRONLY);
    if (CopyFromStart(from.Get(), to.Get()) != 0 || ::fdatasync(to.Get()) != 0 ||
        ::ftruncate(fd_.Get(), static_cast<off_t>(validBytes)) != 0)
        throw Error(CannotCreateFileMessage(aside, errno));
}

std::string TRowJournal::BaseCopyPath() const
{
    return quorva::BaseCopyPath(path_);
}

void TRowJournal::Append(std::string_view records)
{
    if (const int error = WriteAll(fd_.Get(), records))
        throw Error(StreamWriteErrorText(error));
}

void TRowJournal::Sync()
{
    if (Sys().fdatasync(fd_.Get()) != 0)
        throw Error(StreamWriteErrorText(errno));
}

void TRowJournal::Remove() noexcept
{
    ::unlink(BaseCopyPath().c_str());
    ::unlink(path_.c_str());
}

std::string StepRecord(bool apply, const TRowChange& change)
{
    return Record(apply ? ApplyRecord : RevertRecord, change.Serialize());
}

std::string BaseCopyPath(const std::string& journalPath)
{
    return JournalSibling(journalPath, ".base");
}

void SyncJournalFolder(const std::string& journalPath)
{
    // A file system that cannot sync a folder (EINVAL) keeps names its own way.
    if (const int error = SyncFolderOf(journalPath); error != 0 && error != EINVAL)
        throw Error(CannotCreateFileMessage(journalPath, error));
}

std::string BaseCopiedRecord(const std::string& copyPath, const std::atomic<bool>* stop)
{
    const TFileDescriptor copy = OpenStateFile(copyPath, O_RDONLY);
    if (::fdatasync(copy.Get()) != 0)
        throw Error(CannotCreateFileMessage(copyPath, errno));
    const auto identity = IdentifyOpenFile(copy.Get());
    if (!identity)
        throw Error(CannotCreateFileMessage(copyPath, errno));
    return Record(CopiedRecord, CopiedBody(identity->size, ContentChecksum(copy.Get(), stop)));
}

std::optional<std::string> CopyBase(const TJournalBase& base, const std::string& copyPath,
                                    const std::atomic<bool>* stop)
{
    const TFileDescriptor from(::open(base.fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!from.Valid() || !base.identity || IdentifyOpenFile(from.Get()) != base.identity)
        return std::nullopt;
    ::unlink(copyPath.c_str()); // a copy begun by an earlier try
    TFileDescriptor to(
        ::open(copyPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!to.Valid())
        throw Error(CannotCreateFileMessage(copyPath, errno));
    if (const int error = CopyFromStart(from.Get(), to.Get(), stop); error != 0) {
        ::unlink(copyPath.c_str());
        throw Error(CannotCreateFileMessage(copyPath, error));
    }
    // Written meanwhile: the copy may hold neither its old bytes nor its new.
    if (IdentifyOpenFile(from.Get()) != base.identity) {
        ::unlink(copyPath.c_str());
        return std::nullopt;
    }
    return BaseCopiedRecord(copyPath, stop);
}

TJournalReplay ReplayJournal(std::string_view journal, const std::string& baseCopyPath,
                             TRowTable& rows, TLineList& lines)
{
    TJournalReplay replay;
    std::size_t offset = Magic.size();
    std::string_view payload;
    if (!journal.starts_with(Magic))
        throw UnreadableJournal("it is not of this version of Quorva");
    if (!NextPayload(journal, offset, payload) || payload.front() != BaseRecord)
        throw UnreadableJournal("its header is damaged");
    replay.base = ParseBase(payload.substr(1));
    replay.validBytes = offset;
    // The copy may be vouched for after any step: look for it first.
    std::vector<std::string_view> payloads;
    std::optional<std::string_view> copied;
    for (std::size_t at = offset; NextPayload(journal, at, payload);) {
        payloads.push_back(payload);
        if (payload.front() == CopiedRecord && !copied)
            copied = payload.substr(1);
    }
    replay.baseCopied = LoadBase(replay.base, copied, baseCopyPath, rows, lines);
    replay.fileChanged = !replay.base.fileName.empty() && !IsUnchanged(replay.base);
    for (std::string_view step : payloads) {
        if (step.front() != CopiedRecord) {
            if (!ApplyStep(step, rows, lines))
                break;
            ++replay.steps;
        }
        replay.validBytes += FrameBytes + step.size();
    }
    replay.damaged = replay.validBytes != journal.size();
    return replay;
}

std::string JournalSibling(const std::string& journalPath, std::string_view ending)
{
    std::string stem = journalPath;
    if (stem.ends_with(JournalEnding))
        stem.resize(stem.size() - JournalEnding.size());
    return stem + std::string(ending);
}

} // namespace quorva
