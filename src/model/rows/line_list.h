#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/base/text_span.h"
#include "model/rows/line_positions.h"
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
// All lines live in one shared text buffer, so a list read from a file costs
// no allocation per line; replaced and deleted text is reclaimed once it
// outweighs the live text.
class TLineList {
public:
    static constexpr int NoSelection = -1;

    int Count() const { return static_cast<int>(positions_.size()); }
    // The line's bytes; valid until the list next changes.
    std::string_view Line(int index) const;
    std::vector<std::string> Lines() const;

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
    void AssignText(std::string text, const std::vector<TTextSpan>& lineSpans);
    void AssignText(std::string text, TLinePositions linePositions);
    // The lines of `rows`, one a row: a line stored in `stored` has that
    // text, every other line is its row's canonical line. Nothing selected.
    void AssignRows(const TRowTable& rows, TStoredLines stored);

    int SelectedIndex() const { return selected_; }
    bool IsSelected(int index) const { return index >= 0 && index == selected_; }
    // Makes `index` the only selected line; NoSelection clears the selection.
    void Select(int index);

    // The observer is not owned; pass nullptr to detach.
    void SetObserver(TLineListObserver* observer) { observer_ = observer; }

private:
    bool IsInText(std::string_view text) const;
    // Appends `text` for the line whose position is already set to it.
    void Store(std::string_view text);
    TTextSpan Next(std::string_view text) const { return {text_.size(), text.size()}; }
    void ReclaimIfWasteful() noexcept;
    void SetSelected(int index);

    std::string text_;
    TLinePositions positions_;
    std::size_t liveBytes_ = 0;
    std::size_t promisedBytes_ = 0; // room reserved for text still to come
    int selected_ = NoSelection;
    TLineListObserver* observer_ = nullptr;
};

} // namespace quorva
