#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/base/text_span.h"
#include "model/rows/line_list.h"
#include "model/rows/row_table.h"

namespace quorva {

// One editing step as a value: what Add, Paste, Delete or a move changed in
// the row table, the row lines and the selection, so that it can be taken
// back (Revert) and done again (Apply) exactly, byte for byte.
//
// The value holds only what is not in the list at the moment: while applied,
// an appended step is a count and a deleted step its one row; while reverted,
// an appended step holds the rows it will append again. So a long history
// costs what it changed, never copies of the list.
//
// Apply and Revert are all or nothing: they raise std::bad_alloc before
// changing anything when memory runs out.
class TRowChange {
public:
    enum class TKind {
        Append,   // rows added at the end, as by Add and Paste
        Delete,   // one row removed
        Exchange, // a row and the one below it swapped, as by the moves
    };

    // The rows `added` appended after the list's rows; existing lines whose
    // text is not their row's rendering are rendered anew with them.
    static TRowChange Append(const TRowTable& rows, const TLineList& lines, const TRowTable& added);
    // Row `index` removed; the line that takes its place, or else the new
    // last line, is selected.
    static TRowChange Delete(const TLineList& lines, int index);
    // Rows `upper` and `upper + 1` swapped; `selectAfter` is selected.
    static TRowChange Exchange(const TLineList& lines, int upper, int selectAfter);

    void Apply(TRowTable& rows, TLineList& lines);
    void Revert(TRowTable& rows, TLineList& lines);

    // What the step is and where, to tell the user: its kind, the first row
    // it touches (the first appended, the deleted one, the upper of the two
    // exchanged), how many rows it appends, and the line selected once it is
    // applied and once reverted.
    TKind Kind() const { return kind_; }
    int Index() const { return index_; }
    int Count() const { return count_; }
    int SelectedAfter() const { return selectedAfter_; }
    int SelectedBefore() const { return selectedBefore_; }
    // While a Delete is applied: the line of the row it deleted.
    const std::string& DeletedLine() const { return text_; }

    // The same step, as it stands done on `rows` and `lines`, made ready to
    // be applied again to the state before it: what a record of it needs.
    TRowChange ReadyToApply(const TRowTable& rows, const TLineList& lines) const;

    // The value in bytes and back, so that a step can be kept outside the
    // program; Parse raises Error for bytes that are not such a value.
    std::string Serialize() const;
    static TRowChange Parse(std::string_view bytes);
    // Whether a parsed step can be applied (or reverted) on `lines`: its
    // places, and the selection it leaves, lie in the list.
    bool Fits(const TLineList& lines, bool apply) const;

private:
    // A line whose text the step exchanges with the list's.
    struct TLineText {
        int index;
        std::string text;
    };

    TRowChange(TKind kind, int index, int count, int selectedBefore, int selectedAfter);

    void ApplyAppend(TRowTable& rows, TLineList& lines);
    void RevertAppend(TRowTable& rows, TLineList& lines);
    void ApplyDelete(TRowTable& rows, TLineList& lines);
    void RevertDelete(TRowTable& rows, TLineList& lines);
    void ExchangeRows(TRowTable& rows, TLineList& lines);
    std::vector<std::string> CurrentTexts(const TLineList& lines, std::size_t& bytes) const;
    void PutTexts(TLineList& lines, std::vector<std::string>& current);
    void ReleaseRows();

    TKind kind_;
    // The first row the step touches: the first appended, the deleted one,
    // the upper of the two exchanged; and how many rows it appends.
    int index_;
    int count_;
    int selectedBefore_;
    int selectedAfter_;
    // Rows and lines not in the list now (see above).
    TRowTable rows_;
    std::string text_;
    std::vector<TTextSpan> spans_;
    std::vector<TLineText> swapped_;
};

} // namespace quorva
