#include "model/journal/journal_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <new>
#include <utility>

#include "model/base/shown_name.h"
#include "model/files/file_error.h"
#include "model/files/file_io.h"
#include "model/files/state_folder.h"

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
    ::rename(BaseCopyPath(path).c_str(), JournalSibling(path, ".unreadable-base").c_str());
    if (::rename(path.c_str(), aside.c_str()) != 0)
        throw Error(CannotCreateFileMessage(aside, errno));
    return aside;
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
    // The time as well as the process: a process after a restart may have
    // the number of one whose journal is still left.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return JournalFolder() + "/" + std::to_string(::getpid()) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
           std::string(JournalEnding);
}

std::vector<std::string> LeftJournals(const std::string& folder, std::vector<std::string>& refusals)
{
    std::vector<std::pair<std::string, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() != JournalEnding)
            continue;
        // Never a link, a pipe or another's file: the start would act on
        // what it says.
        try {
            const TFileDescriptor fd = OpenStateFile(entry.path().string(), O_RDONLY);
            // Nobody holds it: its window has ended.
            if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
                found.emplace_back(StartedAt(entry.path()), entry.path().string());
        } catch (const Error& refusal) {
            refusals.push_back(refusal.what());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

std::string ReadJournal(const std::string& path)
{
    const TFileDescriptor fd = OpenStateFile(path, O_RDONLY);
    std::string bytes;
    if (const int error = ReadAll(fd.Get(), bytes))
        throw Error(CannotOpenFileMessage(path, error));
    return bytes;
}

std::optional<TJournalReplay> ReadLeftJournal(const std::string& path, TRowTable& rows,
                                              TLineList& lines)
{
    std::string journal;
    try {
        journal = ReadJournal(path);
    } catch (const Error&) {
        return std::nullopt; // gone, or taken by another start
    }
    if (journal.empty()) {
        DiscardJournal(path);
        return std::nullopt;
    }
    try {
        return ReplayJournal(journal, BaseCopyPath(path), rows, lines);
    } catch (const UnreadableJournal& error) {
        throw Error(UnreadableJournalMessage(SetAsideJournal(path), error.what()));
    } catch (const std::bad_alloc&) {
        throw Error(JournalTooLargeMessage(path));
    }
}

void DiscardJournal(const std::string& path) noexcept
{
    ::unlink(BaseCopyPath(path).c_str());
    ::unlink(JournalSibling(path, ".damaged-journal").c_str());
    ::unlink(path.c_str());
}

std::string DiscardJournalQuestion()
{
    return "Discard these unsaved rows for good? They cannot be restored afterwards.";
}

std::string JournalLostMessage(const std::string& reason)
{
    return "Unsaved rows are not kept on disk (" + reason +
           "), so they will not survive a crash. Save them to keep them.";
}

} // namespace quorva
