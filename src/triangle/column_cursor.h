#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "triangle/kept_columns.h"

namespace quorva {

// Reads the columns of a TKeptColumns one after another, left to right: a
// column is worked out from the one read before it in one step, rather than
// from its kept column in up to Spacing() - 1 steps again, so a picture that
// reads every column in view costs about one step a cell however far apart
// the kept columns are. What it holds stays right, as the columns it reads
// are ready and do not change.
template <class Cell> class TColumnCursor {
public:
    // Calls read(i, value) for the values [begin, end) of the filled column
    // j, in order, end at most its length. Fastest when j is the column
    // after the one read before and its values lie about where those did.
    template <class Read>
    void ReadColumn(const TKeptColumns<Cell>& columns, std::size_t j, std::size_t begin,
                    std::size_t end, Read read)
    {
        if (begin >= end)
            return;
        if (!Holds(columns, j, begin, end))
            Start(columns, j, begin, end);
        for (; at_ < j; ++at_)
            TKeptColumns<Cell>::NextColumn(work_.data(), --length_);
        for (std::size_t i = begin; i < end; ++i)
            read(i, work_[i - first_]);
    }

private:
    // Values a start takes beyond a column's own each way: those the next
    // few columns' values lie on, a line further up and down each.
    static constexpr std::size_t Margin = 2 * TKeptColumns<Cell>::MaxSpacing;

    // Whether column j's values [begin, end) can be worked out from those
    // held, at most a spacing's steps on.
    bool Holds(const TKeptColumns<Cell>& columns, std::size_t j, std::size_t begin,
               std::size_t end) const
    {
        return columns_ == &columns && at_ <= j && j - at_ < columns.Spacing() && begin >= first_ &&
               end + (j - at_) <= first_ + length_;
    }
    // Holds the values about [begin, end) of the kept column at or before j.
    void Start(const TKeptColumns<Cell>& columns, std::size_t j, std::size_t begin, std::size_t end)
    {
        const std::size_t base = j - (j & (columns.Spacing() - 1));
        first_ = begin > Margin ? begin - Margin : 0;
        const std::size_t last = std::min(end + Margin, columns.ValueCount() - base);
        const Cell* kept = columns.KeptColumn(base);
        work_.assign(kept + first_, kept + last);
        length_ = last - first_;
        at_ = base;
        columns_ = &columns;
    }

    const TKeptColumns<Cell>* columns_ = nullptr;
    // Values [first_, first_ + length_) of column at_.
    std::size_t at_ = 0;
    std::size_t first_ = 0;
    std::size_t length_ = 0;
    std::vector<Cell> work_;
};

} // namespace quorva
