// Long work on files: Open and Save report progress that only rises and ends
// at 100 %; a cancel at any report changes nothing (no file created or
// changed, the rows, lines and selection as they were, nothing shown); and
// memory that runs out is reported as such, never as a crash.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "model/base/error.h"
#include "model/files/text_file.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"
#include "model/rows/row_text_import.h"
#include "support/capped_memory.h"
#include "support/child_process.h"
#include "support/crlf_text.h"
#include "support/folder_snapshot.h"
#include "support/open_showing.h"
#include "support/scripted_progress.h"
#include "support/temp_dir.h"
#include "support/window_state.h"
#include "support/write_operations.h"

namespace quorva {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using test::TWindowState;

const std::string PreviousBytes = "previous contents\r\n";

const Lines& BigLines()
{
    static const Lines lines = test::ManyRowsState().lines.Lines();
    return lines;
}

const Lines& SmallLines()
{
    static const Lines lines = test::SampleRowLines(3);
    return lines;
}

// Writes down every report; answers "stop" at report `cancelAt` (counted
// from 0), or never.
test::TScriptedProgress RecordingProgress(int cancelAt = -1)
{
    return test::TScriptedProgress(
        [cancelAt, call = 0](std::uint64_t, std::uint64_t) mutable { return call++ == cancelAt; });
}

using PrepareFn = std::function<std::string(const test::TTempDir&)>; // returns the file

struct TLongOperation {
    const char* name;
    PrepareFn prepare;
    const Lines& (*startLines)(); // what the window holds before
    // Runs the operation; returns the messages it showed.
    std::function<Lines(TWindowState&, const std::string&, TProgress&)> run;
};

Lines SaveInto(TWindowState& state, const std::string& file, TProgress& progress)
{
    SaveRowListFile(state.lines, file, progress);
    return {};
}

Lines OpenInto(TWindowState& state, const std::string& file, TProgress& progress)
{
    Lines shown;
    test::OpenShowing(
        state.lines, state.rows, file, [&](const std::string& m) { shown.push_back(m); }, progress);
    return shown;
}

PrepareFn Absent()
{
    return [](const test::TTempDir& dir) { return dir.File("list.tir"); };
}

PrepareFn Existing()
{
    return [](const test::TTempDir& dir) {
        test::WriteBytes(dir.File("list.tir"), PreviousBytes);
        return dir.File("list.tir");
    };
}

PrepareFn HardLinked()
{
    return [](const test::TTempDir& dir) {
        return test::MakeHardLinkedFile(dir, "list.tir", "other.tir", PreviousBytes);
    };
}

PrepareFn BigFile()
{
    return [](const test::TTempDir& dir) {
        SaveRowListFile(test::ManyRowsState().lines, dir.File("list.tir"));
        return dir.File("list.tir");
    };
}

const TLongOperation Operations[] = {
    {"Save to a new file", Absent(), BigLines, SaveInto},
    {"Save over a file", Existing(), BigLines, SaveInto},
    {"Save in place", HardLinked(), BigLines, SaveInto},
    {"Open", BigFile(), SmallLines, OpenInto},
};

void PrintTo(const TLongOperation& operation, std::ostream* out)
{
    *out << operation.name;
}

class ProgressTest : public testing::TestWithParam<TLongOperation> {};

TEST_P(ProgressTest, RisesAndEndsAtTheTotal)
{
    const TLongOperation& operation = GetParam();
    test::TTempDir dir;
    const std::string file = operation.prepare(dir);
    TWindowState state(operation.startLines());
    test::TScriptedProgress progress = RecordingProgress();
    EXPECT_EQ(operation.run(state, file, progress), Lines{});

    const auto& reports = progress.calls;
    ASSERT_GE(reports.size(), 3u) << "a first, a middle and a last report";
    EXPECT_EQ(reports.front().first, 0u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].first, reports[i - 1].first) << "report " << i;
        EXPECT_EQ(reports[i].second, reports[0].second) << "report " << i;
    }
    EXPECT_EQ(reports.back().first, reports.back().second);
}

INSTANTIATE_TEST_SUITE_P(Operations, ProgressTest, testing::ValuesIn(Operations),
                         [](const testing::TestParamInfo<TLongOperation>& param) {
                             return test::TestName("", param.param.name);
                         });

// Where in the reports the cancel comes: 0 the first, 1 the last.
class CancelTest : public testing::TestWithParam<std::tuple<TLongOperation, double>> {};

TEST_P(CancelTest, ChangesNothing)
{
    const auto& [operation, moment] = GetParam();
    test::TScriptedProgress counting = RecordingProgress();
    {
        test::TTempDir scratch;
        TWindowState state(operation.startLines());
        operation.run(state, operation.prepare(scratch), counting);
    }
    const int cancelAt = static_cast<int>(moment * static_cast<double>(counting.calls.size() - 1));

    test::TTempDir dir;
    const std::string file = operation.prepare(dir);
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    TWindowState state(operation.startLines());
    test::TScriptedProgress cancelling = RecordingProgress(cancelAt);
    EXPECT_THROW(operation.run(state, file, cancelling), Cancelled);
    EXPECT_EQ(static_cast<int>(cancelling.calls.size()), cancelAt + 1) << "went on after stop";
    EXPECT_TRUE(state.SameAs(TWindowState(operation.startLines())));
    EXPECT_TRUE(test::SnapshotFolder(dir.Path()) == before) << "the folder changed";
}

INSTANTIATE_TEST_SUITE_P(Moments, CancelTest,
                         testing::Combine(testing::ValuesIn(Operations),
                                          testing::Values(0.0, 0.5, 1.0)),
                         [](const testing::TestParamInfo<CancelTest::ParamType>& param) {
                             const double moment = std::get<1>(param.param);
                             return test::TestName("", std::get<0>(param.param).name) +
                                    (moment == 0   ? "AtTheFirst"
                                     : moment == 1 ? "AtTheLast"
                                                   : "InTheMiddle");
                         });

// ---------------------------------------------------------------------------
// Memory that really runs out: each case runs in a child whose address space
// is capped just above what it uses, so that the operation's first large
// allocation fails. (Under AddressSanitizer, which maps its own memory in
// bulk, such a cap ends the process instead; these cases are left out of
// that build.)

#if QUORVA_CAPPED_MEMORY

// While it lives, the address space is capped at what the process uses and
// every block of memory left free inside it is taken, but for `spare` bytes
// in small blocks: small allocations still succeed (a message, an exception
// object), any larger one fails, wherever the allocator would look for it.
class TMemoryShortage {
public:
    explicit TMemoryShortage(std::size_t spare)
    {
        ::getrlimit(RLIMIT_AS, &before_);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit capped{static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)), before_.rlim_max};
        if (::setrlimit(RLIMIT_AS, &capped) != 0)
            throw std::runtime_error("cannot cap memory");
        for (std::size_t size : {std::size_t{1} << 20, std::size_t{64} << 10, SpareBlock,
                                 std::size_t{256}, std::size_t{32}})
            while (void* block = std::malloc(size))
                Hold(size == SpareBlock ? spare_ : held_, block);
        for (std::size_t given = 0; spare_ && given < spare; given += SpareBlock)
            std::free(Take(spare_));
    }

    ~TMemoryShortage()
    {
        while (held_)
            std::free(Take(held_));
        while (spare_)
            std::free(Take(spare_));
        ::setrlimit(RLIMIT_AS, &before_);
    }

private:
    static constexpr std::size_t SpareBlock = 4 << 10;

    // The blocks are chained through their first bytes, so that holding
    // them takes no memory of its own.
    static void Hold(void*& chain, void* block)
    {
        *static_cast<void**>(block) = chain;
        chain = block;
    }
    static void* Take(void*& chain)
    {
        void* block = chain;
        chain = *static_cast<void**>(block);
        return block;
    }

    rlimit before_{};
    void* held_ = nullptr;
    void* spare_ = nullptr;
};

const std::string& BigText()
{
    static const std::string text = test::JoinWithCrLf(BigLines());
    return text;
}

struct TMemoryCase {
    const char* name;
    PrepareFn prepare;
    const Lines& (*startLines)();
    std::function<Lines(TWindowState&, const std::string&)> run; // the messages shown
    std::string message;
};

const TMemoryCase MemoryCases[] = {
    {"Save", Absent(), BigLines,
     [](TWindowState& state, const std::string& file) {
         SaveRowListFile(state.lines, file);
         return Lines{};
     },
     SaveOutOfMemoryMessage},
    {"Add", Absent(), BigLines,
     [](TWindowState& state, const std::string&) {
         AddRow(state.rows, state.lines, {1, 2, 3, 4, 5, 6, 7});
         return Lines{};
     },
     AddOutOfMemoryMessage},
    {"Paste", Absent(), BigLines,
     [](TWindowState& state, const std::string&) {
         AppendRows(state.rows, state.lines, TRowTable(2, TNumberRow{1, 2, 3, 4, 5, 6, 7}));
         return Lines{};
     },
     PasteOutOfMemoryMessage},
    // Reading the text, before any row is added, needs memory too. The text
    // is made before memory runs short.
    {"PasteText",
     [](const test::TTempDir& dir) {
         BigText();
         return Absent()(dir);
     },
     BigLines,
     [](TWindowState& state, const std::string&) {
         PasteRows(state.rows, state.lines, BigText());
         return Lines{};
     },
     PasteOutOfMemoryMessage},
    {"Open", BigFile(), SmallLines,
     [](TWindowState& state, const std::string& file) {
         return OpenInto(state, file, NoProgress());
     },
     SBadFileFormat},
    {"Move", Absent(), BigLines,
     [](TWindowState& state, const std::string&) {
         MoveSelectedRowUp(state.rows, state.lines);
         return Lines{};
     },
     MoveOutOfMemoryMessage},
};

// Leaves no spare room in the rows or the lines, as a window's may be after
// a while: the next change has to allocate.
void Tighten(TWindowState& state)
{
    state.rows.shrink_to_fit();
    std::string text;
    std::vector<TTextSpan> spans;
    for (int i = 0; i < state.lines.Count(); ++i) {
        spans.push_back({text.size(), state.lines.Line(i).size()});
        text += state.lines.Line(i);
    }
    text.shrink_to_fit();
    spans.shrink_to_fit();
    const int selected = state.lines.SelectedIndex();
    state.lines.AssignText(std::move(text), std::move(spans));
    state.lines.Select(selected);
}

void PrintTo(const TMemoryCase& c, std::ostream* out)
{
    *out << c.name;
}

class OutOfMemoryTest : public testing::TestWithParam<TMemoryCase> {};

TEST_P(OutOfMemoryTest, IsReportedAndChangesNothing)
{
    const TMemoryCase& c = GetParam();
    test::TTempDir dir;
    const std::string file = c.prepare(dir);
    const test::TFolderSnapshot before = test::SnapshotFolder(dir.Path());
    const std::string message = test::MessageFromChild([&] {
        TWindowState state(c.startLines());
        Tighten(state);
        const TWindowState unchanged = state;
        Lines shown;
        std::string failure;
        try {
            const TMemoryShortage shortage(256 << 10);
            shown = c.run(state, file);
        } catch (const Error& error) {
            failure = error.what();
        }
        if (!failure.empty())
            shown.push_back(failure);
        if (!state.SameAs(unchanged))
            throw Error("the window's state changed");
        if (shown.size() != 1)
            throw Error(std::to_string(shown.size()) + " messages");
        throw Error(shown.front());
    });
    EXPECT_EQ(message, c.message);
    EXPECT_TRUE(test::SnapshotFolder(dir.Path()) == before) << "the folder changed";
}

INSTANTIATE_TEST_SUITE_P(Operations, OutOfMemoryTest, testing::ValuesIn(MemoryCases),
                         [](const testing::TestParamInfo<TMemoryCase>& param) {
                             return std::string(param.param.name);
                         });

#endif

} // namespace
} // namespace quorva
