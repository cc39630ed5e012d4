// Open of a row-list file made of arbitrary bytes, into a list that already
// holds rows and a selection. Either every line parsed, the list holds the
// file's lines unselected and Save writes them back byte for byte; or Open
// showed its one message once and left the list, selection and rows alone.
// Read in small pieces and split in two halves near a place the input picks,
// the file gives what one pass over its text gives.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_folder.h"
#include "model/base/error.h"
#include "model/files/text_file.h"
#include "model/rows/number_rules.h"
#include "model/rows/row_editing.h"
#include "model/rows/row_list_file.h"
#include "model/rows/row_list_parser.h"
#include "support/crlf_text.h"
#include "support/open_showing.h"
#include "support/parse_outcome.h"

namespace {

using quorva::fuzz::Check;

struct TWindowState {
    quorva::TRowTable rows;
    quorva::TLineList lines;

    TWindowState()
    {
        quorva::AddRow(rows, lines, {1, 2, 3, 4, 5, 6, 7});
        quorva::AddRow(rows, lines, {-9, 0, 99, 10, 42, 7, 13});
        quorva::AddRow(rows, lines, {5, 3, 8, 0, 0, 0, 1});
        lines.Select(1);
    }
};

// A row by the field rule alone, field after field through StrToInt, with no
// shortcut for the usual two-digit fields.
std::optional<quorva::TNumberRow> ReferenceRow(std::string_view line)
{
    quorva::TNumberRow row{};
    try {
        for (std::size_t j = 0; j < row.size(); ++j) {
            const std::size_t start = 3 * j;
            row[j] = quorva::StrToInt(start < line.size() ? line.substr(start, 2) : "");
        }
    } catch (const quorva::Error&) {
        return std::nullopt;
    }
    return row;
}

bool EveryLineParses(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        if (!ReferenceRow(line))
            return false;
    return true;
}

void CheckLoaded(const TWindowState& state, const std::vector<std::string>& fileLines)
{
    Check(state.lines.Lines() == fileLines, "list does not hold the file's lines");
    Check(state.lines.SelectedIndex() == quorva::TLineList::NoSelection, "a line is selected");
    Check(state.rows.size() == fileLines.size(), "row count differs from line count");
    for (std::size_t i = 0; i < fileLines.size(); ++i)
        Check(state.rows[i] == *ReferenceRow(fileLines[i]), "row differs from its line");

    const std::string saved = quorva::fuzz::ScratchFolder() + "/saved.tir";
    quorva::SaveRowListFile(state.lines, saved);
    Check(quorva::fuzz::ReadScratchFile(saved) == quorva::test::JoinWithCrLf(fileLines),
          "Save did not write the lines back byte for byte");
}

void CheckUntouched(const TWindowState& state, const std::vector<std::string>& shown)
{
    const TWindowState before;
    Check(shown == std::vector<std::string>{quorva::SBadFileFormat},
          "the message was not shown exactly once");
    Check(state.lines.Lines() == before.lines.Lines(), "lines changed by a failed Open");
    Check(state.lines.SelectedIndex() == before.lines.SelectedIndex(),
          "selection changed by a failed Open");
    Check(state.rows == before.rows, "rows changed by a failed Open");
}

void CheckHalves(std::string_view bytes, const std::string& fileName)
{
    const quorva::TRegularFile file(fileName);
    const std::size_t near =
        bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % bytes.size();
    const std::size_t piece = bytes.empty() ? 1 : 1 + static_cast<unsigned char>(bytes.back()) % 32;
    const quorva::TParsePlan plan{piece, 0, near};
    Check(quorva::test::Outcome([&] {
              return quorva::ParseRowListFile(
                  file, [](std::uint64_t) {}, plan);
          }) == quorva::test::Outcome([&] { return quorva::test::ParseRowListText(bytes); }),
          "two halves differ from one pass");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string opened = quorva::fuzz::ScratchFolder() + "/opened.tir";
    quorva::fuzz::WriteScratchFile(opened, bytes);

    TWindowState state;
    std::vector<std::string> shown;
    const bool loaded = quorva::test::OpenShowing(
        state.lines, state.rows, opened,
        [&shown](const std::string& message) { shown.push_back(message); });

    const std::vector<std::string> fileLines = quorva::test::SplitLines(bytes);
    Check(loaded == EveryLineParses(fileLines), "Open's verdict differs from the lines'");
    if (loaded) {
        Check(shown.empty(), "a message was shown for a loaded file");
        CheckLoaded(state, fileLines);
    } else {
        CheckUntouched(state, shown);
    }
    CheckHalves(bytes, opened);
    return 0;
}
