// Replay of a journal whose records are arbitrary bytes, after a whole header
// of a list begun empty. Whatever the records say, the replay keeps every
// step up to the first that is damaged or does not fit, applies none of that
// one, and gives the same rows again from the journal cut after its last
// whole step.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_folder.h"
#include "model/journal/row_journal.h"
#include "support/crlf_text.h"

namespace {

using quorva::fuzz::Check;

struct TReplayed {
    quorva::TRowTable rows;
    quorva::TLineList lines;
    quorva::TJournalReplay replay;
};

TReplayed Replay(std::string_view journal, const std::string& copy)
{
    TReplayed replayed;
    replayed.replay = quorva::ReplayJournal(journal, copy, replayed.rows, replayed.lines);
    return replayed;
}

// The header of a journal begun on an empty list, as the window writes it.
const std::string& Header()
{
    static const std::string header = [] {
        const std::string path = quorva::fuzz::ScratchFolder() + "/header.journal";
        {
            const quorva::TRowJournal journal(path, quorva::TJournalBase{});
        }
        return quorva::test::ReadWholeFile(path);
    }();
    return header;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string journal = Header() + std::string(reinterpret_cast<const char*>(data), size);
    const std::string copy = quorva::fuzz::ScratchFolder() + "/none.base";
    const TReplayed all = Replay(journal, copy);
    Check(all.rows.size() == static_cast<std::size_t>(all.lines.Count()),
          "rows and lines differ in number");
    Check(all.replay.validBytes >= Header().size() && all.replay.validBytes <= journal.size(),
          "the whole steps end outside the journal");
    Check(all.replay.damaged == (all.replay.validBytes != journal.size()),
          "damage said of a journal read to its end");

    const TReplayed whole =
        Replay(std::string_view(journal).substr(0, all.replay.validBytes), copy);
    Check(!whole.replay.damaged, "the journal cut after its last whole step is damaged");
    Check(whole.replay.steps == all.replay.steps, "the whole steps counted differently");
    Check(whole.rows == all.rows && whole.lines.Lines() == all.lines.Lines() &&
              whole.lines.SelectedIndex() == all.lines.SelectedIndex(),
          "a step that could not apply changed the rows");
    return 0;
}
