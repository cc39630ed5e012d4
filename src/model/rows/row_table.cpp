#include "model/rows/row_table.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "model/base/growth.h"

namespace quorva {

void TRowTable::Widen()
{
    // The one-byte cells stay until the copy is whole, so that running out
    // of memory leaves the table as it was.
    std::vector<TNumberRow> wide;
    wide.reserve(narrowRows_.capacity());
    for (const TNarrowRow& row : narrowRows_)
        wide.push_back(Widened(row));
    wideRows_ = std::move(wide);
    TNarrowRows().swap(narrowRows_);
    wide_ = true;
}

void TRowTable::Admit(const TNumberRow& row)
{
    if (!wide_ && !FitsNarrow(row))
        Widen();
}

void TRowTable::reserve(std::size_t rows)
{
    if (wide_)
        wideRows_.reserve(rows);
    else
        narrowRows_.reserve(rows);
}

void TRowTable::shrink_to_fit()
{
    narrowRows_.shrink_to_fit();
    wideRows_.shrink_to_fit();
}

void TRowTable::clear()
{
    narrowRows_.clear();
    std::vector<TNumberRow>().swap(wideRows_);
    wide_ = false;
}

std::size_t TRowTable::MemoryBytes() const
{
    return narrowRows_.capacity() * sizeof(TNarrowRow) + wideRows_.capacity() * sizeof(TNumberRow);
}

TNumberRow TRowTable::at(std::size_t index) const
{
    if (index >= size())
        throw std::out_of_range("row index out of range");
    return (*this)[index];
}

void TRowTable::SetWide(std::size_t index, const TNumberRow& row)
{
    Admit(row);
    wideRows_[index] = row;
}

void TRowTable::PushWide(const TNumberRow& row)
{
    Admit(row);
    wideRows_.push_back(row);
}

TRowTable::const_iterator TRowTable::insert(const_iterator at, const TNumberRow& row)
{
    Admit(row);
    const auto offset = static_cast<std::ptrdiff_t>(at.Index());
    if (wide_)
        wideRows_.insert(wideRows_.begin() + offset, row);
    else
        narrowRows_.insert(narrowRows_.begin() + offset, Narrowed(row));
    return at;
}

TRowTable::const_iterator TRowTable::insert(const_iterator at, const_iterator first,
                                            const_iterator last)
{
    if (first == last)
        return at;
    const TRowTable& source = *first.Table();
    if (&source == this) {
        const TRowTable copy(first, last);
        return insert(at, copy.begin(), copy.end());
    }
    // The same rule as MakeRoomFor's, so that room made there is enough.
    if (source.wide_ && !wide_)
        Widen();
    const auto offset = static_cast<std::ptrdiff_t>(at.Index());
    const auto from = static_cast<std::ptrdiff_t>(first.Index());
    const auto to = static_cast<std::ptrdiff_t>(last.Index());
    if (!wide_)
        narrowRows_.insert(narrowRows_.begin() + offset, source.narrowRows_.begin() + from,
                           source.narrowRows_.begin() + to);
    else if (source.wide_)
        wideRows_.insert(wideRows_.begin() + offset, source.wideRows_.begin() + from,
                         source.wideRows_.begin() + to);
    else
        wideRows_.insert(wideRows_.begin() + offset, first, last);
    return at;
}

TRowTable::const_iterator TRowTable::erase(const_iterator at)
{
    return erase(at, at + 1);
}

TRowTable::const_iterator TRowTable::erase(const_iterator first, const_iterator last)
{
    const auto from = static_cast<std::ptrdiff_t>(first.Index());
    const auto to = static_cast<std::ptrdiff_t>(last.Index());
    if (wide_)
        wideRows_.erase(wideRows_.begin() + from, wideRows_.begin() + to);
    else
        narrowRows_.erase(narrowRows_.begin() + from, narrowRows_.begin() + to);
    return first;
}

void TRowTable::resize(std::size_t count, const TNumberRow& row)
{
    if (count > size())
        Admit(row);
    if (wide_)
        wideRows_.resize(count, row);
    else
        narrowRows_.resize(count, Narrowed(row));
}

void TRowTable::assign(std::size_t count, const TNumberRow& row)
{
    TRowTable rows;
    rows.Admit(row);
    if (rows.wide_)
        rows.wideRows_.assign(count, row);
    else
        rows.narrowRows_.assign(count, Narrowed(row));
    swap(rows);
}

void TRowTable::assign(const_iterator first, const_iterator last)
{
    TRowTable rows;
    if (first != last) {
        const TRowTable& source = *first.Table();
        const auto from = static_cast<std::ptrdiff_t>(first.Index());
        const auto to = static_cast<std::ptrdiff_t>(last.Index());
        rows.wide_ = source.wide_;
        if (source.wide_)
            rows.wideRows_.assign(source.wideRows_.begin() + from, source.wideRows_.begin() + to);
        else
            rows.narrowRows_.assign(source.narrowRows_.begin() + from,
                                    source.narrowRows_.begin() + to);
    }
    swap(rows);
}

void TRowTable::swap(TRowTable& other) noexcept
{
    std::swap(wide_, other.wide_);
    narrowRows_.swap(other.narrowRows_);
    wideRows_.swap(other.wideRows_);
}

void TRowTable::ResizeUnwritten(std::size_t count)
{
    clear();
    narrowRows_.resize(count);
}

void TRowTable::MoveDown(std::size_t from, std::size_t count, std::size_t to)
{
    if (count > 0)
        std::memmove(&narrowRows_[to], &narrowRows_[from], count * sizeof(TNarrowRow));
}

void TRowTable::MakeRoomFor(const TRowTable& added)
{
    if (!wide_ && added.wide_)
        Widen();
    if (wide_)
        GrowTo(wideRows_, wideRows_.size() + added.size());
    else
        GrowTo(narrowRows_, narrowRows_.size() + added.size());
}

bool operator==(const TRowTable& a, const TRowTable& b)
{
    if (a.wide_ == b.wide_)
        return a.wide_ ? a.wideRows_ == b.wideRows_ : a.narrowRows_ == b.narrowRows_;
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

} // namespace quorva
