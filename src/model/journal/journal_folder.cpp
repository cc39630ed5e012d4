#include "model/journal/journal_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <utility>

#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/files/file_identity.h"
#include "model/files/file_io.h"
#include "model/files/state_folder.h"
#include "model/files/system_calls.h"

namespace quorva {
namespace {

// When its window began the journal, as its name says, in a form that sorts
// as text: the time in nanoseconds, zero-padded.
std::string StartedAt(const std::filesystem::path& path)
{
    const std::string stem = path.stem().string();
    const std::size_t dash = stem.find('-');
    const std::string time = dash == std::string::npos ? std::string() : stem.substr(dash + 1);
    return std::string(20 - std::min<std::size_t>(20, time.size()), '0') + time;
}

// Renames a journal that cannot be read (and its base copy) out of the way
// of later starts, to a name that says so; returns that name.
std::string SetAsideJournal(const std::string& path)
{
    const std::string aside = JournalSibling(path, ".unreadable-journal");
    Sys().rename(BaseCopyPath(path).c_str(), JournalSibling(path, ".unreadable-base").c_str());
    if (Sys().rename(path.c_str(), aside.c_str()) != 0)
        throw Error(CannotCreateFileMessage(aside, errno));
    return aside;
}

using TSystemTime = std::chrono::system_clock::time_point;

// A hidden file of a journal being made is locked the moment it is made;
// one as old as this was left by a window that ended while making it.
constexpr auto MakingWithin = std::chrono::minutes(1);

// A journal's name: when its window began it, and the process as well as the
// time, since a process after a restart may have the number of one whose
// journal is still left.
std::string JournalName(pid_t process, TSystemTime time)
{
    return std::to_string(process) + "-" +
           std::to_string(
               std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch())
                   .count()) +
           std::string(JournalEnding);
}

// Whether the process that began a journal still runs: its name says which.
bool WindowRuns(const std::filesystem::path& path)
{
    const std::string stem = path.stem().string();
    const long process = std::atol(stem.substr(0, stem.find('-')).c_str());
    return process > 0 && (::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
}

std::string JournalTakenMessage(const std::string& path)
{
    return "Another Quorva window has the unsaved rows kept in" + NameLine(path) +
           "They are left to it.";
}

// Whether the file open as `fd` still has the name `path`.
bool IsStillNamed(int fd, const std::string& path)
{
    const auto opened = IdentifyOpenFile(fd);
    const auto named = IdentifyFile(path);
    return opened && named && opened->device == named->device && opened->inode == named->inode;
}

// A base copy whose journal is gone (a kill while the journal was deleted),
// or a journal never given its name: what nobody can use any more, once it
// is older than this start and nobody holds it.
void ClearLeftOver(const std::string& path, TSystemTime start)
{
    const std::filesystem::path name(path);
    const bool making = name.filename().string().starts_with(MakingJournalPrefix);
    const bool orphan =
        name.extension() == ".base" &&
        !std::filesystem::exists(std::filesystem::path(name).replace_extension(JournalEnding)) &&
        StartedAt(name) < StartedAt(JournalName(0, start));
    if (!making && !orphan)
        return;
    try {
        const TFileDescriptor fd = OpenStateFile(path, O_RDONLY);
        struct stat status {};
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.Get(), &status) != 0)
            return;
        const auto changed = std::chrono::seconds(status.st_mtim.tv_sec) +
                             std::chrono::nanoseconds(status.st_mtim.tv_nsec);
        if (!making || changed < (start - MakingWithin).time_since_epoch())
            Sys().unlink(path.c_str());
    } catch (const Error&) {
        // Not the user's own: left alone.
    }
}

std::string UnreadableJournalMessage(const std::string& setAside, const std::string& reason)
{
    return "Quorva found unsaved rows it cannot restore: " + reason +
           ". The record of them is kept as" + NameLine(setAside);
}

std::string JournalTooLargeMessage(const std::string& path)
{
    return "There is not enough memory to restore the unsaved rows kept in" + NameLine(path) +
           "They stay there, and are offered again at the next start.";
}

} // namespace

std::string RestoreQuestion(const TJournalReplay& replay)
{
    const std::string& name = replay.base.fileName;
    std::string question = name.empty()
                               ? "Quorva ended without saving its rows."
                               : "Quorva ended without saving the rows of" + NameLine(name);
    if (replay.fileChanged)
        question += IdentifyFile(name) ? "The file has changed on disk since they were read. "
                                       : "The file is no longer there. ";
    if (replay.damaged)
        question += "The record of them is damaged after " + std::to_string(replay.steps) +
                    " changes; the rows as they were then can be restored. ";
    return question + "Restore those rows?";
}

std::string JournalFolder()
{
    return StateFolder("journals");
}

std::string NewJournalPath()
{
    return JournalFolder() + "/" + JournalName(::getpid(), std::chrono::system_clock::now());
}

std::vector<TLeftJournal> LeftJournals(const std::string& folder,
                                       std::vector<std::string>& refusals,
                                       std::vector<std::string>& taken)
{
    std::vector<std::pair<std::string, TLeftJournal>> found;
    const TSystemTime start = std::chrono::system_clock::now();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != JournalEnding) {
            ClearLeftOver(path, start);
            continue;
        }
        // Begun since this start: its window is running, whatever it holds.
        if (StartedAt(entry.path()) >= StartedAt(JournalName(0, start)))
            continue;
        // Never a link, a pipe or another's file: the start would act on
        // what it says.
        try {
            TFileDescriptor fd = OpenStateFile(path, O_RDWR | O_APPEND);
            if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
                if (!WindowRuns(entry.path()))
                    taken.push_back(JournalTakenMessage(path));
                continue;
            }
            // Deleted by the window that held it, just before it let go.
            if (!IsStillNamed(fd.Get(), path))
                continue;
            found.emplace_back(StartedAt(entry.path()), TLeftJournal{path, std::move(fd)});
        } catch (const Error& refusal) {
            refusals.push_back(refusal.what());
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& one, const auto& other) { return one.first < other.first; });
    std::vector<TLeftJournal> journals;
    for (auto& [time, journal] : found)
        journals.push_back(std::move(journal));
    return journals;
}

std::optional<TJournalReplay> ReadLeftJournal(const TLeftJournal& held, TRowTable& rows,
                                              TLineList& lines, TProgress& progress)
{
    std::string journal;
    if (const int error = ReadAll(held.fd.Get(), journal); error != 0)
        throw Error(CannotOpenFileMessage(held.path, error));
    if (journal.empty()) {
        DiscardJournal(held.path);
        return std::nullopt;
    }
    try {
        return ReplayJournal(journal, BaseCopyPath(held.path), rows, lines, progress);
    } catch (const UnreadableJournal& error) {
        throw Error(UnreadableJournalMessage(SetAsideJournal(held.path), error.what()));
    } catch (const NotEnoughMemory&) {
        throw Error(JournalTooLargeMessage(held.path));
    } catch (const std::bad_alloc&) {
        throw Error(JournalTooLargeMessage(held.path));
    }
}

void DiscardJournal(const std::string& path) noexcept
{
    // The journal first: a copy without it is never taken for rows that
    // cannot be restored.
    Sys().unlink(path.c_str());
    Sys().unlink(BaseCopyPath(path).c_str());
    Sys().unlink(JournalSibling(path, ".damaged-journal").c_str());
}

std::string DiscardJournalQuestion()
{
    return "Discard these unsaved rows for good? They cannot be restored afterwards.";
}

std::string JournalNotTakenMessage(const std::string& reason)
{
    return "The restored rows are shown, but cannot be kept on disk (" + reason +
           "), so they will not survive a crash. Their record is left as it was, and offered "
           "again at the next start unless they are saved.";
}

std::string JournalLostMessage(const std::string& reason)
{
    return "Unsaved rows are not kept on disk (" + reason +
           "), so they will not survive a crash. Save them to keep them.";
}

} // namespace quorva
