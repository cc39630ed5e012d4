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
#include "model/files/file_path.h"
#include "model/files/state_folder.h"
#include "model/files/system_calls.h"
#include "model/files/text_file.h"
#include "model/rows/line_list_text.h"
#include "model/rows/row_list_file.h"

namespace quorva {
namespace {

constexpr std::string_view Magic = "quorva journal 3\n";
// Steps without numbers, still read and kept.
constexpr std::string_view MagicOfVersion2 = "quorva journal 2\n";
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
    PutBytes(body, base.fromRows ? 2 : base.identity.has_value(), 1);
    for (std::uint64_t field : {identity.device, identity.inode, identity.size,
                                static_cast<std::uint64_t>(identity.modifiedSeconds),
                                static_cast<std::uint64_t>(identity.modifiedNanoseconds),
                                static_cast<std::uint64_t>(identity.changedSeconds),
                                static_cast<std::uint64_t>(identity.changedNanoseconds)})
        PutBytes(body, field, 8);
    return body + base.fileName;
}

TJournalBase ParseBase(std::string_view body, int version)
{
    std::uint64_t known = 0;
    std::uint64_t fields[7] = {};
    bool whole = TakeBytes(body, known, 1) && known <= (version == 2 ? 1u : 2u);
    for (std::uint64_t& field : fields)
        whole = whole && TakeBytes(body, field, 8);
    if (!whole)
        throw UnreadableJournal("its header is damaged");
    TJournalBase base;
    base.fileName = std::string(body);
    base.fromRows = known == 2;
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

// The copy at `path`, opened, when it holds the bytes a copied record
// vouches for.
TFileDescriptor WholeCopy(const std::string& path, std::string_view copiedBody, TProgress& progress)
{
    TFileDescriptor fd;
    try {
        fd = OpenStateFile(path, O_RDONLY);
    } catch (const Error&) {
        return {};
    }
    const auto identity = IdentifyOpenFile(fd.Get());
    std::uint64_t size = 0;
    std::uint64_t checksum = 0;
    if (identity && TakeBytes(copiedBody, size, 8) && TakeBytes(copiedBody, checksum, 8) &&
        identity->size == size && ContentChecksum(fd.Get(), nullptr, progress) == checksum)
        return fd;
    return {};
}

// The base file, opened, while it is as the rows were read from it.
TFileDescriptor UnchangedBase(const TJournalBase& base)
{
    TFileDescriptor fd(::open(base.fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Valid() && base.identity && IdentifyOpenFile(fd.Get()) == base.identity)
        return fd;
    return {};
}

// Reads the rows the journal's steps were taken on.
// Returns whether they came from the journal's own copy.
bool LoadBase(const TJournalBase& base, std::optional<std::string_view> copied,
              const std::string& copyPath, TRowTable& rows, TLineList& lines, TProgress& progress)
{
    rows.clear();
    lines.Clear();
    if (base.fileName.empty())
        return false;
    TFileDescriptor source = copied ? WholeCopy(copyPath, *copied, progress) : TFileDescriptor();
    const bool fromCopy = source.Valid();
    if (!fromCopy && base.fromRows)
        throw UnfinishedJournal("its copy of the rows was never finished");
    if (!fromCopy)
        source = UnchangedBase(base);
    if (!source.Valid())
        throw UnreadableJournal("its copy of the rows' file is missing or damaged, and the file "
                                "has changed since");
    try {
        // The very file that was checked, whatever its name stands for now.
        LoadRowListFile(lines, rows, "/proc/self/fd/" + std::to_string(source.Get()), progress);
    } catch (const Cancelled&) {
        throw;
    } catch (const NotEnoughMemory&) {
        // No fault of the journal's: it stays, to be offered again.
        throw;
    } catch (const Error& error) {
        throw UnreadableJournal(error.what());
    }
    return fromCopy;
}

std::optional<TRowChange> ParsedStep(std::string_view bytes)
{
    try {
        return TRowChange::Parse(bytes);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// Applies one step's payload, all or nothing; false when it is damaged, not
// the `number`-th step (0: a step of version 2, with no number), or does not
// fit the rows as they stand.
bool ApplyStep(std::string_view payload, std::uint64_t number, TRowTable& rows, TLineList& lines)
{
    const bool apply = payload.front() == ApplyRecord;
    if (!apply && payload.front() != RevertRecord)
        return false;
    payload.remove_prefix(1);
    std::uint64_t written = 0;
    if (number != 0 && (!TakeBytes(payload, written, 8) || written != number))
        return false;
    std::optional<TRowChange> change = ParsedStep(payload);
    if (!change || !change->Fits(lines, apply))
        return false;
    if (apply)
        change->Apply(rows, lines);
    else
        change->Revert(rows, lines);
    return true;
}

// A new journal's file, locked before anything can find it: unnamed in its
// folder, or where the file system has no such files, under a hidden name no
// start takes for a journal.
TUnnamedFile UnnamedJournal(const std::string& path)
{
    TUnnamedFile file;
    int error = file.Open(FolderOf(path), 0600, O_RDWR, std::string(MakingJournalPrefix));
    // Private whatever the umask.
    if (error == 0 &&
        (::fchmod(file.Fd(), 0600) != 0 || ::flock(file.Fd(), LOCK_EX | LOCK_NB) != 0))
        error = errno;
    if (error != 0)
        throw Error(CannotCreateFileMessage(path, error));
    return file;
}

} // namespace

TRowJournal::TRowJournal(std::string path, const TJournalBase& base) : path_(std::move(path))
{
    TUnnamedFile file = UnnamedJournal(path_);
    const std::string header = std::string(Magic) + Record(BaseRecord, BaseBody(base));
    int error = WriteAll(file.Fd(), header);
    if (error == 0)
        error = Sys().fdatasync(file.Fd()) == 0 ? 0 : errno;
    // Linked, never renamed: a name someone else made is not replaced.
    if (error == 0)
        error = file.LinkAt(path_);
    if (error != 0)
        throw Error(CannotCreateFileMessage(path_, error));
    fd_ = file.Release();
    // Its name, too, survives a power cut.
    try {
        SyncJournalFolder(path_);
    } catch (const Error&) {
        Sys().unlink(path_.c_str());
        throw;
    }
}

TRowJournal::TRowJournal(std::string path, TFileDescriptor held, std::size_t validBytes)
    : path_(std::move(path)), fd_(std::move(held))
{
    const auto identity = IdentifyOpenFile(fd_.Get());
    if (!identity || identity->size <= validBytes)
        return;
    // New steps go after the last whole one; what follows it is kept, whole,
    // beside the journal.
    const std::string aside = JournalSibling(path_, ".damaged-journal");
    Sys().unlink(aside.c_str()); // an earlier start's, of the same journal
    const TFileDescriptor to = CreateStateFile(aside, O_WRONLY);
    if (CopyFromStart(fd_.Get(), to.Get()) != 0 || Sys().fdatasync(to.Get()) != 0 ||
        Sys().ftruncate(fd_.Get(), static_cast<off_t>(validBytes)) != 0)
        throw Error(CannotCreateFileMessage(aside, errno));
}

std::string TRowJournal::BaseCopyPath() const
{
    return quorva::BaseCopyPath(path_);
}

void TRowJournal::Append(std::string_view records)
{
    if (const int error = WriteAll(fd_.Get(), records))
        ThrowStreamWriteError(error);
}

void TRowJournal::Sync()
{
    if (Sys().fdatasync(fd_.Get()) != 0)
        ThrowStreamWriteError(errno);
}

void TRowJournal::Remove() noexcept
{
    // The journal first: a copy without it is never taken for rows that
    // cannot be restored.
    Sys().unlink(path_.c_str());
    Sys().unlink(BaseCopyPath().c_str());
    Sys().unlink(JournalSibling(path_, ".damaged-journal").c_str());
}

std::string StepRecord(bool apply, const TRowChange& change, std::uint64_t number)
{
    std::string body;
    if (number != 0)
        PutBytes(body, number, 8);
    return Record(apply ? ApplyRecord : RevertRecord, body + change.Serialize());
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

std::string VouchedCopyRecord(int fd, const std::string& copyPath, const std::atomic<bool>* stop)
{
    if (Sys().fdatasync(fd) != 0)
        throw Error(CannotCreateFileMessage(copyPath, errno));
    return CopyRecord(fd, copyPath, stop);
}

std::string CopyRecord(int fd, const std::string& copyPath, const std::atomic<bool>* stop)
{
    const auto identity = IdentifyOpenFile(fd);
    if (!identity)
        throw Error(CannotCreateFileMessage(copyPath, errno));
    return Record(CopiedRecord, CopiedBody(identity->size, ContentChecksum(fd, stop)));
}

std::string WriteBaseCopy(const TLineList& lines, const std::string& copyPath,
                          const std::atomic<bool>* stop)
{
    Sys().unlink(copyPath.c_str()); // a copy begun by an earlier try
    const TFileDescriptor to = CreateStateFile(copyPath, O_RDWR);
    TLineListText text(lines);
    std::string chunk;
    for (bool more = true; more;) {
        if (stop && *stop)
            throw Error(CannotCreateFileMessage(copyPath, ECANCELED));
        chunk.clear();
        more = text.Fill(chunk, WriteChunkSize);
        if (const int error = WriteAll(to.Get(), chunk); error != 0)
            throw Error(CannotCreateFileMessage(copyPath, error));
    }
    return VouchedCopyRecord(to.Get(), copyPath, stop);
}

std::optional<std::string> CopyBase(const TJournalBase& base, const std::string& copyPath,
                                    const std::atomic<bool>* stop)
{
    const TFileDescriptor from(::open(base.fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!from.Valid() || !base.identity || IdentifyOpenFile(from.Get()) != base.identity)
        return std::nullopt;
    Sys().unlink(copyPath.c_str()); // a copy begun by an earlier try
    const TFileDescriptor to = CreateStateFile(copyPath, O_RDWR);
    if (const int error = CopyFromStart(from.Get(), to.Get(), stop); error != 0) {
        Sys().unlink(copyPath.c_str());
        throw Error(CannotCreateFileMessage(copyPath, error));
    }
    // Written meanwhile: the copy may hold neither its old bytes nor its new.
    if (IdentifyOpenFile(from.Get()) != base.identity) {
        Sys().unlink(copyPath.c_str());
        return std::nullopt;
    }
    return VouchedCopyRecord(to.Get(), copyPath, stop);
}

TJournalReplay ReplayJournal(std::string_view journal, const std::string& baseCopyPath,
                             TRowTable& rows, TLineList& lines, TProgress& progress)
{
    TJournalReplay replay;
    std::size_t offset = Magic.size();
    std::string_view payload;
    if (journal.starts_with(Magic))
        replay.version = 3;
    else if (journal.starts_with(MagicOfVersion2))
        replay.version = 2;
    else
        throw UnreadableJournal("it is not of this version of Quorva");
    if (!NextPayload(journal, offset, payload) || payload.front() != BaseRecord)
        throw UnreadableJournal("its header is damaged");
    replay.base = ParseBase(payload.substr(1), replay.version);
    replay.validBytes = offset;
    // The copy may be vouched for after any step: look for it first.
    std::vector<std::string_view> payloads;
    std::optional<std::string_view> copied;
    for (std::size_t at = offset; NextPayload(journal, at, payload);) {
        payloads.push_back(payload);
        if (payload.front() == CopiedRecord && !copied)
            copied = payload.substr(1);
    }
    replay.baseCopied = LoadBase(replay.base, copied, baseCopyPath, rows, lines, progress);
    replay.fileChanged = !replay.base.fileName.empty() && !IsUnchanged(replay.base);
    for (std::string_view step : payloads) {
        if (step.front() != CopiedRecord) {
            const std::uint64_t number =
                replay.version == 2 ? 0 : static_cast<std::uint64_t>(replay.steps) + 1;
            if (!ApplyStep(step, number, rows, lines))
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
