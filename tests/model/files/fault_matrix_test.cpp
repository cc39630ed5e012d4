// Every way a file operation can fail, through the operations the window's
// buttons call. Whatever happens, the user loses nothing: the message is
// exact, the rows, lines and selection stay, the folder holds what it held
// (the previous file byte for byte, a missing file still missing) and no
// temporary file is left behind.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "model/base/error.h"
#include "model/files/system_calls.h"
#include "model/files/text_file.h"
#include "model/rows/row_line.h"
#include "model/rows/row_list_file.h"
#include "support/crlf_text.h"
#include "support/folder_snapshot.h"
#include "support/open_showing.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "support/window_state.h"
#include "support/write_operations.h"
#include "triangle/diff_triangle.h"
#include "triangle/triangle_csv.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string PreviousBytes = "previous contents\r\n";
using test::ExportedColumn;

// Permission cases run as an unprivileged user (see unprivileged.h): root
// may write and read anything, so permissions could not refuse it.
const char* const NoUnprivilegedUser = "running as root, with no unprivileged user to become";

// Hands the case's folder to the user it runs as, before its snapshot.
void PrepareUnprivileged(const test::TTempDir& dir)
{
    test::HandToUnprivileged(dir.Path());
}

using test::TWindowState;

// Large enough that both writers hand their text over in more than one
// chunk: 2,600 rows give a triangle CSV of over 8 MiB, which Start writes past
// the page cache where the disk allows it, and the first line
// carries a megabyte of trailing text, as a file may give it.
const TWindowState& LargeState()
{
    static const TWindowState state = [] {
        Lines lines;
        for (std::int32_t i = 0; i < 2600; ++i) {
            TNumberRow row;
            for (std::int32_t j = 0; j < RowWidth; ++j)
                row[static_cast<std::size_t>(j)] = (i * 37 + j * 11 + i * i) % 100;
            if (i % 97 == 5)
                row[ExportedColumn] = -(i % 9 + 1); // as a file may give it
            lines.push_back(RowToLine(row));
        }
        lines[0] += " " + std::string(WriteChunkSize + 1000, 'x');
        return TWindowState(lines);
    }();
    return state;
}

std::string SnapshotSummary(const test::TFolderSnapshot& snapshot)
{
    std::string summary;
    for (const auto& [name, contents] : snapshot)
        summary += name + " (" + std::to_string(contents.size()) + " bytes) ";
    return summary;
}

// ---------------------------------------------------------------------------
// Save and Start

using test::TWriteOperation;
const TWriteOperation& Save = test::SaveOperation;
const TWriteOperation& Start = test::StartOperation;

enum class TWriteResult { Written, CannotCreate, StreamWriteError };

using PrepareFn = std::function<std::string(const test::TTempDir&)>; // returns the target

struct TWriteCase {
    const char* name;
    PrepareFn prepare;
    TWriteResult result;
    std::string detail; // the system's text, or where the bytes land when written
    std::function<long(std::size_t bytes)> fileSizeLimit = nullptr;
    bool unprivileged = false;
    const TSystemCalls* faults = nullptr; // in use while the operation runs
};

// A disk that fails one call, as a full, failing or odd file system does.
TSystemCalls Failing(void (*change)(TSystemCalls&))
{
    TSystemCalls calls = RealSystemCalls();
    change(calls);
    return calls;
}
const TSystemCalls WriteTakesNothing = Failing(
    [](TSystemCalls& c) { c.write = [](int, const void*, size_t) -> ssize_t { return 0; }; });
const TSystemCalls FlushFails =
    Failing([](TSystemCalls& c) { c.fsync = [](int) { return errno = EIO, -1; }; });
const TSystemCalls RenameFails = Failing(
    [](TSystemCalls& c) { c.rename = [](const char*, const char*) { return errno = EXDEV, -1; }; });

PrepareFn ExistingFile(const std::string& name,
                       fs::perms perms = fs::perms::owner_read | fs::perms::owner_write)
{
    return [=](const test::TTempDir& dir) {
        test::WriteBytes(dir.File(name), PreviousBytes);
        fs::permissions(dir.File(name), perms);
        return dir.File(name);
    };
}

PrepareFn AbsentFile(const std::string& name)
{
    return [=](const test::TTempDir& dir) { return dir.File(name); };
}

// A folder the user may read but not write, holding `existing` if not empty.
PrepareFn InReadOnlyFolder(const std::string& existing)
{
    return [=](const test::TTempDir& dir) {
        fs::create_directory(dir.File("locked"));
        if (!existing.empty())
            test::WriteBytes(dir.File("locked/" + existing), PreviousBytes);
        fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        return dir.File("locked/out");
    };
}

PrepareFn LinkTo(const std::string& linkTarget,
                 const std::function<void(const test::TTempDir&)>& makeTarget = nullptr)
{
    return [=](const test::TTempDir& dir) {
        if (makeTarget)
            makeTarget(dir);
        fs::create_symlink(linkTarget, dir.File("link"));
        return dir.File("link");
    };
}

const TWriteCase WriteCases[] = {
    {"existing file", ExistingFile("out"), TWriteResult::Written, "out"},
    {"disk full at the first byte", ExistingFile("out"), TWriteResult::StreamWriteError,
     "File too large", [](std::size_t) { return 0L; }},
    {"disk full at the last byte", ExistingFile("out"), TWriteResult::StreamWriteError,
     "File too large", [](std::size_t bytes) { return static_cast<long>(bytes) - 1; }},
    {"disk full with a new file", AbsentFile("out"), TWriteResult::StreamWriteError,
     "File too large", [](std::size_t bytes) { return static_cast<long>(bytes / 2); }},
    {"missing folder", AbsentFile("no/such/out"), TWriteResult::CannotCreate,
     "No such file or directory"},
    {"folder as target",
     [](const test::TTempDir& dir) {
         fs::create_directory(dir.File("folder"));
         return dir.File("folder");
     },
     TWriteResult::CannotCreate, "Is a directory"},
    {"file as folder",
     [](const test::TTempDir& dir) { return ExistingFile("plain")(dir) + "/out"; },
     TWriteResult::CannotCreate, "Not a directory"},
    {"name too long", AbsentFile(std::string(300, 'n')), TWriteResult::CannotCreate,
     "File name too long"},
    {"read-only target", ExistingFile("out", fs::perms::owner_read), TWriteResult::CannotCreate,
     "Permission denied", nullptr, true},
    {"read-only folder", InReadOnlyFolder(""), TWriteResult::CannotCreate, "Permission denied",
     nullptr, true},
    // No temporary file can be made beside it, but the file itself may be
    // written: it is rewritten in place.
    {"writable target in a read-only folder", InReadOnlyFolder("out"), TWriteResult::Written,
     "locked/out", nullptr, true},
    {"link to a file through a link",
     LinkTo("link2",
            [](const test::TTempDir& dir) {
                fs::create_directory(dir.File("real"));
                test::WriteBytes(dir.File("real/data"), PreviousBytes);
                fs::create_symlink("real/data", dir.File("link2"));
            }),
     TWriteResult::Written, "real/data"},
    {"dangling link", LinkTo("made"), TWriteResult::Written, "made"},
    {"dangling link into a missing folder", LinkTo("gone/made"), TWriteResult::CannotCreate,
     "No such file or directory"},
    {"link to a folder",
     LinkTo("folder", [](const test::TTempDir& dir) { fs::create_directory(dir.File("folder")); }),
     TWriteResult::CannotCreate, "Is a directory"},
    {"link loop",
     [](const test::TTempDir& dir) {
         fs::create_symlink(dir.File("loop"), dir.File("loop"));
         return dir.File("loop");
     },
     TWriteResult::CannotCreate, "Too many levels of symbolic links"},
    {"disk full behind a link",
     LinkTo("data", [](const test::TTempDir& dir) { ExistingFile("data")(dir); }),
     TWriteResult::StreamWriteError, "File too large",
     [](std::size_t bytes) { return static_cast<long>(bytes / 3); }},
    // A write that takes nothing gives no reason: it counts as a full disk.
    {"a write that takes nothing", ExistingFile("out"), TWriteResult::StreamWriteError,
     "No space left on device", nullptr, false, &WriteTakesNothing},
    {"flush to disk fails", ExistingFile("out"), TWriteResult::StreamWriteError,
     "Input/output error", nullptr, false, &FlushFails},
    {"new file cannot take the name", AbsentFile("out"), TWriteResult::CannotCreate,
     "Invalid cross-device link", nullptr, false, &RenameFails},
};

void PrintTo(const TWriteCase& c, std::ostream* out)
{
    *out << c.name;
}

// Runs the operation and checks, in the process that ran it, that it left the
// window's state alone; returns the message of its failure, "" on success.
std::string RunWriteOperation(const TWriteOperation& operation, const TWriteCase& c,
                              const std::string& target, std::size_t bytes)
{
    return test::RunCollectingMessage(
        operation, LargeState(), target,
        c.fileSizeLimit ? std::optional(c.fileSizeLimit(bytes)) : std::nullopt, c.unprivileged);
}

std::string ExpectedWriteMessage(const TWriteCase& c, const std::string& target)
{
    switch (c.result) {
    case TWriteResult::Written:
        return "";
    case TWriteResult::CannotCreate:
        return "Cannot create file \"" + target + "\". " + c.detail;
    case TWriteResult::StreamWriteError:
        return "Stream write error. " + c.detail;
    }
    return "?";
}

class WriteFaultTest : public testing::TestWithParam<std::tuple<TWriteOperation, TWriteCase>> {};

TEST_P(WriteFaultTest, WritesWholeOrChangesNothing)
{
    const auto& [operation, c] = GetParam();
    if (c.unprivileged && !test::CanRunUnprivileged())
        GTEST_SKIP() << NoUnprivilegedUser;
    test::TTempDir dir;
    const std::string target = c.prepare(dir);
    if (c.unprivileged)
        PrepareUnprivileged(dir);
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    const std::string bytes = operation.expectedBytes(LargeState());

    {
        std::optional<TSystemCallsOverride> faults;
        if (c.faults)
            faults.emplace(*c.faults);
        EXPECT_EQ(RunWriteOperation(operation, c, target, bytes.size()),
                  ExpectedWriteMessage(c, target));
    }

    test::TFolderSnapshot expected = before;
    if (c.result == TWriteResult::Written)
        expected[c.detail] = bytes;
    const test::TFolderSnapshot after = test::SnapshotFolder(dir.Path());
    EXPECT_TRUE(after == expected)
        << "folder holds " << SnapshotSummary(after) << "\nexpected " << SnapshotSummary(expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, WriteFaultTest,
                         testing::Combine(testing::Values(Save, Start),
                                          testing::ValuesIn(WriteCases)),
                         [](const testing::TestParamInfo<WriteFaultTest::ParamType>& param) {
                             return test::TestName(std::get<0>(param.param).name,
                                                   std::get<1>(param.param).name);
                         });

// ---------------------------------------------------------------------------
// Open

const Lines PreviousLines = {"01 02 03 04 05 06 07", "-5 99 00 $F 05 06 07 kept as read",
                             "10 11 12 13 14 15 16"};

struct TOpenCase {
    const char* name;
    PrepareFn prepare;           // returns the file to open
    std::optional<Lines> loaded; // nullopt: the file must be refused
    bool unprivileged = false;
};

PrepareFn FileHolding(const std::string& bytes)
{
    return [=](const test::TTempDir& dir) {
        test::WriteBytes(dir.File("in.tir"), bytes);
        return dir.File("in.tir");
    };
}

std::string RandomBytes(std::size_t count)
{
    std::mt19937 random(5);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

const std::string Row1 = "01 02 03 04 05 06 07";
const std::string Row2 = "11 12 13 14 15 16 17";

const TOpenCase OpenCases[] = {
    {"deleted after the dialog",
     [](const test::TTempDir& dir) {
         const std::string file = FileHolding(Row1)(dir);
         fs::remove(file);
         return file;
     },
     std::nullopt},
    {"folder in place of the file",
     [](const test::TTempDir& dir) {
         fs::create_directory(dir.File("in.tir"));
         return dir.File("in.tir");
     },
     std::nullopt},
    {"unreadable file",
     [](const test::TTempDir& dir) {
         const std::string file = FileHolding(Row1)(dir);
         fs::permissions(file, fs::perms::none);
         return file;
     },
     std::nullopt, true},
    {"random binary bytes", FileHolding(RandomBytes(64 * 1024)), std::nullopt},
    {"binary", FileHolding(std::string("\x01\x02\x7f\x80\xff\n\x00\x10", 8)), std::nullopt},
    {"byte-order mark", FileHolding("\xEF\xBB\xBF" + Row1 + "\r\n"), std::nullopt},
    {"bad field", FileHolding(Row1 + "\r\n01 02 03 04 05 06 xx\r\n"), std::nullopt},
    {"short line", FileHolding("01 02 03 04 05 06\r\n"), std::nullopt},
    {"blank line", FileHolding(Row1 + "\r\n\r\n" + Row2 + "\r\n"), std::nullopt},
    {"LF CR breaks", FileHolding(Row1 + "\n\r" + Row2 + "\n\r"), std::nullopt},
    {"CR CR LF breaks", FileHolding(Row1 + "\r\r\n" + Row2), std::nullopt},
    {"NUL in the middle of a line",
     FileHolding(Row1 + "\r\n01 02 0" + std::string(1, '\0') + "3 04 05 06 07\r\n"), std::nullopt},
    {"NUL after a whole line ends the text",
     FileHolding(Row1 + std::string(1, '\0') + "not a row\r\n"), Lines{Row1}},
    {"LF-only breaks", FileHolding(Row1 + "\n" + Row2 + "\n"), Lines{Row1, Row2}},
    {"CR-only breaks", FileHolding(Row1 + "\r" + Row2 + "\r"), Lines{Row1, Row2}},
    {"mixed breaks, extra text, no final break",
     FileHolding(Row1 + " eight\n-5 +1 $A 04 05 06 7\r\n" + Row2),
     Lines{Row1 + " eight", "-5 +1 $A 04 05 06 7", Row2}},
    {"empty file", FileHolding(""), Lines{}},
};

struct TOpenOutcome {
    bool loaded = false;
    Lines shown;
};

TOpenOutcome OpenInto(TWindowState& state, const std::string& fileName)
{
    TOpenOutcome outcome;
    outcome.loaded = test::OpenShowing(state.lines, state.rows, fileName,
                                       [&](const std::string& m) { outcome.shown.push_back(m); });
    return outcome;
}

void ExpectLoaded(const TOpenOutcome& outcome, const TWindowState& state, const Lines& lines)
{
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.shown, Lines{});
    EXPECT_EQ(state.lines.Lines(), lines);
    EXPECT_EQ(state.lines.SelectedIndex(), TLineList::NoSelection);
    ASSERT_EQ(state.rows.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(state.rows[i], LineToRow(lines[i])) << "row " << i;
}

void ExpectRefused(const TOpenOutcome& outcome, const TWindowState& state)
{
    EXPECT_FALSE(outcome.loaded);
    EXPECT_EQ(outcome.shown, Lines{SBadFileFormat});
    EXPECT_TRUE(state.SameAs(TWindowState(PreviousLines)));
}

void PrintTo(const TOpenCase& c, std::ostream* out)
{
    *out << c.name;
}

class OpenFaultTest : public testing::TestWithParam<TOpenCase> {};

TEST_P(OpenFaultTest, LoadsWholeOrKeepsTheRows)
{
    const TOpenCase& c = GetParam();
    if (c.unprivileged && !test::CanRunUnprivileged())
        GTEST_SKIP() << NoUnprivilegedUser;
    test::TTempDir dir;
    const std::string file = c.prepare(dir);
    if (c.unprivileged)
        PrepareUnprivileged(dir);
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());

    auto openAndCheck = [&] {
        TWindowState state(PreviousLines);
        const TOpenOutcome outcome = OpenInto(state, file);
        if (c.loaded)
            ExpectLoaded(outcome, state, *c.loaded);
        else
            ExpectRefused(outcome, state);
    };
    if (c.unprivileged)
        EXPECT_EQ(test::RunUnprivileged([&] {
                      openAndCheck();
                      // A child's failed expectations die with it; its message
                      // carries them.
                      if (testing::Test::HasFailure())
                          throw Error("Open went wrong as the unprivileged user");
                  }),
                  "");
    else
        openAndCheck();
    EXPECT_TRUE(test::SnapshotFolder(dir.Path()) == before) << "Open changed the folder";
}

INSTANTIATE_TEST_SUITE_P(Files, OpenFaultTest, testing::ValuesIn(OpenCases),
                         [](const testing::TestParamInfo<TOpenCase>& param) {
                             return test::TestName("", param.param.name);
                         });

// One line of 100 MB: only its first 20 characters are read, so it loads
// when they form a row and is refused whole when they do not.
TEST(OpenFaultTest, HundredMegabyteSingleLine)
{
    constexpr std::size_t FillerBytes = 100u << 20;
    test::TTempDir dir;
    const std::string file = dir.File("huge.tir");
    {
        std::ofstream out(file, std::ios::binary);
        out << "xx" << Row1.substr(2);
        const std::string block(1 << 20, '7');
        for (std::size_t written = 0; written < FillerBytes; written += block.size())
            out << block;
        ASSERT_TRUE(out.good());
    }
    {
        TWindowState state(PreviousLines);
        ExpectRefused(OpenInto(state, file), state);
    }
    {
        std::fstream patch(file, std::ios::binary | std::ios::in | std::ios::out);
        patch << Row1.substr(0, 2);
    }
    TWindowState state(PreviousLines);
    const TOpenOutcome outcome = OpenInto(state, file);
    EXPECT_TRUE(outcome.loaded);
    ASSERT_EQ(state.lines.Count(), 1);
    EXPECT_EQ(state.lines.Line(0).size(), Row1.size() + FillerBytes);
    EXPECT_EQ(state.lines.Line(0).substr(0, Row1.size()), Row1);
    EXPECT_EQ(state.rows, TRowTable{LineToRow(Row1)});
}

} // namespace
} // namespace quorva
