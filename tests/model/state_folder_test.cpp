#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/state_folder.h"
#include "support/case_name.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace quorva {
namespace {

// Each case runs in a child, where it may change the environment and umask.
struct TStateCase {
    std::string name;
    // Prepares `dir` (XDG_STATE_HOME is dir/state, HOME is dir/home) and
    // returns what the case does there.
    std::function<void(const test::TTempDir& dir)> prepare;
    std::function<void(const test::TTempDir& dir)> act;
    // What the case raises ("" when it works), as a part of the message.
    std::string raises;
    bool needsRoot = false;
};

std::string Mode(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? std::to_string(status.st_mode & 07777) : "none";
}

void Expect(const std::string& value, const std::string& expected)
{
    if (value != expected)
        throw Error(value + " instead of " + expected);
}

void MakeFolder(const std::string& path, mode_t mode, uid_t owner = ::geteuid())
{
    ::mkdir(path.c_str(), mode);
    ::chmod(path.c_str(), mode);
    ::lchown(path.c_str(), owner, static_cast<gid_t>(-1));
}

void Plant(const test::TTempDir& dir, const std::function<void(const std::string&)>& make)
{
    MakeFolder(dir.File("state"), 0700);
    MakeFolder(dir.File("state/quorva"), 0700);
    make(dir.File("state/quorva/backups"));
}

void OpenPlanted(const test::TTempDir& dir)
{
    OpenStateFile(dir.File("state/quorva/backups/record"), O_RDONLY);
}

void PlantFile(const test::TTempDir& dir, const std::function<void(const std::string&)>& make)
{
    Plant(dir, [](const std::string& folder) { MakeFolder(folder, 0700); });
    make(dir.File("state/quorva/backups/record"));
}

void WriteFile(const std::string& path, mode_t mode)
{
    test::WriteBytes(path, "text");
    ::chmod(path.c_str(), mode);
}

const std::string Octal700 = std::to_string(0700);

const TStateCase StateCases[] = {
    {"AbsoluteXdgStateHome", nullptr,
     [](const test::TTempDir& dir) {
         Expect(StateFolder("backups"), dir.File("state/quorva/backups"));
         Expect(Mode(dir.File("state/quorva")), Octal700);
     },
     ""},
    {"RelativeXdgStateHomeIgnored",
     [](const test::TTempDir&) { ::setenv("XDG_STATE_HOME", "state", 1); },
     [](const test::TTempDir& dir) {
         Expect(StateFolder("journals"), dir.File("home/.local/state/quorva/journals"));
     },
     ""},
    {"HomeUnsetUsesPasswordDatabase",
     [](const test::TTempDir&) {
         ::unsetenv("HOME");
         ::unsetenv("XDG_STATE_HOME");
     },
     [](const test::TTempDir&) {
         Expect(StateRoot(), std::string(::getpwuid(::getuid())->pw_dir) + "/.local/state");
     },
     ""},
    {"RelativeHomeUsesPasswordDatabase",
     [](const test::TTempDir&) {
         ::setenv("HOME", "home", 1);
         ::unsetenv("XDG_STATE_HOME");
     },
     [](const test::TTempDir&) {
         Expect(StateRoot(), std::string(::getpwuid(::getuid())->pw_dir) + "/.local/state");
     },
     ""},
    {"Umask000MakesPrivateFolders",
     [](const test::TTempDir&) {
         ::umask(0);
         ::unsetenv("XDG_STATE_HOME");
     },
     [](const test::TTempDir& dir) {
         StateFolder("backups");
         for (const char* made : {"home/.local", "home/.local/state", "home/.local/state/quorva",
                                  "home/.local/state/quorva/backups"})
             Expect(made + (" " + Mode(dir.File(made))), made + (" " + Octal700));
     },
     ""},
    {"Umask777StillUsable", [](const test::TTempDir&) { ::umask(0777); },
     [](const test::TTempDir& dir) {
         StateFolder("backups");
         Expect(Mode(dir.File("state/quorva/backups")), Octal700);
     },
     ""},
    {"FolderOfAnotherUser",
     [](const test::TTempDir& dir) {
         Plant(dir, [](const std::string& f) { MakeFolder(f, 0700, test::UnprivilegedUid()); });
     },
     [](const test::TTempDir&) { StateFolder("backups"); }, "it belongs to another user", true},
    {"GroupWritableFolder",
     [](const test::TTempDir& dir) {
         Plant(dir, [](const std::string& f) { MakeFolder(f, 0770); });
     },
     [](const test::TTempDir&) { StateFolder("backups"); }, "other users may write to it"},
    {"SymbolicLinkAsFolder",
     [](const test::TTempDir& dir) {
         MakeFolder(dir.File("elsewhere"), 0700);
         Plant(dir,
               [&](const std::string& f) { ::symlink(dir.File("elsewhere").c_str(), f.c_str()); });
     },
     [](const test::TTempDir&) { StateFolder("backups"); }, "it is not a folder"},
    {"RootOpenToAll", [](const test::TTempDir& dir) { MakeFolder(dir.File("state"), 0777); },
     [](const test::TTempDir&) { StateFolder("backups"); }, "other users may change it"},
    {"PrivateFileOpens",
     [](const test::TTempDir& dir) {
         PlantFile(dir, [](const std::string& f) { WriteFile(f, 0644); });
     },
     OpenPlanted, ""},
    {"SymbolicLinkAsFile",
     [](const test::TTempDir& dir) {
         WriteFile(dir.File("precious"), 0600);
         PlantFile(dir, [&](const std::string& f) {
             ::symlink(dir.File("precious").c_str(), f.c_str());
         });
     },
     OpenPlanted, "it is a symbolic link"},
    {"FifoAsFile",
     [](const test::TTempDir& dir) {
         PlantFile(dir, [](const std::string& f) { ::mkfifo(f.c_str(), 0600); });
     },
     OpenPlanted, "it is not a regular file"},
    {"FolderAsFile",
     [](const test::TTempDir& dir) {
         PlantFile(dir, [](const std::string& f) { MakeFolder(f, 0700); });
     },
     OpenPlanted, "it is not a regular file"},
    {"FileOfAnotherUser",
     [](const test::TTempDir& dir) {
         PlantFile(dir, [](const std::string& f) {
             WriteFile(f, 0600);
             ::lchown(f.c_str(), test::UnprivilegedUid(), test::UnprivilegedGid());
         });
     },
     OpenPlanted, "it belongs to another user", true},
    {"GroupWritableFile",
     [](const test::TTempDir& dir) {
         PlantFile(dir, [](const std::string& f) { WriteFile(f, 0620); });
     },
     OpenPlanted, "other users may write to it"},
    {"CreatedFileOverLinkRefused",
     [](const test::TTempDir& dir) {
         WriteFile(dir.File("precious"), 0600);
         PlantFile(dir, [&](const std::string& f) {
             ::symlink(dir.File("precious").c_str(), f.c_str());
         });
     },
     [](const test::TTempDir& dir) {
         CreateStateFile(dir.File("state/quorva/backups/record"), O_WRONLY);
     },
     "File exists"},
};

class StateFolderTest : public testing::TestWithParam<TStateCase> {};

TEST_P(StateFolderTest, UsesOnlyPrivateStateOfTheUser)
{
    const TStateCase& c = GetParam();
    if (c.needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user takes root";
    test::TTempDir dir;
    MakeFolder(dir.File("home"), 0700);
    const std::string message = test::MessageFromChild([&] {
        ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        ::setenv("HOME", dir.File("home").c_str(), 1);
        if (c.prepare)
            c.prepare(dir);
        c.act(dir);
    });
    if (c.raises.empty()) {
        EXPECT_EQ(message, "");
    } else {
        EXPECT_NE(message.find(c.raises), std::string::npos) << message;
    }
    // Nothing planted was written through.
    if (test::Exists(dir.File("precious"))) {
        EXPECT_EQ(test::ReadBytes(dir.File("precious")), "text");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StateFolderTest, testing::ValuesIn(StateCases), test::TCaseName());

} // namespace
} // namespace quorva
