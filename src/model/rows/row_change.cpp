#include "model/rows/row_change.h"

#include <cstdint>
#include <string_view>
#include <utility>

#include "model/base/error.h"
#include "model/rows/row_line.h"

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
    // only those change, so a view hears of real changes only. Only a line
    // whose text the list keeps can differ.
    const TStoredLines& stored = lines.Stored();
    TRowLineBuffer buffer;
    for (std::size_t k = 0; k < stored.Count(); ++k) {
        const int i = stored.IndexAt(k);
        const std::string_view line = RowToLine(rows[static_cast<std::size_t>(i)], buffer);
        if (line != stored.TextAt(k))
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
    rows.MakeRoomFor(rows_);
    lines.Reserve(rows_.size() + swapped_.size(), text_.size() + swapBytes);
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
    TRowLineBuffer buffer;
    for (int i = index_; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i, buffer);
        spans.push_back({text.size(), line.size()});
        text += line;
    }
    std::size_t swapBytes = 0;
    std::vector<std::string> current = CurrentTexts(lines, swapBytes);
    lines.Reserve(swapped_.size(), swapBytes);
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
    rows.MakeRoomFor(rows_);
    lines.Reserve(1, text_.size());
    rows.insert(rows.begin() + index_, rows_.front());
    lines.Insert(index_, text_);
}

void TRowChange::ExchangeRows(TRowTable& rows, TLineList& lines)
{
    const int lower = index_ + 1;
    // Both lines change or neither: their texts and the room come first;
    // the rows go first, so that the list tells the lines from their rows.
    const std::string upperText = lines.Line(index_);
    const std::string lowerText = lines.Line(lower);
    lines.Reserve(2, upperText.size() + lowerText.size());
    const auto upper = static_cast<std::size_t>(index_);
    const TNumberRow upperRow = rows[upper];
    rows.Set(upper, rows[upper + 1]);
    rows.Set(upper + 1, upperRow);
    lines.Replace(index_, lowerText);
    lines.Replace(lower, upperText);
}

TRowChange TRowChange::ReadyToApply(const TRowTable& rows, const TLineList& lines) const
{
    TRowChange ready = *this;
    if (kind_ != TKind::Append)
        return ready;
    ready.rows_.assign(rows.begin() + index_, rows.begin() + index_ + count_);
    ready.text_.clear();
    ready.spans_.clear();
    TRowLineBuffer buffer;
    for (int i = index_; i < index_ + count_; ++i) {
        const std::string_view line = lines.Line(i, buffer);
        ready.spans_.push_back({ready.text_.size(), line.size()});
        ready.text_ += line;
    }
    for (TLineText& line : ready.swapped_)
        line.text = lines.Line(line.index);
    return ready;
}

namespace {

void PutNumber(std::string& out, std::int64_t value)
{
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text)
{
    PutNumber(out, static_cast<std::int64_t>(text.size()));
    out += text;
}

// Reads what PutNumber and PutText wrote, refusing to read past the end.
class TReader {
public:
    explicit TReader(std::string_view bytes) : rest_(bytes) {}

    std::int64_t Number()
    {
        const std::string_view bytes = Take(8);
        std::uint64_t value = 0;
        for (int i = 7; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        return static_cast<std::int64_t>(value);
    }

    // A count of things still to read, each taking some bytes.
    std::size_t Size() { return Within(rest_.size()); }
    std::size_t Within(std::size_t high) { return static_cast<std::size_t>(Bounded(0, high)); }
    int Index() { return static_cast<int>(Bounded(-1, INT32_MAX)); }
    std::string_view Text() { return Take(Size()); }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::int64_t Bounded(std::int64_t low, std::uint64_t high)
    {
        const std::int64_t value = Number();
        if (value < low || (value >= 0 && static_cast<std::uint64_t>(value) > high))
            throw Error("damaged step");
        return value;
    }

    std::string_view Take(std::size_t count)
    {
        if (count > rest_.size())
            throw Error("damaged step");
        const std::string_view taken = rest_.substr(0, count);
        rest_.remove_prefix(count);
        return taken;
    }

    std::string_view rest_;
};

} // namespace

std::string TRowChange::Serialize() const
{
    std::string out;
    for (std::int64_t number :
         {static_cast<std::int64_t>(kind_), std::int64_t{index_}, std::int64_t{count_},
          std::int64_t{selectedBefore_}, std::int64_t{selectedAfter_}})
        PutNumber(out, number);
    PutNumber(out, static_cast<std::int64_t>(rows_.size()));
    for (const TNumberRow& row : rows_)
        for (std::int32_t value : row)
            PutNumber(out, value);
    PutText(out, text_);
    PutNumber(out, static_cast<std::int64_t>(spans_.size()));
    for (const TTextSpan& span : spans_) {
        PutNumber(out, static_cast<std::int64_t>(span.offset));
        PutNumber(out, static_cast<std::int64_t>(span.length));
    }
    PutNumber(out, static_cast<std::int64_t>(swapped_.size()));
    for (const TLineText& line : swapped_) {
        PutNumber(out, line.index);
        PutText(out, line.text);
    }
    return out;
}

TRowChange TRowChange::Parse(std::string_view bytes)
{
    TReader in(bytes);
    const std::int64_t kind = in.Number();
    if (kind < 0 || kind > static_cast<std::int64_t>(TKind::Exchange))
        throw Error("damaged step");
    const int index = in.Index();
    const int count = in.Index();
    const int before = in.Index();
    const int after = in.Index();
    TRowChange change(static_cast<TKind>(kind), index, count, before, after);
    for (std::size_t n = in.Size(); n > 0; --n) {
        TNumberRow row{};
        for (auto& value : row)
            value = static_cast<std::int32_t>(in.Number());
        change.rows_.push_back(row);
    }
    change.text_ = in.Text();
    for (std::size_t n = in.Size(); n > 0; --n) {
        const std::size_t offset = in.Within(change.text_.size());
        change.spans_.push_back({offset, in.Within(change.text_.size() - offset)});
    }
    for (std::size_t n = in.Size(); n > 0; --n) {
        const int line = in.Index();
        change.swapped_.push_back({line, std::string(in.Text())});
    }
    if (!in.AtEnd())
        throw Error("damaged step");
    return change;
}

bool TRowChange::Fits(const TLineList& lines, bool apply) const
{
    // Wide enough that no sum of parsed numbers overflows.
    const std::int64_t count = lines.Count();
    const std::int64_t index = index_;
    const std::int64_t changed = count_;
    const std::int64_t countAfter = kind_ == TKind::Exchange            ? count
                                    : (kind_ == TKind::Append) == apply ? count + changed
                                                                        : count - changed;
    const int selected = apply ? selectedAfter_ : selectedBefore_;
    if (selected < TLineList::NoSelection || selected >= countAfter || index < 0)
        return false;
    // Lines rendered anew are lines that were there before the step.
    for (const TLineText& line : swapped_)
        if (line.index < 0 || line.index >= index_)
            return false;
    switch (kind_) {
    case TKind::Append:
        return apply ? index == count && changed == static_cast<std::int64_t>(rows_.size()) &&
                           spans_.size() == rows_.size()
                     : changed > 0 && index + changed == count;
    case TKind::Delete:
        return apply ? index < count : index <= count && rows_.size() == 1;
    case TKind::Exchange:
        return index + 1 < count;
    }
    return false;
}

} // namespace quorva
