#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/files/in_place_backup.h"
#include "model/journal/journal_folder.h"
#include "support/case_name.h"
#include "support/syscall_kill.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;
using THook = std::function<void(const TTempDir&)>;

// A save in place of `file` stops once its backup is made (the file is cut
// short); the next start puts back what it offers. Planted and odd state
// files are put in the way before the backup is made or after.
struct TStateCase {
    std::string name;
    THook before, after;
    // A part of what happened: "<message of the save>" or "open:<backups
    // found by the file's other hard-link name> start:<put back|refused:
    // why>", then " backup left" when a backup is still beside the file.
    std::string outcome;
    bool asOther = false;   // run as another user than the owner of `dir`
    bool needsRoot = false; // a file is given to another user, or its home is used
    std::string file = "list.tir";
    long killAt = 0; // a system call the save is killed at
};

std::string Mode(const std::string& path)
{
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return std::to_string(status.st_mode & 0777);
}

void Check(bool holds, const std::string& what)
{
    if (!holds)
        throw Error("not so: " + what);
}

void Folder(const std::string& path, mode_t mode = 0700, uid_t owner = ::geteuid())
{
    fs::create_directories(path);
    ::chmod(path.c_str(), mode);
    ::lchown(path.c_str(), owner, static_cast<gid_t>(-1));
}

std::string Record(const TTempDir& dir)
{
    for (const auto& entry : fs::directory_iterator(dir.File("state/quorva/backups")))
        return entry.path();
    return "";
}

// Puts `plant` in place of the file at `path`; `precious` is what a link
// points at, and must never change.
THook Replace(std::function<std::string(const TTempDir&)> path,
              std::function<void(const std::string&, const TTempDir&)> plant)
{
    return [=](const TTempDir& dir) {
        const std::string at = path(dir);
        fs::remove(at);
        plant(at, dir);
    };
}

const auto Backup = [](const TTempDir& dir) { return dir.File(".list.tir.quorva-backup"); };
const auto SymbolicLink = [](const std::string& at, const TTempDir& dir) {
    fs::create_symlink(dir.File("precious"), at);
};
const auto Fifo = [](const std::string& at, const TTempDir&) { ::mkfifo(at.c_str(), 0600); };
const auto AFolder = [](const std::string& at, const TTempDir&) { Folder(at); };
const auto OthersFile = [](const std::string& at, const TTempDir&) {
    test::WriteBytes(at, "theirs");
    ::chmod(at.c_str(), 0600);
    ::lchown(at.c_str(), test::UnprivilegedUid(), test::UnprivilegedGid());
};
const auto OwnFile = [](const std::string& at, const TTempDir&) {
    test::WriteBytes(at, "theirs");
    ::chmod(at.c_str(), 0600);
};
const auto SetUmask = [](mode_t mask) { return [=](const TTempDir&) { ::umask(mask); }; };
const std::string Long(240, 'n');

const TStateCase StateCases[] = {
    {"PrivateStateIsPutBack", nullptr, nullptr, "open:1 start:put back"},
    {"Umask000", SetUmask(0),
     [](const TTempDir& dir) {
         for (const char* made :
              {"state/quorva", "state/quorva/backups", ".list.tir.quorva-backup"})
             Check(Mode(dir.File(made)) == std::to_string(made[0] == '.' ? 0600 : 0700), made);
         Check(Mode(Record(dir)) == std::to_string(0600), "record");
     },
     "open:1 start:put back"},
    {"Umask077", SetUmask(077), nullptr, "open:1 start:put back"},
    {"RelativeXdgStateHomeIgnored", [](const TTempDir&) { ::setenv("XDG_STATE_HOME", "state", 1); },
     [](const TTempDir& dir) {
         Check(test::Exists(dir.File("home/.local/state/quorva/backups")), "home");
     },
     "open:1 start:put back"},
    {"HomeUnsetNoHomeFolder",
     [](const TTempDir&) {
         ::unsetenv("HOME");
         ::unsetenv("XDG_STATE_HOME");
     },
     nullptr, "Cannot create folder \"/nonexistent\"", true, true},
    {"UnwritableStateFolder",
     [](const TTempDir& dir) { Folder(dir.File("state/quorva/backups"), 0500); }, nullptr,
     ".record\". Permission denied", true},
    {"StateFolderOfAnotherUser",
     [](const TTempDir& dir) { Folder(dir.File("state/quorva"), 0700, test::UnprivilegedUid()); },
     nullptr, "it belongs to another user", false, true},
    {"StateFolderGroupWritable",
     [](const TTempDir& dir) { Folder(dir.File("state/quorva"), 0770); }, nullptr,
     "other users may write to it"},
    {"SymbolicLinkAsStateFolder",
     [](const TTempDir& dir) {
         Folder(dir.File("state"));
         Folder(dir.File("elsewhere"));
         fs::create_symlink(dir.File("elsewhere"), dir.File("state/quorva"));
     },
     nullptr, "it is not a folder"},
    {"SymbolicLinkAsBackup", nullptr, Replace(Backup, SymbolicLink),
     "open:1 start:refused: it is not a regular file backup left."},
    {"FifoAsBackup", nullptr, Replace(Backup, Fifo), "start:refused: it is not a regular file"},
    {"FolderAsBackup", nullptr, Replace(Backup, AFolder), "start:refused: it is not a regular"},
    {"OwnOtherFileAsBackup", nullptr, Replace(Backup, OwnFile),
     "start:refused: it is not the copy the program made"},
    {"OtherUsersFileAsBackup", nullptr, Replace(Backup, OthersFile),
     "start:refused: it belongs to another user", false, true},
    {"SymbolicLinkAsRecord", nullptr, Replace(Record, SymbolicLink),
     "is not used: it is a symbolic link"},
    {"FifoAsRecord", nullptr, Replace(Record, Fifo), "is not used: it is not a regular file"},
    {"FolderAsRecord", nullptr, Replace(Record, AFolder), "it is not a regular file"},
    {"OtherUsersFileAsRecord", nullptr, Replace(Record, OthersFile), "it belongs to another user",
     false, true},
    {"FileReplacedByLinkAfterKill", nullptr,
     Replace([](const TTempDir& dir) { return dir.File("list.tir"); }, SymbolicLink),
     "start:refused: the file is no longer the one that was copied"},
    {"TwoNamesAlikeIn64",
     [](const TTempDir& dir) { test::WriteBytes(dir.File(Long + "-bravo.tir"), "bravo"); },
     [](const TTempDir& dir) {
         Check(FindBackups(dir.File(Long + "-bravo.tir")).empty(), "bravo has no backup");
         const TFileDescriptor bravo(::open(dir.File(Long + "-bravo.tir").c_str(), O_RDWR));
         TInPlaceBackup other(dir.File(Long + "-bravo.tir"), bravo.Get());
         Check(other.Path() != FindBackups(dir.File(Long + "-alpha.tir")).at(0).backup, "names");
         other.Remove();
     },
     "start:put back", false, false, Long + "-alpha.tir"},
    {"KilledBetweenRecordAndName", nullptr,
     [](const TTempDir& dir) { Check(!Record(dir).empty(), "the record made first"); },
     "open:0 start:.", false, false, "list.tir", SYS_linkat},
};

// What the start finds and does, with every default answer.
std::string PutBackAtStart(const TTempDir& dir, const std::string& file)
{
    std::string outcome = "open:" + std::to_string(FindBackups(dir.File("other.tir")).size());
    outcome += " start:";
    for (const TFoundBackup& found : FindAllBackups()) {
        if (found.refused.empty()) {
            RestoreBackup(found);
            outcome += test::ReadBytes(dir.File(file)) == "old" ? "put back" : "put back wrong";
        } else {
            outcome += "refused: " + found.refused;
        }
    }
    return outcome +
           (test::Exists(dir.File("." + file + ".quorva-backup")) ? " backup left." : ".");
}

void SaveStoppedAfterBackup(const TTempDir& dir, const std::string& file)
{
    const TFileDescriptor fd(::open(dir.File(file).c_str(), O_RDWR));
    TInPlaceBackup backup(dir.File(file), fd.Get());
    Check(::ftruncate(fd.Get(), 0) == 0, "cut short");
}

class StateFolderTest : public testing::TestWithParam<TStateCase> {};

TEST_P(StateFolderTest, PlantedStateIsNeverFollowedNorPutBack)
{
    const TStateCase& c = GetParam();
    if ((c.needsRoot && ::geteuid() != 0) || (c.asOther && !test::CanRunUnprivileged()))
        GTEST_SKIP() << "giving a file to another user takes root";
    TTempDir dir;
    test::WriteBytes(dir.File("precious"), "precious");
    test::WriteBytes(dir.File(c.file), "old");
    fs::create_hard_link(dir.File(c.file), dir.File("other.tir"));
    if (c.asOther)
        test::HandToUnprivileged(dir.Path());
    const std::string outcome = test::MessageFromChild([&] {
        if (c.asOther)
            test::BecomeUnprivileged();
        ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        ::setenv("HOME", dir.File("home").c_str(), 1);
        if (c.before)
            c.before(dir);
        if (c.killAt == 0)
            SaveStoppedAfterBackup(dir, c.file);
        else
            test::RunInterruptedAt({c.killAt}, [&] { SaveStoppedAfterBackup(dir, c.file); });
        if (c.after)
            c.after(dir);
        throw Error(PutBackAtStart(dir, c.file));
    });
    EXPECT_NE(outcome.find(c.outcome), std::string::npos) << outcome;
    EXPECT_EQ(test::ReadBytes(dir.File("precious")), "precious");
}

// The same plants in the journals' folder: none is taken for a journal left
// behind, each is named once, and what a link points at is never touched.
TEST(StateFolderTest, PlantedJournalsAreNeverTaken)
{
    const std::pair<const char*, std::function<void(const std::string&, const TTempDir&)>>
        plants[] = {
            {"link", SymbolicLink}, {"fifo", Fifo}, {"folder", AFolder}, {"others", OthersFile}};
    for (const auto& [name, plant] : plants) {
        SCOPED_TRACE(name);
        TTempDir dir;
        test::WriteBytes(dir.File("precious"), "precious");
        const std::string outcome = test::MessageFromChild([&, &plant = plant] {
            ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
            const std::string journal = JournalFolder() + "/left.journal";
            plant(journal, dir);
            std::vector<std::string> refusals;
            std::vector<std::string> taken;
            const std::vector<TLeftJournal> left = LeftJournals(JournalFolder(), refusals, taken);
            if (!left.empty() || refusals.size() != 1 ||
                refusals[0].find("left.journal") == std::string::npos)
                throw Error("taken, or not named once");
        });
        EXPECT_EQ(outcome, "");
        EXPECT_EQ(test::ReadBytes(dir.File("precious")), "precious");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StateFolderTest, testing::ValuesIn(StateCases), test::TCaseName());

} // namespace
} // namespace quorva
