#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "triangle/cell_block.h"
#include "triangle/rolling_triangle.h"

namespace quorva {

// Longest text of a cell of `cellSize` bytes and its ';', with the blank's ';'
// after it: what a band's line and the export's buffers are sized by.
constexpr std::size_t MaxPairText(std::size_t cellSize)
{
    return cellSize == 1 ? 5 : 12;
}

// Renders the CSV lines of a triangle, a band of consecutive lines at a time.
//
// A line takes one cell from every column, and the columns lie far apart, so
// reading a large triangle line by line would fetch a fresh cache line and
// memory page for nearly every cell. Instead, each band's cells are first
// copied into a small line-major table, visiting each column once for a short
// contiguous run; every line is then rendered from one contiguous row of it.
// The copy goes by blocks of 16 columns of one parity and 16 of their lines,
// each a transpose of a 16 x 16 block of cells.
template <class Cell> class TCsvBandRenderer {
public:
    TCsvBandRenderer(const TRollingTriangle<Cell>& triangle, std::size_t bandLines);

    std::size_t LineCount() const { return lineCount_; }
    std::size_t BandLines() const { return bandLines_; }
    // Room that AppendLine may use at `out`; the line itself is shorter.
    std::size_t LineCapacity() const { return lineCapacity_; }

    // Makes lines first .. first + BandLines() - 1 (fewer at the end) ready.
    void LoadBand(std::size_t first);
    // Writes line k of the loaded band, CR LF included; returns its end.
    char* AppendLine(char* out, std::size_t k) const;

private:
    void LoadGroups(std::size_t parity, std::size_t first, std::size_t last, std::size_t columns);
    void LoadBlock(std::size_t j0, std::size_t k0, std::size_t last, std::size_t columns);
    void LoadColumn(std::size_t j, std::size_t first, std::size_t last);
    void PrefetchColumn(std::size_t j, std::size_t first, std::size_t last) const;

    const TRollingTriangle<Cell>& triangle_;
    std::size_t lineCount_;
    std::size_t lineCapacity_;
    std::size_t bandLines_;
    std::size_t bandFirst_ = 0;
    // Line r of the band holds its non-blank cells from band_[r * rowStride_].
    std::size_t rowStride_;
    std::vector<Cell> band_;
    // Values of odd columns, worked out for one block or one column's run.
    std::array<std::array<Cell, CellBlock>, CellBlock> oddValues_;
    std::array<Cell, TRollingTriangle<Cell>::ContiguousValues> columnValues_;
};

extern template class TCsvBandRenderer<std::uint8_t>;
extern template class TCsvBandRenderer<std::int32_t>;

} // namespace quorva
