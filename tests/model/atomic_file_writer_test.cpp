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

const std::string PreviousBytes = "previous contents\r\n";

mode_t ModeOf(const std::string& fileName)
{
    struct stat status {};
    EXPECT_EQ(::stat(fileName.c_str(), &status), 0);
    return status.st_mode & 07777;
}

// Refused targets, a full disk and symbolic links are tried through Save and
// Start in fault_matrix_test.cpp; here only what the writer itself promises.

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

} // namespace
} // namespace quorva
