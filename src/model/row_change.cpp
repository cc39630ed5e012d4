#include "model/row_change.h"

#include <string_view>
#include <utility>

#include "model/growth.h"
#include "model/row_line.h"

namespace quorva {
namespace {

// The rows rendered as one text and the place of each line in it.
void Render(const TRowTable& added, std::string& text, std::vector<TTextSpan>& spans)
{
    spans.reserve(added.size());
    TRowLineBuffer buffer;
    for (const TNumberRow& row : added) {
        const std::string_view line = RowToLine(row, buffer);
        spans.push_back({text.size(), line.size()});
        text += line;
    }
}

} // namespace

TRowChange::TRowChange(TKind kind, int index, int count, int selectedBefore, int selectedAfter)
    : kind_(kind), index_(index), count_(count), selectedBefore_(selectedBefore),
      selectedAfter_(selectedAfter)
{
}

TRowChange TRowChange::Append(const TRowTable& rows, const TLineList& lines, const TRowTable& added)
{
    const int first = lines.Count();
    const int count = static_cast<int>(added.size());
    TRowChange change(TKind::Append, first, count, lines.SelectedIndex(), first + count - 1);
    change.rows_ = added;
    Render(added, change.text_, change.spans_);
    // Existing lines whose text differs from their row's rendering are
    // rendered anew, as if the list were cleared and every row added again;
    // only those change, so a view hears of real changes only.
    TRowLineBuffer buffer;
    for (int i = 0; i < first; ++i) {
        const std::string_view line = RowToLine(rows[static_cast<std::size_t>(i)], buffer);
        if (line != lines.Line(i))
            change.swapped_.push_back({i, std::string(line)});
    }
    return change;
}

TRowChange TRowChange::Delete(const TLineList& lines, int index)
{
    const int remaining = lines.Count() - 1;
    const int after = index < remaining ? index
                      : remaining > 0   ? index - 1
                                        : TLineList::NoSelection;
    return TRowChange(TKind::Delete, index, 1, lines.SelectedIndex(), after);
}

TRowChange TRowChange::Exchange(const TLineList& lines, int upper, int selectAfter)
{
    return TRowChange(TKind::Exchange, upper, 2, lines.SelectedIndex(), selectAfter);
}

void TRowChange::Apply(TRowTable& rows, TLineList& lines)
{
    switch (kind_) {
    case TKind::Append:
        ApplyAppend(rows, lines);
        break;
    case TKind::Delete:
        ApplyDelete(rows, lines);
        break;
    case TKind::Exchange:
        ExchangeRows(rows, lines);
        break;
    }
    lines.Select(selectedAfter_);
}

void TRowChange::Revert(TRowTable& rows, TLineList& lines)
{
    switch (kind_) {
    case TKind::Append:
        RevertAppend(rows, lines);
        break;
    case TKind::Delete:
        RevertDelete(rows, lines);
        break;
    case TKind::Exchange:
        ExchangeRows(rows, lines);
        break;
    }
    lines.Select(selectedBefore_);
}

// The list's texts of the lines in `swapped_`, taken before the change so
// that nothing allocates once it has begun; `bytes` is what the step's own
// texts will take in the list.
std::vector<std::string> TRowChange::CurrentTexts(const TLineList& lines, std::size_t& bytes) const
{
    std::vector<std::string> current;
    current.reserve(swapped_.size());
    bytes = 0;
    for (const TLineText& line : swapped_) {
        current.emplace_back(lines.Line(line.index));
        bytes += line.text.size();
    }
    return current;
}

// Puts the step's texts into the list and keeps the list's in their place.
void TRowChange::PutTexts(TLineList& lines, std::vector<std::string>& current)
{
    for (std::size_t k = 0; k < swapped_.size(); ++k) {
        lines.Replace(swapped_[k].index, swapped_[k].text);
        swapped_[k].text = std::move(current[k]);
    }
}

void TRowChange::ReleaseRows()
{
    TRowTable().swap(rows_);
    std::string().swap(text_);
    std::vector<TTextSpan>().swap(spans_);
}

void TRowChange::ApplyAppend(TRowTable& rows, TLineList& lines)
{
    // All the room first: once the rows are in, nothing may fail.
    std::size_t swapBytes = 0;
    std::vector<std::string> current = CurrentTexts(lines, swapBytes);
    GrowTo(rows, rows.size() + rows_.size());
    lines.Reserve(rows_.size(), text_.size() + swapBytes);
    PutTexts(lines, current);
    rows.insert(rows.end(), rows_.begin(), rows_.end());
    lines.Append(text_, spans_);
    ReleaseRows();
}

void TRowChange::RevertAppend(TRowTable& rows, TLineList& lines)
{
    const auto first = static_cast<std::size_t>(index_);
    TRowTable removed(rows.begin() + index_, rows.end());
    std::string text;
    std::vector<TTextSpan> spans;
    spans.reserve(removed.size());
    for (int i = index_; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        spans.push_back({text.size(), line.size()});
        text += line;
    }
    std::size_t swapBytes = 0;
    std::vector<std::string> current = CurrentTexts(lines, swapBytes);
    lines.Reserve(0, swapBytes);
    rows.resize(first);
    lines.RemoveFrom(index_);
    PutTexts(lines, current);
    rows_ = std::move(removed);
    text_ = std::move(text);
    spans_ = std::move(spans);
}

void TRowChange::ApplyDelete(TRowTable& rows, TLineList& lines)
{
    const auto i = static_cast<std::size_t>(index_);
    text_ = lines.Line(index_);
    rows_.assign(1, rows[i]);
    rows.erase(rows.begin() + index_);
    lines.Delete(index_);
}

void TRowChange::RevertDelete(TRowTable& rows, TLineList& lines)
{
    GrowTo(rows, rows.size() + 1);
    lines.Reserve(1, text_.size());
    rows.insert(rows.begin() + index_, rows_.front());
    lines.Insert(index_, text_);
}

void TRowChange::ExchangeRows(TRowTable& rows, TLineList& lines)
{
    const int lower = index_ + 1;
    // Both lines change or neither: their texts and the room come first.
    const std::string upperText(lines.Line(index_));
    const std::string lowerText(lines.Line(lower));
    lines.Reserve(0, upperText.size() + lowerText.size());
    lines.Replace(index_, lowerText);
    lines.Replace(lower, upperText);
    std::swap(rows[static_cast<std::size_t>(index_)], rows[static_cast<std::size_t>(lower)]);
}

std::size_t TRowChange::HeldBytes() const
{
    std::size_t bytes = rows_.capacity() * sizeof(TNumberRow) + text_.capacity() +
                        spans_.capacity() * sizeof(TTextSpan) +
                        swapped_.capacity() * sizeof(TLineText);
    for (const TLineText& line : swapped_)
        bytes += line.text.capacity();
    return bytes;
}

} // namespace quorva
