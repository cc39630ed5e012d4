#include "model/files/atomic_file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/files/text_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/write_operations.h"

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

// Texts around the sizes where the writer changes how it writes: the first
// full buffer and the block boundaries of the last one. A file system that
// refuses direct writing (ramfs, in a mount namespace of the child's own)
// gets the same bytes through the page cache.
struct TSizeCase {
    const char* name;
    std::size_t size;
    bool refusingDisk = false;
};

constexpr std::size_t Buffer = TDirectOutput::BufferSize;
const TSizeCase SizeCases[] = {
    {"a byte short of a buffer", Buffer - 1},       {"ending on a block", Buffer + 3 * 4096},
    {"a byte past a block", Buffer + 3 * 4096 + 1}, {"two buffers", 2 * Buffer},
    {"no direct writing", Buffer + 4097, true},
};

class WriterSizeTest : public testing::TestWithParam<TSizeCase> {};

TEST_P(WriterSizeTest, SameBytesEitherWay)
{
    const TSizeCase& c = GetParam();
    if (c.refusingDisk && ::geteuid() != 0)
        GTEST_SKIP() << "mounting a disk takes root";
    test::TTempDir dir;
    std::string text(c.size, '\0');
    std::mt19937 random(static_cast<unsigned>(c.size));
    for (char& byte : text)
        byte = static_cast<char>(random());
    EXPECT_EQ(test::MessageFromChild([&] {
                  if (c.refusingDisk &&
                      (::unshare(CLONE_NEWNS) != 0 ||
                       ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                       ::mount("none", dir.Path().c_str(), "ramfs", 0, nullptr) != 0))
                      throw Error("cannot mount a disk");
                  test::WriteBytes(dir.File("t.csv"), PreviousBytes);
                  TAtomicFileWriter writer(dir.File("t.csv"));
                  for (std::size_t at = 0; at < text.size(); at += WriteChunkSize + 7)
                      writer.Write(std::string_view(text).substr(at, WriteChunkSize + 7));
                  if (writer.WritesDirect() != (c.size >= Buffer && !c.refusingDisk))
                      throw Error("written the other way");
                  writer.Commit();
                  if (test::ReadBytes(dir.File("t.csv")) != text || dir.Listing() != "t.csv")
                      throw Error("other bytes");
              }),
              "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriterSizeTest, testing::ValuesIn(SizeCases),
                         [](const testing::TestParamInfo<TSizeCase>& param) {
                             return test::TestName("", param.param.name);
                         });

} // namespace
} // namespace quorva
