#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/base/text_span.h"
#include "model/rows/line_positions.h"
#include "model/rows/row_line.h"
#include "model/rows/row_table.h"
#include "model/rows/stored_lines.h"

namespace quorva {

// Told about every change of a TLineList, so that a view can mirror it without
// copying the lines. Ranges are inclusive line indexes.
class TLineListObserver {
public:
    virtual ~TLineListObserver() = default;
    virtual void LinesAboutToBeInserted(int first, int last) = 0;
    virtual void LinesInserted(int first, int last) = 0;
    virtual void LinesAboutToBeRemoved(int first, int last) = 0;
    virtual void LinesRemoved(int first, int last) = 0;
    virtual void LinesChanged(int first, int last) = 0;
    virtual void LinesAboutToBeReset() = 0;
    virtual void LinesReset() = 0;
    virtual void SelectionChanged(int selected) = 0;
};

// The row lines the user sees, in the order they were added, with at most one
// selected line (index -1 for none).
//
// Line i belongs to row i of a row table. Nearly every line is its row's
// canonical line (RowToLine), which the row determines, so a list that knows
// its table keeps a line's text only where it differs (TStoredLines) and
// renders the others when asked: a list read from a file then costs its rows
// and nothing more. Its table must hold a line's row before the line is
// added, replaced or put back, so that the text can be told apart from the
// row's. A list that knows no table keeps every line's text.
class TLineList {
public:
    static constexpr int NoSelection = -1;

    TLineList() = default;
    explicit TLineList(const TRowTable& rows) : rows_(&rows) {}

    int Count() const { return count_; }
    // The line's bytes: its stored text, or its row rendered into `buffer`;
    // valid until the list next changes and while `buffer` is.
    std::string_view Line(int index, TRowLineBuffer& buffer) const;
    std::string Line(int index) const;
    std::vector<std::string> Lines() const;
    // The lines whose text is kept, and the table the others are rendered
    // from (nullptr when every line is kept).
    const TStoredLines& Stored() const { return stored_; }
    const TRowTable* Rows() const { return rows_; }

    // Replace and Add change nothing when they fail (out of memory).
    void Replace(int index, std::string_view text);
    void Add(std::string_view text);
    // Makes room for `lines` more lines holding `bytes` more text, so that
    // the Add and Replace calls that use it cannot run out of memory: a
    // caller that changes several lines reserves first and so changes all or
    // none of them.
    void Reserve(std::size_t lines, std::size_t bytes);
    // Appends the lines `lineSpans` picks out of `text`, announced as one
    // insertion, so that a long paste costs one view update.
    void Append(std::string_view text, const std::vector<TTextSpan>& lineSpans);
    void Delete(int index);
    // Puts a line back at `index`, moving the later lines down; the
    // selection stays on the line it was on.
    void Insert(int index, std::string_view text);
    // Removes the lines from `first` to the end, announced as one removal.
    void RemoveFrom(int first);
    void Clear();
    // Replace every line at once and leave nothing selected.
    void Assign(const std::vector<std::string>& lines);
    void AssignText(std::string_view text, const std::vector<TTextSpan>& lineSpans);
    void AssignText(std::string_view text, const TLinePositions& linePositions);
    // The lines of `rows`, one a row, which the list renders from from now
    // on: a line in `stored` has that text, which should differ from its
    // row's canonical line; every other line is its row's canonical line.
    void AssignRows(const TRowTable& rows, TStoredLines stored);

    int SelectedIndex() const { return selected_; }
    bool IsSelected(int index) const { return index >= 0 && index == selected_; }
    // Makes `index` the only selected line; NoSelection clears the selection.
    void Select(int index);

    // The observer is not owned; pass nullptr to detach.
    void SetObserver(TLineListObserver* observer) { observer_ = observer; }

private:
    // Whether line `index`, given `text`, would be its row's canonical line.
    bool IsCanonical(int index, std::string_view text) const;
    // Keeps `text` for line `index` unless it is the canonical line.
    void Keep(int index, std::string_view text);
    void Reset(int count, TStoredLines stored);
    void SetSelected(int index);

    const TRowTable* rows_ = nullptr;
    int count_ = 0;
    TStoredLines stored_;
    int selected_ = NoSelection;
    TLineListObserver* observer_ = nullptr;
};

} // namespace quorva
