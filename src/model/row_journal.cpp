#include "model/row_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "model/error.h"
#include "model/row_list_file.h"

namespace quorva {
namespace {

constexpr std::string_view Magic = "quorva journal 1\n";
constexpr char BaseRecord = 'B';
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

void PutWord(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Word(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

// A record: its payload's length and checksum, then the payload.
std::string Record(char kind, std::string_view body)
{
    std::string payload(1, kind);
    payload += body;
    std::string record;
    PutWord(record, static_cast<std::uint32_t>(payload.size()));
    PutWord(record, Checksum(payload));
    return record + payload;
}

// The next whole record's payload, or nothing at a torn or damaged one.
bool NextPayload(std::string_view journal, std::size_t& offset, std::string_view& payload)
{
    if (journal.size() - offset < FrameBytes)
        return false;
    const std::uint32_t length = Word(journal.substr(offset));
    const std::uint32_t checksum = Word(journal.substr(offset + 4));
    if (length == 0 || journal.size() - offset - FrameBytes < length)
        return false;
    payload = journal.substr(offset + FrameBytes, length);
    if (Checksum(payload) != checksum)
        return false;
    offset += FrameBytes + length;
    return true;
}

int OpenLocked(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Error("Cannot create file \"" + path + "\".");
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw Error("Cannot create file \"" + path + "\".");
    }
    return fd;
}

} // namespace

TRowJournal::TRowJournal(std::string path, const std::string& baseFileName) : path_(std::move(path))
{
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    fd_ = OpenLocked(path_, O_CREAT | O_EXCL | O_APPEND);
    pending_ = std::string(Magic) + Record(BaseRecord, baseFileName);
}

TRowJournal::TRowJournal(std::string path, std::size_t validBytes) : path_(std::move(path))
{
    fd_ = OpenLocked(path_, O_APPEND);
    // A damaged tail would hide every step written after it.
    if (::ftruncate(fd_, static_cast<off_t>(validBytes)) != 0) {
        ::close(fd_);
        throw Error("Cannot create file \"" + path_ + "\".");
    }
}

TRowJournal::~TRowJournal()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void TRowJournal::Add(bool apply, const TRowChange& change)
{
    pending_ += Record(apply ? ApplyRecord : RevertRecord, change.Serialize());
}

void TRowJournal::Flush()
{
    std::size_t written = 0;
    while (written < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + written, pending_.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            pending_.erase(0, written);
            throw Error("Stream write error");
        }
        written += static_cast<std::size_t>(n);
    }
    pending_.clear();
}

void TRowJournal::Remove()
{
    ::unlink(path_.c_str());
    pending_.clear();
}

TJournalReplay ReplayJournal(std::string_view journal, TRowTable& rows, TLineList& lines)
{
    TJournalReplay replay;
    rows.clear();
    lines.Clear();
    std::size_t offset = Magic.size();
    std::string_view payload;
    if (!journal.starts_with(Magic) || !NextPayload(journal, offset, payload) ||
        payload.front() != BaseRecord) {
        replay.damaged = true;
        return replay;
    }
    replay.baseFileName = payload.substr(1);
    bool baseRead = true;
    if (!replay.baseFileName.empty())
        baseRead = OpenRowListFile(lines, rows, replay.baseFileName, [](const std::string&) {});
    replay.validBytes = offset;
    while (baseRead && NextPayload(journal, offset, payload)) {
        const bool apply = payload.front() == ApplyRecord;
        try {
            if (!apply && payload.front() != RevertRecord)
                break;
            TRowChange change = TRowChange::Parse(payload.substr(1));
            if (!change.Fits(lines, apply))
                break;
            if (apply)
                change.Apply(rows, lines);
            else
                change.Revert(rows, lines);
        } catch (const std::exception&) {
            break;
        }
        ++replay.steps;
        replay.validBytes = offset;
    }
    replay.damaged = !baseRead || replay.validBytes != journal.size();
    return replay;
}

std::string RestoreQuestion(const TJournalReplay& replay)
{
    std::string question =
        replay.baseFileName.empty()
            ? "Quorva ended without saving its rows."
            : "Quorva ended without saving the rows of " + replay.baseFileName + ".";
    if (replay.damaged)
        question += " The record of them is damaged after " + std::to_string(replay.steps) +
                    " changes; the rows as they were then can be restored.";
    return question + " Restore those rows?";
}

std::string JournalFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    const std::string root =
        state && *state ? std::string(state) : std::string(home ? home : "") + "/.local/state";
    return root + "/quorva/journals";
}

std::string NewJournalPath()
{
    // The time as well as the process: a process after a restart may have
    // the number of one whose journal is still left.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return JournalFolder() + "/" + std::to_string(::getpid()) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
           ".journal";
}

std::vector<std::string> LeftJournals(const std::string& folder)
{
    std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() != ".journal")
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Nobody holds it: its window has ended.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            found.emplace_back(entry.last_write_time(error), entry.path().string());
        ::close(fd);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

} // namespace quorva
