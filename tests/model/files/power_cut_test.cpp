// A power cut before every operation of each way the program writes files,
// on a disk that keeps only what was synced (and in order, and pages of the
// rest, see TPowerCutDisk); after each, the start's recovery with its
// default answers. The user's files are whole, old or new, nothing else of
// theirs is touched, and the rows come back as the window showed them at
// most a second before the cut.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include "model/base/error.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_identity.h"
#include "model/files/in_place_backup.h"
#include "model/files/state_folder.h"
#include "model/journal/journal_folder.h"
#include "model/journal/journal_writer.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"
#include "support/case_name.h"
#include "support/crlf_text.h"
#include "support/hand_clock.h"
#include "support/power_cut_disk.h"
#include "support/reference_triangle.h"
#include "support/temp_dir.h"
#include "triangle/triangle_csv.h"

namespace quorva {
namespace {

using namespace test;
using TLines = std::vector<std::string>;
using TBytes = std::optional<std::string>; // nothing: no such file

// Crash states sampled beside the durable one at each cut; fewer where the
// sanitizers slow everything down.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVA_SANITIZED_BUILD
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(QUORVA_SANITIZED_BUILD)
constexpr std::size_t Sampled = 3;
#else
constexpr std::size_t Sampled = 8;
#endif
// What a power cut may lose of the rows the window shows.
constexpr double ShownWithin = 1.0;

const TLines OldLines{"01 02 03 04 05 06 07", "10 20 30 40 50 60 70", "11 12 13 14 15 16 17"};

struct TScene {
    TTempDir temp;
    std::string root = temp.File("disk");
    std::string user = root + "/user";
    std::string rows = user + "/rows.tir";
    THandClock clock;
    TDeadlineClock::TTime start = clock.Now();
    // Every file of the user's folder, by name, and what it may hold.
    std::map<std::string, std::set<TBytes>> files;
    // The rows the window showed, each from when (journals only).
    std::vector<std::pair<double, TLines>> shown;
    std::string journal;      // one left behind, made before the disk
    bool listFromFile = true; // a start that restores nothing shows the file's rows

    double Now() const { return std::chrono::duration<double>(clock.Now() - start).count(); }
    void Show(const TLineList& lines) { shown.emplace_back(Now(), lines.Lines()); }
    const TPowerCutDisk* disk = nullptr;

    // Moves the clock on by `seconds`, as a user pausing between edits, a
    // tenth at a time; after each, waits until the journal's threads have
    // done what fell due (no operation for 50 ms), so that it is logged at
    // the time it was due, however loaded the machine.
    void Wait(double seconds)
    {
        for (const double until = Now() + seconds; Now() + 1e-9 < until;) {
            clock.MoveTo(clock.Now() + std::chrono::milliseconds(100));
            for (int quiet = 0; quiet < 5;) {
                const std::size_t done = disk->Operations();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                quiet = disk->Operations() == done ? quiet + 1 : 0;
            }
        }
    }
};

// Long enough to take two pages of the disk, so that a save can be cut
// between them.
TLines NewLines()
{
    TLines lines = OldLines;
    for (int row = 0; row < 300; ++row)
        lines.push_back("21 22 23 24 25 26 " + std::to_string(10 + row % 90));
    return lines;
}

TLineList ListOf(const TLines& texts)
{
    TLineList lines;
    lines.Assign(texts);
    return lines;
}

void AddRows(TScene& scene, TJournalWriter& writer, TRowTable& rows, TLineList& lines, int count)
{
    for (int value = 0; value < count; ++value) {
        const TRowChange change = AddRow(rows, lines, {value, 1, 2, 3, 4, 5, 6});
        writer.Add(true, change.ReadyToApply(rows, lines));
        scene.Show(lines);
    }
}

// A journal of edits to the rows' file, as a window's, left by a window
// that ended; its rows are those shown first.
void LeaveJournal(TScene& scene)
{
    TRowTable rows;
    TLineList lines;
    OpenRowListFile(lines, rows, scene.rows);
    scene.journal = NewJournalPath();
    TJournalWriter writer(scene.journal, {scene.rows, IdentifyFile(scene.rows)},
                          TJournalWriter::TBase::FromFile, [](auto, auto&) {});
    AddRows(scene, writer, rows, lines, 2);
    writer.Settle();
    scene.shown = {{0.0, lines.Lines()}};
}

// Edits a journal keeps, spaced so that each flush has its second: two at
// once, a pause past the first flush, one more, and a longer pause.
void EditWithPauses(TScene& scene, TJournalWriter& writer, TRowTable& rows, TLineList& lines)
{
    AddRows(scene, writer, rows, lines, 2);
    scene.Wait(1.5);
    AddRows(scene, writer, rows, lines, 1);
    scene.Wait(1.5);
}

struct TProtocol {
    std::string name;
    std::function<void(TScene&)> setUp; // before the disk: what is durable
    std::function<void(TScene&)> run;
    // Whether the program's state folders are still to be made, as at the
    // first start; otherwise a user has used the program before.
    bool newStateFolders = false;
};

const std::string OldBytes = JoinWithCrLf(OldLines);
const std::string NewBytes = JoinWithCrLf(NewLines());

// The rows of the file opened, edited with pauses under a journal of their
// own, its base copied from the file.
void EditTheOpenedFile(TScene& scene)
{
    TRowTable rows;
    TLineList lines;
    OpenRowListFile(lines, rows, scene.rows);
    scene.Show(lines);
    TJournalWriter writer(
        NewJournalPath(), {scene.rows, IdentifyFile(scene.rows)}, TJournalWriter::TBase::FromFile,
        [](auto, auto&) {}, scene.clock);
    EditWithPauses(scene, writer, rows, lines);
}

const TProtocol Protocols[] = {
    {"SaveReplacingTheFile",
     [](TScene& scene) {
         scene.files["rows.tir"] = {OldBytes, NewBytes};
     },
     [](TScene& scene) { SaveRowListFile(ListOf(NewLines()), scene.rows); }},
    {"SaveInPlaceWithBackup",
     [](TScene& scene) {
         // A second name makes the save rewrite the file in place.
         std::filesystem::create_hard_link(scene.rows, scene.user + "/linked.tir");
         scene.files["rows.tir"] = scene.files["linked.tir"] = {OldBytes, NewBytes};
     },
     [](TScene& scene) { SaveRowListFile(ListOf(NewLines()), scene.rows); }},
    {"SaveToANewName",
     [](TScene& scene) {
         scene.files["new.tir"] = {std::nullopt, NewBytes};
     },
     [](TScene& scene) { SaveRowListFile(ListOf(NewLines()), scene.user + "/new.tir"); }},
    {"CsvExport",
     [](TScene& scene) {
         WriteBytes(scene.user + "/out.csv", "old;\r\n");
         scene.files["out.csv"] = {
             "old;\r\n",
             JoinWithCrLf(TriangleToCsvLines(BuildDiffTriangle(ReadRowListFile(scene.rows), 2)))};
     },
     [](TScene& scene) {
         ExportTriangleCsv(ReadRowListFile(scene.rows), 2, scene.user + "/out.csv");
     }},
    {"JournalOfEditsAndItsBaseCopy", [](TScene&) {}, EditTheOpenedFile},
    {"FirstJournalInNewStateFolders", [](TScene&) {}, EditTheOpenedFile, true},
    {"JournalOfAListBegunEmpty", [](TScene&) {},
     [](TScene& scene) {
         TRowTable rows;
         TLineList lines;
         scene.listFromFile = false;
         scene.Show(lines);
         TJournalWriter writer(
             NewJournalPath(), {}, TJournalWriter::TBase::None, [](auto, auto&) {}, scene.clock);
         EditWithPauses(scene, writer, rows, lines);
     }},
    {"RestoredJournalGoesOn", LeaveJournal,
     [](TScene& scene) {
         TRowTable rows;
         TLineList lines;
         std::vector<std::string> refusals, taken;
         std::vector<TLeftJournal> left = LeftJournals(JournalFolder(), refusals, taken);
         ASSERT_EQ(left.size(), 1u);
         const std::optional<TJournalReplay> replay = ReadLeftJournal(left[0], rows, lines);
         ASSERT_TRUE(replay);
         TJournalWriter writer(
             std::move(left[0]), *replay,
             replay->baseCopied ? TJournalWriter::TBase::Copied : TJournalWriter::TBase::FromFile,
             [](auto, auto&) {}, scene.clock);
         EditWithPauses(scene, writer, rows, lines);
     }},
    {"DiscardedJournal", LeaveJournal,
     [](TScene& scene) {
         DiscardJournal(scene.journal);
         scene.shown.emplace_back(scene.Now(), OldLines);
     }},
    {"BackupPutBack",
     [](TScene& scene) {
         // A save in place that ended with the file half rewritten.
         const TFileDescriptor fd(::open(scene.rows.c_str(), O_RDONLY | O_CLOEXEC));
         const TInPlaceBackup backup(scene.rows, fd.Get());
         std::filesystem::resize_file(scene.rows, OldBytes.size() / 2);
     },
     [](TScene&) {
         for (const TFoundBackup& found : FindAllBackups())
             RestoreBackup(found);
     }},
};

// The start after the cut, every question answered by its default: each
// backup put back, each journal's rows restored. Returns the rows restored,
// or those of the file when no journal gives any.
TLines Recover(const TScene& scene, std::string& lost)
{
    for (const TFoundBackup& found : FindAllBackups()) {
        try {
            if (found.refused.empty())
                RestoreBackup(found);
            else
                ForgetBackup(found);
        } catch (const Error& error) {
            lost += error.what();
        }
    }
    std::vector<std::string> refusals, taken;
    std::optional<TLines> restored;
    for (const TLeftJournal& path : LeftJournals(JournalFolder(), refusals, taken)) {
        TRowTable rows;
        TLineList lines;
        try {
            if (ReadLeftJournal(path, rows, lines))
                restored = lines.Lines();
        } catch (const Error& error) {
            lost += error.what();
        }
    }
    TLines lines;
    if (restored || !scene.listFromFile)
        return restored.value_or(lines);
    try {
        LoadLinesFromFile(lines, scene.rows);
    } catch (const Error&) {
    }
    return lines;
}

// What is wrong after recovering from `state`, a cut at `time`; "" when
// nothing is.
std::string Fault(const TScene& scene, double time, std::string& leftBehind)
{
    std::string lost;
    const TLines restored = Recover(scene, lost);
    std::string fault;
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(scene.user))
        seen.insert(entry.path().filename().string());
    for (const auto& [name, allowed] : scene.files) {
        const std::string path = scene.user + "/" + name;
        const TBytes bytes = Exists(path) ? TBytes(ReadBytes(path)) : std::nullopt;
        if (!allowed.contains(bytes))
            fault += name + (bytes ? " holds " + std::to_string(bytes->size()) +
                                         " bytes neither old nor new; "
                                   : " is gone; ");
        seen.erase(name);
    }
    // A hidden file of the program's is no file of the user's, but it
    // should not be there either: told apart.
    for (const std::string& name : seen)
        (name.starts_with('.') ? leftBehind : fault) += name + " left in the user's folder; ";
    if (scene.shown.empty())
        return fault;
    // Rows shown at some moment from a second before the cut to the cut.
    bool shown = false;
    for (std::size_t at = 0; at < scene.shown.size() && scene.shown[at].first <= time; ++at) {
        const bool last = at + 1 == scene.shown.size() || scene.shown[at + 1].first > time;
        if ((last || scene.shown[at + 1].first >= time - ShownWithin) &&
            scene.shown[at].second == restored)
            shown = true;
    }
    if (!shown)
        fault += "restored " + std::to_string(restored.size()) +
                 " rows, not what was shown within a second of the cut at " + std::to_string(time) +
                 " s" + (lost.empty() ? "" : " (" + lost + ")") + "; ";
    return fault;
}

void PrintTo(const TProtocol& protocol, std::ostream* out)
{
    *out << protocol.name;
}

class PowerCutTest : public testing::TestWithParam<TProtocol> {};

TEST_P(PowerCutTest, EveryCutLeavesFilesWholeAndRowsShown)
{
    const TProtocol& protocol = GetParam();
    TScene scene;
    std::filesystem::create_directories(scene.user);
    std::filesystem::create_directories(scene.temp.File("kept"));
    ::setenv("XDG_STATE_HOME", (scene.root + "/state").c_str(), 1);
    WriteBytes(scene.rows, OldBytes);
    WriteBytes(scene.user + "/other.tir", OldBytes);
    scene.files["other.tir"] = scene.files["rows.tir"] = {OldBytes};
    if (!protocol.newStateFolders) {
        JournalFolder();
        StateFolder("backups");
    }
    protocol.setUp(scene);
    std::size_t states = 0;
    std::size_t failures = 0;
    std::size_t leftovers = 0;
    {
        TPowerCutDisk disk(scene.root, scene.temp.File("kept"), [&scene] { return scene.Now(); });
        scene.disk = &disk;
        protocol.run(scene);
        disk.StopLogging();
        for (std::size_t cut = 0; cut <= disk.Operations(); ++cut)
            for (const TCrashState& state : disk.CrashStates(cut, Sampled)) {
                ++states;
                disk.Enter(state);
                std::string leftBehind;
                const std::string fault = Fault(scene, disk.TimeOf(cut), leftBehind);
                const std::string where = "cut before operation " + std::to_string(cut) + " of " +
                                          std::to_string(disk.Operations()) + ", " + state.how +
                                          ": ";
                if (!leftBehind.empty() && ++leftovers <= 3)
                    std::printf("%s%s\n", where.c_str(), leftBehind.c_str());
                if (fault.empty() || ++failures > 5)
                    continue;
                const std::string line = where + fault;
                ADD_FAILURE() << line;
            }
        RecordProperty("cuts", static_cast<int>(disk.Operations() + 1));
        std::printf("power cut, %s: %zu cut points, %zu crash states, %zu failures, %zu with a "
                    "hidden file left\n",
                    protocol.name.c_str(), disk.Operations() + 1, states, failures, leftovers);
    }
    RecordProperty("crash_states", static_cast<int>(states));
    RecordProperty("failures", static_cast<int>(failures));
    RecordProperty("hidden_files_left", static_cast<int>(leftovers));
    UseStateFolderOfThisUser();
    EXPECT_EQ(failures, 0u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, PowerCutTest, testing::ValuesIn(Protocols), TCaseName());

} // namespace
} // namespace quorva
