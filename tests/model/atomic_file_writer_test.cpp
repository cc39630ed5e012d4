#include "model/atomic_file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "model/error.h"
#include "model/text_file.h"
#include "support/temp_dir.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string PreviousBytes = "previous contents\r\n";

std::string SaveError(const Lines& lines, const std::string& fileName)
{
    try {
        SaveLinesToFile(lines, fileName);
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

std::string CreateError(const std::string& fileName, const std::string& systemText)
{
    return "Cannot create file \"" + fileName + "\". " + systemText;
}

mode_t ModeOf(const std::string& fileName)
{
    struct stat status {};
    EXPECT_EQ(::stat(fileName.c_str(), &status), 0);
    return status.st_mode & 07777;
}

bool RunningAsRoot() { return ::geteuid() == 0; }

// Each failure leaves the folder as it was: the previous file byte for byte,
// a missing file still missing, and no temporary file.
TEST(AtomicFileWriterTest, RefusedTargetsLeaveEverythingAsItWas)
{
    struct TCase {
        const char* name;
        std::function<std::string(const test::TTempDir&)> prepare;  // returns the target
        std::string systemText;
    };
    const TCase cases[] = {
        {"missing folder", [](const test::TTempDir& d) { return d.File("no/such/out.csv"); },
         "No such file or directory"},
        {"folder as target",
         [](const test::TTempDir& d) {
             fs::create_directory(d.File("folder"));
             return d.File("folder");
         },
         "Is a directory"},
        {"file as folder",
         [](const test::TTempDir& d) {
             test::WriteBytes(d.File("plain"), PreviousBytes);
             return d.File("plain/out.csv");
         },
         "Not a directory"},
        {"link loop",
         [](const test::TTempDir& d) {
             fs::create_symlink(d.File("loop"), d.File("loop"));
             return d.File("loop");
         },
         "Too many levels of symbolic links"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TTempDir dir;
        const std::string target = c.prepare(dir);
        const std::string before = dir.Listing();
        EXPECT_EQ(SaveError({"new"}, target), CreateError(target, c.systemText));
        EXPECT_EQ(dir.Listing(), before);
    }
}

TEST(AtomicFileWriterTest, ReadOnlyTargetStaysUntouched)
{
    if (RunningAsRoot())
        GTEST_SKIP() << "root may write any file, so a read-only file cannot refuse it";
    test::TTempDir dir;
    const std::string target = dir.File("locked.tir");
    test::WriteBytes(target, PreviousBytes);
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_EQ(SaveError({"new"}, target), CreateError(target, "Permission denied"));
    EXPECT_EQ(test::ReadBytes(target), PreviousBytes);
    EXPECT_EQ(dir.Listing(), "locked.tir");
}

TEST(AtomicFileWriterTest, ReadOnlyFolderRefusesNewFiles)
{
    if (RunningAsRoot())
        GTEST_SKIP() << "root may write into any folder, so a read-only folder cannot refuse it";
    test::TTempDir dir;
    fs::create_directory(dir.File("locked"));
    fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    const std::string target = dir.File("locked/out.csv");
    EXPECT_EQ(SaveError({"new"}, target), CreateError(target, "Permission denied"));
    EXPECT_FALSE(test::Exists(target));
}

TEST(AtomicFileWriterTest, ShortWriteKeepsThePreviousFile)
{
    test::TTempDir dir;
    const std::string target = dir.File("full.csv");
    test::WriteBytes(target, PreviousBytes);
    const Lines lines(3000, std::string(100, 'x'));  // 306 000 bytes, well past the limit
    const std::string message =
        test::RunWithFileSizeLimit(64 * 1024, [&] { SaveLinesToFile(lines, target); });
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(test::ReadBytes(target), PreviousBytes);
    EXPECT_EQ(dir.Listing(), "full.csv");
}

TEST(AtomicFileWriterTest, ShortWriteOfANewFileLeavesNoFile)
{
    test::TTempDir dir;
    const std::string target = dir.File("new.csv");
    const std::string message = test::RunWithFileSizeLimit(
        1000, [&] { SaveLinesToFile(Lines(100, std::string(50, 'y')), target); });
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(dir.Listing(), "");
}

TEST(AtomicFileWriterTest, ReplacesContentsAndKeepsPermissionBits)
{
    test::TTempDir dir;
    const std::string target = dir.File("kept.tir");
    test::WriteBytes(target, PreviousBytes);
    ::chmod(target.c_str(), 0640);
    SaveLinesToFile({"new"}, target);
    EXPECT_EQ(test::ReadBytes(target), "new\r\n");
    EXPECT_EQ(ModeOf(target), 0640u);
    SaveLinesToFile({}, target);
    EXPECT_EQ(test::ReadBytes(target), "");
    EXPECT_EQ(dir.Listing(), "kept.tir");
}

TEST(AtomicFileWriterTest, NewFilesGetTheUsualPermissions)
{
    test::TTempDir dir;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    SaveLinesToFile({}, dir.File("fresh.csv"));
    EXPECT_EQ(ModeOf(dir.File("fresh.csv")), 0666u & ~mask);
    EXPECT_EQ(test::ReadBytes(dir.File("fresh.csv")), "");
}

TEST(AtomicFileWriterTest, FollowsSymbolicLinks)
{
    test::TTempDir dir;
    fs::create_directory(dir.File("real"));
    test::WriteBytes(dir.File("real/data.tir"), PreviousBytes);
    fs::create_symlink("real/data.tir", dir.File("link.tir"));
    fs::create_symlink("link.tir", dir.File("link2.tir"));
    SaveLinesToFile({"through links"}, dir.File("link2.tir"));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.tir")));
    EXPECT_TRUE(fs::is_symlink(dir.File("link2.tir")));
    EXPECT_EQ(test::ReadBytes(dir.File("real/data.tir")), "through links\r\n");
    EXPECT_EQ(dir.Listing(), "link.tir link2.tir real");
}

TEST(AtomicFileWriterTest, DanglingLinkCreatesItsTarget)
{
    test::TTempDir dir;
    fs::create_symlink("made.tir", dir.File("dangling.tir"));
    SaveLinesToFile({"made"}, dir.File("dangling.tir"));
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.tir")));
    EXPECT_EQ(test::ReadBytes(dir.File("made.tir")), "made\r\n");
}

TEST(AtomicFileWriterTest, DanglingLinkIntoAMissingFolderFails)
{
    test::TTempDir dir;
    fs::create_symlink("gone/made.tir", dir.File("dangling.tir"));
    EXPECT_EQ(SaveError({"x"}, dir.File("dangling.tir")),
              CreateError(dir.File("dangling.tir"), "No such file or directory"));
    EXPECT_EQ(dir.Listing(), "dangling.tir");
}

TEST(AtomicFileWriterTest, WritesDevicesInPlace)
{
    SaveLinesToFile({"discarded"}, "/dev/null");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(AtomicFileWriterTest, UncommittedWriterRemovesItsTemporaryFile)
{
    test::TTempDir dir;
    test::WriteBytes(dir.File("t.csv"), PreviousBytes);
    {
        TAtomicFileWriter writer(dir.File("t.csv"));
        writer.Write("half of it");
    }
    EXPECT_EQ(test::ReadBytes(dir.File("t.csv")), PreviousBytes);
    EXPECT_EQ(dir.Listing(), "t.csv");
}

}  // namespace
}  // namespace quorva
