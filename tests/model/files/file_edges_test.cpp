// Files at the edges of what a file system holds, through the operations the
// window's buttons call: things that are no regular file, targets that a
// rename would turn into another file (hard links, attributes, ACLs,
// owners), a full disk while a file is rewritten in place, and a crash in the
// middle of a save. As in fault_matrix_test.cpp, each case checks the
// message, the rows and the folder's exact state.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/base/system_resources.h"
#include "model/files/in_place_backup.h"
#include "model/files/text_file.h"
#include "model/rows/row_list_file.h"
#include "support/capped_memory.h"
#include "support/child_process.h"
#include "support/crlf_text.h"
#include "support/folder_snapshot.h"
#include "support/open_showing.h"
#include "support/scripted_progress.h"
#include "support/small_machine.h"
#include "support/stalled_pipe.h"
#include "support/syscall_kill.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "support/window_state.h"
#include "support/write_operations.h"
#include "triangle/triangle_csv.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::TWindowState;

const std::string PreviousBytes = "previous contents\r\n";

// 600 rows, the first with 100 kB of trailing text: the saved list and the
// CSV are both far larger than the small disk below.
const TWindowState& EdgeState()
{
    static const TWindowState state = [] {
        Lines lines = test::SampleRowLines(600);
        lines[0] += " " + std::string(100'000, 'x');
        return TWindowState(lines);
    }();
    return state;
}

using test::TWriteOperation;
const TWriteOperation& Save = test::SaveOperation;
const TWriteOperation& Start = test::StartOperation;

std::string Attribute(const std::string& file, const char* name)
{
    std::string value(4096, '\0');
    const ssize_t length = ::getxattr(file.c_str(), name, value.data(), value.size());
    value.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return length < 0 ? "<none>" : value;
}

void SetAttribute(const std::string& file, const char* name, const std::string& value)
{
    if (::setxattr(file.c_str(), name, value.data(), value.size(), 0) != 0)
        throw std::runtime_error(std::string("cannot set ") + name + ": " + std::strerror(errno));
}

// A POSIX ACL in the form the kernel keeps it in system.posix_acl_access:
// owner rw, the user `nobody` r, group r, mask r, others nothing.
std::string SampleAcl()
{
    struct TEntry {
        std::uint16_t tag, perm;
        std::uint32_t id;
    };
    const std::uint32_t version = 2, undefined = ~0u;
    const TEntry entries[] = {{0x01, 6, undefined},
                              {0x02, 4, test::UnprivilegedUid()},
                              {0x04, 4, undefined},
                              {0x10, 4, undefined},
                              {0x20, 0, undefined}};
    std::string bytes(reinterpret_cast<const char*>(&version), sizeof version);
    bytes.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return bytes;
}

struct stat StatusOf(const std::string& file)
{
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0)
        throw std::runtime_error("cannot stat " + file);
    return status;
}

// ---------------------------------------------------------------------------
// Save and Start onto targets at the edges

using PrepareFn = std::function<std::string(const test::TTempDir&)>; // returns the target
using CheckFn = std::function<void(const test::TTempDir&, const std::string& target)>;

enum class TUser { Self, Unprivileged, Root };

struct TWriteCase {
    const char* name;
    PrepareFn prepare;
    std::string message; // "" when written; "{}" stands for the target
    Lines written;       // the names that must hold the new bytes afterwards
    CheckFn check = nullptr;
    TUser user = TUser::Self;
    // Run after the folder is handed to the unprivileged user.
    std::function<void(const test::TTempDir&)> afterHandOver = nullptr;
    std::function<long(std::size_t bytes)> fileSizeLimit = nullptr;
    long memoryLimit = 0; // the address space the operation may add, when limited
};

PrepareFn ExistingFile(const std::function<void(const std::string&)>& adorn = nullptr)
{
    return [=](const test::TTempDir& dir) {
        test::WriteBytes(dir.File("out"), PreviousBytes);
        if (adorn)
            adorn(dir.File("out"));
        return dir.File("out");
    };
}

PrepareFn HardLinked()
{
    return [](const test::TTempDir& dir) {
        return test::MakeHardLinkedFile(dir, "out", "other", PreviousBytes);
    };
}

CheckFn StillHardLinked()
{
    return [](const test::TTempDir& dir, const std::string& target) {
        EXPECT_EQ(StatusOf(target).st_ino, StatusOf(dir.File("other")).st_ino);
    };
}

CheckFn OwnedBy(unsigned uid)
{
    return [=](const test::TTempDir&, const std::string& target) {
        EXPECT_EQ(StatusOf(target).st_uid, uid);
    };
}

const std::string NoReader = "Cannot create file \"{}\". No such device or address";

const TWriteCase WriteCases[] = {
    {"pipe without a reader",
     [](const test::TTempDir& dir) {
         ::mkfifo(dir.File("out").c_str(), 0600);
         return dir.File("out");
     },
     NoReader,
     {}},
    {"device behind a link",
     [](const test::TTempDir& dir) {
         fs::create_symlink("/dev/null", dir.File("out"));
         return dir.File("out");
     },
     "",
     {}},
    {"hard-linked target", HardLinked(), "", {"out", "other"}, StillHardLinked()},
    {"extended attribute",
     ExistingFile([](const std::string& file) { SetAttribute(file, "user.origin", "kept"); }),
     "",
     {"out"},
     [](const test::TTempDir&, const std::string& target) {
         EXPECT_EQ(Attribute(target, "user.origin"), "kept");
     }},
    {"POSIX ACL",
     ExistingFile([](const std::string& file) {
         SetAttribute(file, "system.posix_acl_access", SampleAcl());
     }),
     "",
     {"out"},
     [](const test::TTempDir&, const std::string& target) {
         EXPECT_EQ(Attribute(target, "system.posix_acl_access"), SampleAcl());
     }},
    // The user may write the file and its folder, but cannot give a new file
    // another's ownership: the file is rewritten in place and stays root's.
    {"file of another owner",
     ExistingFile(),
     "",
     {"out"},
     OwnedBy(0),
     TUser::Unprivileged,
     [](const test::TTempDir& dir) {
         ::chown(dir.File("out").c_str(), 0, 0);
         ::chmod(dir.File("out").c_str(), 0666);
     }},
    // Root can give the new file its owner, so it stays the owner's.
    {"root saves a user's file",
     ExistingFile([](const std::string& file) {
         ::chown(file.c_str(), test::UnprivilegedUid(), test::UnprivilegedGid());
     }),
     "",
     {"out"},
     OwnedBy(test::UnprivilegedUid()),
     TUser::Root},
    // The name the new file gets needs /proc where the user lacks the
    // privilege to name an open file directly.
    {"new file of an unprivileged user",
     [](const test::TTempDir& dir) { return dir.File("out"); },
     "",
     {"out"},
     OwnedBy(test::UnprivilegedUid()),
     TUser::Unprivileged},
    {"own file of an unprivileged user",
     ExistingFile(),
     "",
     {"out"},
     OwnedBy(test::UnprivilegedUid()),
     TUser::Unprivileged},
    // A short write in place: the old bytes go back, and both names keep them.
    {"hard-linked target, disk full halfway",
     HardLinked(),
     "Stream write error. File too large",
     {},
     StillHardLinked(),
     TUser::Self,
     nullptr,
     [](std::size_t bytes) { return static_cast<long>(bytes / 2); }},
#if QUORVA_CAPPED_MEMORY
    // The old text goes to its backup without passing through memory: a file
    // larger than the memory there is is rewritten all the same.
    {"hard-linked target larger than memory",
     [](const test::TTempDir& dir) {
         const std::string target = HardLinked()(dir);
         fs::resize_file(target, 256u << 20);
         return target;
     },
     "",
     {"out", "other"},
     StillHardLinked(),
     TUser::Self,
     nullptr,
     nullptr,
     192 << 20},
#endif
    // A folder's default ACL makes a new file as it makes any (the umask
    // aside), and adds nothing to a file that is replaced.
    {"new file in a folder with a default ACL",
     [](const test::TTempDir& dir) {
         SetAttribute(dir.Path(), "system.posix_acl_default", SampleAcl());
         ::close(::open(dir.File("touched").c_str(), O_CREAT | O_WRONLY, 0666));
         return dir.File("out");
     },
     "",
     {"out"},
     [](const test::TTempDir& dir, const std::string& target) {
         EXPECT_EQ(StatusOf(target).st_mode, StatusOf(dir.File("touched")).st_mode);
         EXPECT_EQ(Attribute(target, "system.posix_acl_access"),
                   Attribute(dir.File("touched"), "system.posix_acl_access"));
     }},
    {"file without ACL in a folder with a default ACL",
     ExistingFile([](const std::string& file) {
         ::chmod(file.c_str(), 0640);
         SetAttribute(fs::path(file).parent_path(), "system.posix_acl_default", SampleAcl());
     }),
     "",
     {"out"},
     [](const test::TTempDir&, const std::string& target) {
         EXPECT_EQ(StatusOf(target).st_mode & 07777, 0640u);
         EXPECT_EQ(Attribute(target, "system.posix_acl_access"), "<none>");
     }},
};

void PrintTo(const TWriteCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string WithTarget(std::string message, const std::string& target)
{
    if (const std::size_t at = message.find("{}"); at != std::string::npos)
        message.replace(at, 2, target);
    return message;
}

// Runs the operation as the case says, and checks in the process that ran it
// that the window's state stayed; returns the message of its failure.
std::string RunAs(const TWriteOperation& operation, const TWriteCase& c, const std::string& target,
                  std::size_t bytes)
{
    if (c.memoryLimit != 0)
        return test::RunWithMemoryHeadroom(
            c.memoryLimit, [&] { test::RunKeepingState(operation, EdgeState(), target); });
    return test::RunCollectingMessage(operation, EdgeState(), target,
                                      c.fileSizeLimit ? std::optional(c.fileSizeLimit(bytes))
                                                      : std::nullopt,
                                      c.user == TUser::Unprivileged);
}

class EdgeWriteTest : public testing::TestWithParam<std::tuple<TWriteOperation, TWriteCase>> {};

TEST_P(EdgeWriteTest, WritesWholeOrChangesNothing)
{
    const auto& [operation, c] = GetParam();
    const bool root = ::geteuid() == 0;
    if ((c.user == TUser::Root || c.afterHandOver) && !root)
        GTEST_SKIP() << "preparing this case takes root";
    if (c.user == TUser::Unprivileged && !test::CanRunUnprivileged())
        GTEST_SKIP() << "no unprivileged user to become";
    test::TTempDir dir;
    const std::string target = c.prepare(dir);
    if (c.user == TUser::Unprivileged)
        test::HandToUnprivileged(dir.Path());
    if (c.afterHandOver)
        c.afterHandOver(dir);
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    const std::string bytes = operation.expectedBytes(EdgeState());

    EXPECT_EQ(RunAs(operation, c, target, bytes.size()), WithTarget(c.message, target));

    test::TFolderSnapshot expected = before;
    for (const std::string& name : c.written)
        expected[name] = bytes;
    EXPECT_TRUE(test::SnapshotFolder(dir.Path()) == expected) << "the folder is not as expected";
    if (c.check)
        c.check(dir, target);
}

INSTANTIATE_TEST_SUITE_P(Targets, EdgeWriteTest,
                         testing::Combine(testing::Values(Save, Start),
                                          testing::ValuesIn(WriteCases)),
                         [](const testing::TestParamInfo<EdgeWriteTest::ParamType>& param) {
                             return test::TestName(std::get<0>(param.param).name,
                                                   std::get<1>(param.param).name);
                         });

// A pipe whose reader never reads holds Save and Start only until Cancel.
TEST(FullPipeTest, CancelEndsTheWait)
{
    test::TTempDir dir;
    for (const char* name : {"save", "start"}) {
        test::TStalledPipe pipe(dir.File(name));
        test::TScriptedProgress stopWhenFull([&](auto, auto) { return pipe.Full(); });
        EXPECT_THROW(name == std::string("save")
                         ? SaveRowListFile(EdgeState().lines, dir.File(name), stopWhenFull)
                         : ExportTriangleCsv(EdgeState().rows, test::ExportedColumn, dir.File(name),
                                             stopWhenFull),
                     Cancelled);
    }
}

// ---------------------------------------------------------------------------
// A full disk under a file rewritten in place: a disk of its own, a small
// tmpfs mounted in a mount namespace of the child's own, so that nothing of
// it outlives the test. Both refuse before the old text goes. (A disk that
// fills in the middle of an in-place write is the file size limit case
// above.)

bool CanMountDisks()
{
    return test::RunInChild([] {
               if (::unshare(CLONE_NEWNS) != 0)
                   throw std::runtime_error("no mount namespace");
           })
        .message.empty();
}

void MountSmallDisk(const std::string& folder, const char* size = "size=64k")
{
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size) != 0)
        throw std::runtime_error("cannot mount a small disk");
}

std::string FolderOf(const std::string& file)
{
    return fs::path(file).parent_path().string();
}

std::uint64_t FreeBytes(const std::string& folder)
{
    struct statvfs figures {};
    ::statvfs(folder.c_str(), &figures);
    return static_cast<std::uint64_t>(figures.f_bavail) * figures.f_frsize;
}

class FullDiskInPlaceTest : public testing::TestWithParam<TWriteOperation> {};

TEST_P(FullDiskInPlaceTest, KeepsTheOldText)
{
    if (!CanMountDisks())
        GTEST_SKIP() << "no mount namespace to mount a disk in";
    const TWriteOperation& operation = GetParam();
    test::TTempDir dir;
    const std::string disk = dir.File("disk");
    fs::create_directory(disk);
    const std::string message = test::MessageFromChild([&] {
        MountSmallDisk(disk);
        test::WriteBytes(disk + "/out", PreviousBytes);
        fs::create_hard_link(disk + "/out", disk + "/other");
        const test::TFolderSnapshot before = test::SnapshotFolder(disk);
        std::string got;
        try {
            operation.run(EdgeState(), disk + "/out");
        } catch (const Error& error) {
            got = error.what();
        }
        // A new file has no old text to count: Save meets the full disk, and
        // says so in the system's words.
        const std::string full =
            test::RunCollectingMessage(Save, EdgeState(), disk + "/new", {}, false);
        if (full != "Stream write error. No space left on device")
            throw Error("a new file on the full disk: " + full);
        if (test::SnapshotFolder(disk) != before)
            throw Error("the folder changed");
        // The old text's room is free once the file is truncated, but its
        // backup takes as much on the same disk. Save knows the exact size,
        // the export an upper bound.
        const std::string needs = FormatBytes(operation.expectedBytes(EdgeState()).size());
        const std::string has =
            ", but the folder \"" + disk + "\" has " + FormatBytes(FreeBytes(disk)) + " free.";
        const bool refused =
            operation.name == std::string("Save")
                ? got == "The file needs " + needs + has
                : got.starts_with("The CSV file needs up to ") && got.ends_with(has);
        throw Error(refused ? "refused before writing" : got);
    });
    EXPECT_EQ(message, "refused before writing");
}

INSTANTIATE_TEST_SUITE_P(Writers, FullDiskInPlaceTest, testing::Values(Save, Start),
                         [](const testing::TestParamInfo<TWriteOperation>& param) {
                             return std::string(param.param.name);
                         });

// ---------------------------------------------------------------------------
// Others at work while a Save rewrites a hard-linked file in place: another
// Save, an Open, a Save cancelled while it waits, a program that fills the
// disk. The writers take turns, the reader gets a whole text, and a restore
// that fails names the backup, which stays.

const Lines OtherLines = test::SampleRowLines(10);

long OpenDescriptors()
{
    return std::distance(fs::directory_iterator("/proc/self/fd"), {});
}

enum class TEndText { Unknown, First, Second };

struct TWhileWritingCase {
    const char* name;
    std::function<std::string(const std::string& target)> other; // returns what it saw
    std::string seen;
    TEndText endText;
    bool smallDisk = false; // `other` fills it, and the first Save's restore fails
};

const TWhileWritingCase WhileWritingCases[] = {
    {"second Save",
     [](const std::string& target) {
         SaveLinesToFile(OtherLines, target);
         return std::string();
     },
     "", TEndText::Second},
    {"Open",
     [](const std::string& target) {
         TWindowState state(OtherLines);
         test::OpenShowing(state.lines, state.rows, target, [](const std::string&) {});
         return std::to_string(state.lines.Count());
     },
     std::to_string(EdgeState().lines.Count()), TEndText::First},
    {"Save cancelled while it waits",
     [](const std::string& target) {
         const long open = OpenDescriptors();
         // Lets the first report (0 bytes written) through and stops at the
         // next, which comes from waiting for the other writer.
         test::TScriptedProgress stop([asked = 0](auto, auto) mutable { return asked++ > 0; });
         EXPECT_THROW(SaveLinesToFile(OtherLines, target, stop), Cancelled);
         return std::to_string(OpenDescriptors() - open) + " left open";
     },
     "0 left open", TEndText::First},
    {"disk filled by another program",
     [](const std::string& target) {
         std::ofstream filler(FolderOf(target) + "/filler", std::ios::binary);
         while (filler << std::string(4096, 'f'))
             ;
         return std::string();
     },
     "", TEndText::Unknown, true},
};

void PrintTo(const TWhileWritingCase& c, std::ostream* out)
{
    *out << c.name;
}

class WhileWritingTest : public testing::TestWithParam<TWhileWritingCase> {};

TEST_P(WhileWritingTest, TakesTurns)
{
    const TWhileWritingCase& c = GetParam();
    if (c.smallDisk && !CanMountDisks())
        GTEST_SKIP() << "no mount namespace to mount a disk in";
    test::TTempDir dir;
    const std::string target = dir.File("disk/out");
    const std::string seen = dir.File("seen");
    fs::create_directory(dir.File("disk"));
    EXPECT_EQ(test::MessageFromChild([&] {
                  if (c.smallDisk)
                      MountSmallDisk(dir.File("disk"), "size=1m");
                  test::MakeHardLinkedFile(dir, "disk/out", "disk/other", PreviousBytes);
                  // Stopped right after it emptied the file, while the others start.
                  const test::TChildEnd end = test::RunInterruptedAt(
                      {SYS_ftruncate, true}, [&] { Save.run(EdgeState(), target); },
                      [&] {
                          if (c.smallDisk || ::fork() == 0) {
                              test::WriteBytes(seen, c.other(target));
                              if (!c.smallDisk)
                                  ::_exit(0);
                          }
                          ::usleep(200'000);
                      });
                  // A restore that fails names the backup, which keeps the old text.
                  const std::vector<TFoundBackup> left = FindBackups(target);
                  EXPECT_EQ(left.size(), c.smallDisk ? 1u : 0u);
                  EXPECT_EQ(end.message.empty(), !c.smallDisk) << end.message;
                  for (const TFoundBackup& backup : left) {
                      EXPECT_EQ(test::ReadBytes(backup.backup), PreviousBytes);
                      EXPECT_TRUE(end.message.find("at risk") != std::string::npos &&
                                  end.message.find('"' + backup.backup + '"') != std::string::npos)
                          << end.message;
                  }
                  EXPECT_EQ(test::ReadBytes(seen), c.seen);
                  const std::string endText = c.endText == TEndText::First
                                                  ? Save.expectedBytes(EdgeState())
                                                  : test::JoinWithCrLf(OtherLines);
                  EXPECT_TRUE(c.endText == TEndText::Unknown || test::ReadBytes(target) == endText);
                  if (testing::Test::HasFailure())
                      throw Error("see above");
              }),
              "");
}

INSTANTIATE_TEST_SUITE_P(Others, WhileWritingTest, testing::ValuesIn(WhileWritingCases),
                         [](const testing::TestParamInfo<TWhileWritingCase>& param) {
                             return test::TestName("", param.param.name);
                         });

// ---------------------------------------------------------------------------
// Open of things that are no regular file, and of a file too large for the
// memory there is: refused at once through Open's one message, the rows stay.

constexpr std::uint64_t GB = 1'000'000'000;

struct TOpenCase {
    const char* name;
    PrepareFn prepare; // returns the file to open
    bool loads;
    std::uint64_t availableMemory = 16 * GB;
    // Whether the folder's bytes are compared before and after: reading a
    // gigabyte twice would take longer than all the rest.
    bool compareFolder = true;
};

const std::string Row1 = "01 02 03 04 05 06 07";

PrepareFn Holding(const std::string& bytes)
{
    return [=](const test::TTempDir& dir) {
        test::WriteBytes(dir.File("in.tir"), bytes);
        return dir.File("in.tir");
    };
}

// `line` again and again, about `bytes` in all.
PrepareFn Repeating(const std::string& line, std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes)
        text += line;
    return Holding(text);
}

PrepareFn SparseFile(std::uint64_t bytes)
{
    return [=](const test::TTempDir& dir) {
        const std::string file = Holding("")(dir);
        fs::resize_file(file, bytes);
        return file;
    };
}

PrepareFn Pipe()
{
    return [](const test::TTempDir& dir) {
        ::mkfifo(dir.File("in.tir").c_str(), 0600);
        return dir.File("in.tir");
    };
}

const TOpenCase OpenCases[] = {
    {"pipe without a writer", Pipe(), false},
    // A writer is there but never writes: reading would wait for ever.
    {"pipe with a silent writer",
     [](const test::TTempDir& dir) {
         const std::string file = Pipe()(dir);
         // Left open on purpose: the writer stays for the rest of the run.
         [[maybe_unused]] const int writer = ::open(file.c_str(), O_RDWR | O_NONBLOCK);
         return file;
     },
     false},
    {"socket",
     [](const test::TTempDir& dir) {
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         const std::string file = dir.File("in.tir");
         std::strncpy(address.sun_path, file.c_str(), sizeof address.sun_path - 1);
         const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
         ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address);
         ::close(socket); // the socket file stays, as a server's would
         return file;
     },
     false},
    {"endless device behind a link",
     [](const test::TTempDir& dir) {
         fs::create_symlink("/dev/zero", dir.File("in.tir"));
         return dir.File("in.tir");
     },
     false},
    // The rows of 1 GB of lines need about 350 MB: refused before a byte is
    // read. Lines kept as they are take what is left, and no more.
    {"1 GB with 300 MB available", SparseFile(GB), false, 3 * GB / 10, false},
    {"2 MB of lines kept as they are, with 12 MB available", Repeating(Row1 + " kept\r\n", 2 << 20),
     false, 12 << 20},
    {"small file with 2 GB available", Holding(Row1 + "\r\n"), true, 2 * GB},
    {"small file with 30 bytes available", Holding(Row1 + "\r\n"), false, 30},
};

void PrintTo(const TOpenCase& c, std::ostream* out)
{
    *out << c.name;
}

class EdgeOpenTest : public testing::TestWithParam<TOpenCase> {};

TEST_P(EdgeOpenTest, LoadsOrRefusesAtOnce)
{
    const TOpenCase& c = GetParam();
    test::TTempDir dir;
    const std::string file = c.prepare(dir);
    const auto snapshot = [&] {
        return c.compareFolder ? test::SnapshotFolder(dir.Path()) : test::TFolderSnapshot{};
    };
    const test::TFolderSnapshot before = snapshot();
    const Lines previous = test::SampleRowLines(3);
    TWindowState state(previous);
    Lines shown;
    const bool loaded = test::OpenShowing(
        state.lines, state.rows, file, [&](const std::string& m) { shown.push_back(m); },
        NoProgress(), test::TSmallMachine(c.availableMemory, ~std::uint64_t{0}));
    EXPECT_EQ(loaded, c.loads);
    if (c.loads) {
        EXPECT_EQ(shown, Lines{});
        EXPECT_EQ(state.lines.Lines(), Lines{Row1});
    } else {
        EXPECT_EQ(shown, Lines{SBadFileFormat});
        EXPECT_TRUE(state.SameAs(TWindowState(previous)));
    }
    EXPECT_TRUE(snapshot() == before) << "Open changed the folder";
}

INSTANTIATE_TEST_SUITE_P(Files, EdgeOpenTest, testing::ValuesIn(OpenCases),
                         [](const testing::TestParamInfo<TOpenCase>& param) {
                             return test::TestName("", param.param.name);
                         });

// ---------------------------------------------------------------------------
// A crash in the middle of a save: the process is killed at the first, a
// middle and the last moment it reports progress, before the new text is in
// place. Each time the folder holds exactly what it held: no temporary file
// is left, and the previous file is intact. A file rewritten in place is
// killed at each of its steps instead: the next Open and the next start
// offer its backup, holding the whole old text, once the backup is made, and
// putting it back leaves the folder as it was.

class TKillingProgress final : public TProgress {
public:
    explicit TKillingProgress(int killAt) : killAt_(killAt) {}
    bool Proceed(std::uint64_t, std::uint64_t) override
    {
        if (calls_++ == killAt_)
            ::raise(SIGKILL);
        return true;
    }
    int Calls() const { return calls_; }

private:
    int killAt_;
    int calls_ = 0;
};

enum class TInPlace { No, HardLinked, InReadOnlyFolder };

struct TKillCase {
    const char* name;
    bool existing;
    double moment; // 0 the first report, 1 the last
    TInPlace inPlace = TInPlace::No;
    test::TSyscallMoment step = {};
    bool backupLeft = false;
};

const test::TSyscallMoment Locking{SYS_flock}, Copying{SYS_copy_file_range},
    Truncating{SYS_ftruncate}, Truncated{SYS_ftruncate, true},
    Writing{SYS_write, false, 2, SYS_ftruncate}, Flushed{SYS_fsync, true, 1, SYS_ftruncate};
constexpr auto Linked = TInPlace::HardLinked;
constexpr auto Locked = TInPlace::InReadOnlyFolder;

const TKillCase KillCases[] = {
    {"new file, first report", false, 0},
    {"new file, middle report", false, 0.5},
    {"new file, last report", false, 1},
    {"existing file, first report", true, 0},
    {"existing file, middle report", true, 0.5},
    {"existing file, last report", true, 1},
    {"hard link, before the backup", true, 0, Linked, Locking},
    {"hard link, while copying", true, 0, Linked, Copying},
    {"hard link, after the backup", true, 0, Linked, Truncating, true},
    {"hard link, truncated", true, 0, Linked, Truncated, true},
    {"hard link, mid-write", true, 0, Linked, Writing, true},
    {"hard link, flushed", true, 0, Linked, Flushed, true},
    {"read-only folder, before the backup", true, 0, Locked, Locking},
    {"read-only folder, while copying", true, 0, Locked, Copying},
    {"read-only folder, after the backup", true, 0, Locked, Truncating, true},
    {"read-only folder, truncated", true, 0, Locked, Truncated, true},
    {"read-only folder, mid-write", true, 0, Locked, Writing, true},
    {"read-only folder, flushed", true, 0, Locked, Flushed, true},
};

void PrintTo(const TKillCase& c, std::ostream* out)
{
    *out << c.name;
}

void PutBackWhatIsOffered(const TKillCase& c, const std::string& target)
{
    const std::vector<TFoundBackup> found = FindBackups(target);
    const std::vector<TFoundBackup> atStart = FindAllBackups();
    if (found.size() != (c.backupLeft ? 1u : 0u) ||
        (c.backupLeft &&
         (test::ReadBytes(found[0].backup) != PreviousBytes ||
          std::ranges::count(atStart, found[0].backup, &TFoundBackup::backup) != 1)))
        throw Error("the previous text is not offered whole");
    for (const TFoundBackup& backup : found)
        RestoreBackup(backup);
}

class KillMidSaveTest : public testing::TestWithParam<TKillCase> {};

TEST_P(KillMidSaveTest, LeavesTheFolderAsItWas)
{
    const TKillCase& c = GetParam();
    const bool unprivileged = c.inPlace == Locked;
    if (unprivileged && !test::CanRunUnprivileged())
        GTEST_SKIP() << "no unprivileged user to become";
    test::TTempDir dir;
    const std::string target = dir.File(unprivileged ? "locked/list.tir" : "list.tir");
    fs::create_directories(FolderOf(target));
    if (c.existing)
        test::WriteBytes(target, PreviousBytes);
    if (c.inPlace == Linked)
        fs::create_hard_link(target, dir.File("other.tir"));
    if (unprivileged) {
        test::HandToUnprivileged(dir.Path());
        fs::permissions(FolderOf(target), fs::perms::owner_read | fs::perms::owner_exec);
    }
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());

    test::TChildEnd end;
    if (c.inPlace != TInPlace::No) {
        end = test::RunInterruptedAt(c.step, [&] {
            if (unprivileged)
                test::BecomeUnprivileged();
            SaveRowListFile(test::ManyRowsState().lines, target);
        });
    } else {
        TKillingProgress counting(-1);
        {
            test::TTempDir scratch;
            SaveRowListFile(test::ManyRowsState().lines, scratch.File("count.tir"), counting);
        }
        ASSERT_GE(counting.Calls(), 3);
        const int killAt = static_cast<int>(c.moment * (counting.Calls() - 1));
        end = test::RunInChild([&] {
            TKillingProgress killing(killAt);
            SaveRowListFile(test::ManyRowsState().lines, target, killing);
        });
    }
    EXPECT_EQ(end.signal, SIGKILL);
    const auto putBack = [&] { PutBackWhatIsOffered(c, target); };
    EXPECT_EQ(unprivileged ? test::RunUnprivileged(putBack) : test::MessageFromChild(putBack), "");
    EXPECT_TRUE(test::SnapshotFolder(dir.Path()) == before) << "the folder is not as it was";
}

INSTANTIATE_TEST_SUITE_P(Moments, KillMidSaveTest, testing::ValuesIn(KillCases),
                         [](const testing::TestParamInfo<TKillCase>& param) {
                             return test::TestName("", param.param.name);
                         });

} // namespace
} // namespace quorva
