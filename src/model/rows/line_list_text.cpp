#include "model/rows/line_list_text.h"

#include <array>

#include "model/rows/row_line.h"

namespace quorva {
namespace {

constexpr std::string_view LineEnd = "\r\n";
// A row whose values all take two characters, as every value from -9 to 99
// does, renders as seven fields and six spaces.
constexpr std::size_t ShortLineBytes = RowWidth * 3 - 1;

bool IsShort(const TNumberRow& row)
{
    for (const std::int32_t value : row)
        if (value < -9 || value > 99)
            return false;
    return true;
}

// The two characters of each value from 0 to 99.
constexpr std::array<char, 200> TwoDigits = [] {
    std::array<char, 200> digits{};
    for (int v = 0; v < 100; ++v) {
        digits[static_cast<std::size_t>(2 * v)] = static_cast<char>('0' + v / 10);
        digits[static_cast<std::size_t>(2 * v + 1)] = static_cast<char>('0' + v % 10);
    }
    return digits;
}();

// The row's canonical line and its CR LF at `out`, for a row of values from
// 0 to 99; returns false, writing nothing, for any other.
bool RenderTwoDigitRow(const TNumberRow& row, char* out)
{
    for (const std::int32_t value : row)
        if (static_cast<std::uint32_t>(value) > 99)
            return false;
    for (std::size_t j = 0; j < RowWidth; ++j) {
        const auto at = static_cast<std::size_t>(2 * row[j]);
        out[3 * j] = TwoDigits[at];
        out[3 * j + 1] = TwoDigits[at + 1];
        out[3 * j + 2] = ' ';
    }
    out[ShortLineBytes] = '\r';
    out[ShortLineBytes + 1] = '\n';
    return true;
}

} // namespace

std::uint64_t TLineListText::Bytes() const
{
    const TStoredLines& stored = lines_.Stored();
    std::uint64_t bytes = static_cast<std::uint64_t>(lines_.Count()) * LineEnd.size();
    for (std::size_t k = 0; k < stored.Count(); ++k)
        bytes += stored.TextAt(k).size();
    const TRowTable* rows = lines_.Rows();
    if (!rows)
        return bytes;
    TRowLineBuffer buffer;
    std::size_t k = 0;
    for (int i = 0; i < lines_.Count(); ++i) {
        if (k < stored.Count() && stored.IndexAt(k) == i) {
            ++k;
            continue;
        }
        const TNumberRow row = (*rows)[static_cast<std::size_t>(i)];
        bytes += IsShort(row) ? ShortLineBytes : RowToLine(row, buffer).size();
    }
    return bytes;
}

void TLineListText::RenderRows(std::string& out, std::size_t bytes, std::size_t end)
{
    const TRowTable& rows = *lines_.Rows();
    TRowLineBuffer buffer;
    constexpr std::size_t LineBytes = ShortLineBytes + LineEnd.size();
    while (next_ < end && out.size() < bytes) {
        // A block of lines at a time, written in place.
        const std::size_t block = std::min(end - next_, (bytes - out.size()) / LineBytes + 1);
        std::size_t at = out.size();
        out.resize(at + block * LineBytes);
        for (std::size_t i = next_; i < next_ + block; ++i) {
            const TNumberRow row = rows[i];
            if (RenderTwoDigitRow(row, out.data() + at)) {
                at += LineBytes;
                continue;
            }
            // A longer line: everything after it moves on.
            const std::string_view line = RowToLine(row, buffer);
            out.resize(at);
            out += line;
            out += LineEnd;
            at = out.size();
            out.resize(at + (next_ + block - i - 1) * LineBytes);
        }
        out.resize(at);
        next_ += block;
    }
}

bool TLineListText::Fill(std::string& out, std::size_t bytes)
{
    const TStoredLines& stored = lines_.Stored();
    const auto count = static_cast<std::size_t>(lines_.Count());
    while (next_ < count && out.size() < bytes) {
        const std::size_t nextStored =
            stored_ < stored.Count() ? static_cast<std::size_t>(stored.IndexAt(stored_)) : count;
        if (next_ < nextStored) {
            RenderRows(out, bytes, nextStored);
            continue;
        }
        out += stored.TextAt(stored_++);
        out += LineEnd;
        ++next_;
    }
    return next_ < count;
}

} // namespace quorva
