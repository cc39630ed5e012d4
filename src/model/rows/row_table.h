#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "model/rows/number_row.h"

namespace quorva {

// The ordered row table; row i belongs to line i of the line list.
//
// Every value a row-list file or Add can give fits in a signed byte, so the
// cells are kept one byte each: a million rows cost 7 MB instead of 28. The
// first value that does not fit widens the whole table to 32-bit cells once,
// and from then on every value is kept exactly as it came. Rows are read and
// stored as TNumberRow values; there are no references into the table.
class TRowTable {
public:
    using value_type = TNumberRow;
    using size_type = std::size_t;
    // What a row read from a file takes: its values always fit one byte.
    static constexpr std::size_t BytesPerReadRow = RowWidth;

    // Walks the rows, yielding each by value.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = TNumberRow;
        using difference_type = std::ptrdiff_t;
        using reference = TNumberRow;
        using pointer = void;

        const_iterator() = default;
        const_iterator(const TRowTable* table, std::size_t index) : table_(table), index_(index) {}

        TNumberRow operator*() const { return (*table_)[index_]; }
        TNumberRow operator[](difference_type n) const { return *(*this + n); }
        const_iterator& operator++() { return *this += 1; }
        const_iterator operator++(int)
        {
            const const_iterator before = *this;
            ++*this;
            return before;
        }
        const_iterator& operator--() { return *this -= 1; }
        const_iterator operator--(int)
        {
            const const_iterator before = *this;
            --*this;
            return before;
        }
        const_iterator& operator+=(difference_type n)
        {
            index_ = static_cast<std::size_t>(static_cast<difference_type>(index_) + n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b)
        {
            return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.index_ == b.index_;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b)
        {
            return a.index_ <=> b.index_;
        }

        const TRowTable* Table() const { return table_; }
        std::size_t Index() const { return index_; }

    private:
        const TRowTable* table_ = nullptr;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;

    TRowTable() = default;
    explicit TRowTable(std::size_t count, const TNumberRow& row = {}) { assign(count, row); }
    TRowTable(std::initializer_list<TNumberRow> rows) { assign(rows.begin(), rows.end()); }
    template <std::input_iterator It> TRowTable(It first, It last) { assign(first, last); }

    std::size_t size() const { return wide_ ? wideRows_.size() : narrowRows_.size(); }
    bool empty() const { return size() == 0; }
    // In rows, in the table's present cell width.
    std::size_t capacity() const { return wide_ ? wideRows_.capacity() : narrowRows_.capacity(); }
    void reserve(std::size_t rows);
    void shrink_to_fit();
    // Back to one-byte cells, empty.
    void clear();
    // The memory the cells take, reserved room included, and where it starts.
    std::size_t MemoryBytes() const;
    const void* Data() const
    {
        return wide_ ? static_cast<const void*>(wideRows_.data()) : narrowRows_.data();
    }

    TNumberRow operator[](std::size_t index) const
    {
        return wide_ ? wideRows_[index] : Widened(narrowRows_[index]);
    }
    TNumberRow at(std::size_t index) const;
    TNumberRow front() const { return (*this)[0]; }
    TNumberRow back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void Set(std::size_t index, const TNumberRow& row)
    {
        if (wide_ || !FitsNarrow(row))
            return SetWide(index, row);
        WriteNarrow(row, narrowRows_[index]);
    }
    // Inline: Open stores a million rows through here.
    void push_back(const TNumberRow& row)
    {
        if (wide_ || !FitsNarrow(row))
            return PushWide(row);
        WriteNarrow(row, narrowRows_.emplace_back());
    }
    const_iterator insert(const_iterator at, const TNumberRow& row);
    const_iterator insert(const_iterator at, const_iterator first, const_iterator last);
    const_iterator erase(const_iterator at);
    const_iterator erase(const_iterator first, const_iterator last);
    void resize(std::size_t count, const TNumberRow& row = {});
    void assign(std::size_t count, const TNumberRow& row);
    template <std::input_iterator It> void assign(It first, It last)
    {
        TRowTable rows;
        if constexpr (std::forward_iterator<It>)
            rows.reserve(static_cast<std::size_t>(std::distance(first, last)));
        for (; first != last; ++first)
            rows.push_back(*first);
        swap(rows);
    }
    // Rows of another table are copied cells and all, in that table's width.
    void assign(const_iterator first, const_iterator last);
    void swap(TRowTable& other) noexcept;

    // Filling in place, for a parse that writes the rows of a file from
    // several threads at once, each into its own stretch of the table.
    //
    // Makes the table `count` one-byte rows whose cells are not written yet,
    // so that each page is first touched, and zeroed by the system, by the
    // thread that fills it rather than all of them here.
    void ResizeUnwritten(std::size_t count);
    // Writes row `index` of such a table. The row must fit one byte a cell,
    // as every row a row-list file gives does; rows at distinct indexes may
    // be filled at the same time.
    void Fill(std::size_t index, const TNumberRow& row) { WriteNarrow(row, narrowRows_[index]); }
    // The same for a row whose cells a parser that reads many values at once
    // has packed into a word, cell j in its byte j (counted from the lowest),
    // so that they go from register to table with no copy in between.
    void FillPacked(std::size_t index, std::uint64_t cells)
    {
        if constexpr (std::endian::native == std::endian::little)
            std::memcpy(narrowRows_[index].data(), &cells, sizeof(TNarrowRow));
        else
            for (std::int8_t& cell : narrowRows_[index]) {
                cell = static_cast<std::int8_t>(cells);
                cells >>= 8;
            }
    }
    // Moves the `count` rows at `from` down to `to`, as the stretches filled
    // apart are joined.
    void MoveDown(std::size_t from, std::size_t count, std::size_t to);

    // Makes the table hold `added` after it without allocating: the room,
    // and the wider cells when `added` needs them. Grows geometrically, as
    // GrowTo does; raises std::bad_alloc with the table unchanged.
    void MakeRoomFor(const TRowTable& added);

    friend bool operator==(const TRowTable& a, const TRowTable& b);

private:
    using TNarrowRow = std::array<std::int8_t, RowWidth>;
    // Hands out cells that are not written when made without a value, so
    // that ResizeUnwritten leaves its pages untouched.
    template <class T> struct TUnwrittenAllocator : std::allocator<T> {
        TUnwrittenAllocator() = default;
        template <class U> TUnwrittenAllocator(const TUnwrittenAllocator<U>&) noexcept {}
        template <class U> void construct(U* at) noexcept { ::new (static_cast<void*>(at)) U; }
        template <class U, class... Args> void construct(U* at, Args&&... args)
        {
            ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
        }
    };
    using TNarrowRows = std::vector<TNarrowRow, TUnwrittenAllocator<TNarrowRow>>;

    static bool FitsNarrow(const TNumberRow& row)
    {
        // Each value moved to 0..255 when it fits; any other sets a higher bit.
        std::uint32_t moved = 0;
        for (const std::int32_t value : row)
            moved |= static_cast<std::uint32_t>(value) + 128u;
        return moved <= 255u;
    }
    static TNumberRow Widened(const TNarrowRow& row)
    {
        TNumberRow wide;
        for (std::size_t j = 0; j < wide.size(); ++j)
            wide[j] = row[j];
        return wide;
    }
    // Written in place, cell by cell: a row built elsewhere and copied in
    // costs more than the parse of its line.
    static void WriteNarrow(const TNumberRow& row, TNarrowRow& narrow)
    {
        for (std::size_t j = 0; j < narrow.size(); ++j)
            narrow[j] = static_cast<std::int8_t>(row[j]);
    }
    static TNarrowRow Narrowed(const TNumberRow& row)
    {
        TNarrowRow narrow;
        WriteNarrow(row, narrow);
        return narrow;
    }
    // Switches to 32-bit cells when `row` needs them.
    void Admit(const TNumberRow& row);
    void Widen();
    void PushWide(const TNumberRow& row);
    void SetWide(std::size_t index, const TNumberRow& row);

    bool wide_ = false;
    TNarrowRows narrowRows_;
    std::vector<TNumberRow> wideRows_;
};

} // namespace quorva
