#include "triangle/csv_band_renderer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "triangle/cell_block.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

// "<digits>;;" for every byte value: a cell and the blank that follows it,
// padded to eight characters so that the pair is always copied with one
// fixed-size move.
struct TBytePairTexts {
    std::array<std::array<char, 8>, 256> text{};
    std::array<std::uint8_t, 256> length{};

    TBytePairTexts()
    {
        for (int value = 0; value < 256; ++value) {
            char field[12];
            char* end = AppendCsvField(AppendCsvField(field, value), BlankCellValue);
            length[value] = static_cast<std::uint8_t>(end - field);
            std::memcpy(text[value].data(), field, length[value]);
        }
    }
};

const TBytePairTexts BytePairTexts;

// What a fixed-size move may write beyond the text.
constexpr std::size_t OverWrite = 8;

char* AppendCellAndBlank(char* out, std::uint8_t value)
{
    std::memcpy(out, BytePairTexts.text[value].data(), 8);
    return out + BytePairTexts.length[value];
}

char* AppendCellAndBlank(char* out, std::int32_t value)
{
    return AppendCsvField(AppendCsvField(out, value), BlankCellValue);
}

// Most cells deep in a triangle of small values have one digit; sixteen of
// them in a row are rendered at once.
char* AppendCellsAndBlanks(char* out, const std::uint8_t* cells, std::size_t count)
{
    std::size_t q = 0;
    for (; q + CellBlock <= count; q += CellBlock) {
        if (char* end = AppendOneDigitRun(out, cells + q)) {
            out = end;
            continue;
        }
        for (std::size_t i = 0; i < CellBlock; ++i)
            out = AppendCellAndBlank(out, cells[q + i]);
    }
    for (; q < count; ++q)
        out = AppendCellAndBlank(out, cells[q]);
    return out;
}

char* AppendCellsAndBlanks(char* out, const std::int32_t* cells, std::size_t count)
{
    for (std::size_t q = 0; q < count; ++q)
        out = AppendCellAndBlank(out, cells[q]);
    return out;
}

// The distance between band rows in cells: a whole odd number of cache lines,
// so that the rows written to one after another while a column is loaded fall
// into different cache sets instead of evicting one another.
template <class Cell> std::size_t SpreadStride(std::size_t cells)
{
    constexpr std::size_t CacheLine = 64;
    const std::size_t lines = (cells * sizeof(Cell) + CacheLine - 1) / CacheLine;
    return (lines | 1) * CacheLine / sizeof(Cell);
}

} // namespace

template <class Cell>
TCsvBandRenderer<Cell>::TCsvBandRenderer(const TRollingTriangle<Cell>& triangle,
                                         std::size_t bandLines)
    : triangle_(triangle), lineCount_(2 * triangle.ValueCount() - 1),
      lineCapacity_((triangle.ValueCount() + 1) / 2 * MaxPairText(sizeof(Cell)) + 3 + OverWrite),
      bandLines_(bandLines), rowStride_(SpreadStride<Cell>((triangle.ValueCount() + 1) / 2)),
      band_(bandLines * rowStride_)
{
}

template <class Cell> void TCsvBandRenderer<Cell>::LoadBand(std::size_t first)
{
    bandFirst_ = first;
    const std::size_t last = std::min(first + bandLines_, lineCount_);
    // Line k has a cell j when j <= k and k < lineCount - j, which leaves
    // every column below this bound at least one line of the band.
    const std::size_t columns = std::min({last, lineCount_ - first, triangle_.ValueCount()});
    // Line k holds cells only from columns of its own parity.
    for (std::size_t parity = 0; parity < 2; ++parity)
        LoadGroups(parity, first, last, columns);
}

template <class Cell>
void TCsvBandRenderer<Cell>::LoadGroups(std::size_t parity, std::size_t first, std::size_t last,
                                        std::size_t columns)
{
    constexpr std::size_t Span = 2 * CellBlock; // columns or lines of one parity
    const std::size_t firstLine = first + ((first ^ parity) & 1);
    for (std::size_t j0 = parity; j0 < columns; j0 += Span) {
        for (std::size_t j = j0 + Span; j < std::min(j0 + 2 * Span, columns); j += 2)
            PrefetchColumn(j, first, last);
        for (std::size_t k0 = firstLine; k0 < last; k0 += Span)
            LoadBlock(j0, k0, last, columns);
    }
}

template <class Cell>
void TCsvBandRenderer<Cell>::LoadBlock(std::size_t j0, std::size_t k0, std::size_t last,
                                       std::size_t columns)
{
    // Columns j0, j0 + 2, ... and lines k0, k0 + 2, ...: column j's cells for
    // them follow one another from its ((k0 - j) / 2)-th value on.
    const std::size_t jLast = j0 + 2 * (CellBlock - 1);
    const std::size_t kLast = k0 + 2 * (CellBlock - 1);
    if (jLast <= k0 && kLast < last && kLast + jLast < lineCount_) {
        const Cell* rows[CellBlock];
        for (std::size_t c = 0; c < CellBlock; ++c) {
            const std::size_t j = j0 + 2 * c;
            const std::size_t i = (k0 - j0) / 2 - c;
            if (j % 2 == 0) {
                rows[c] = triangle_.Values(j, i);
            } else {
                triangle_.CopyValues(j, i, CellBlock, oddValues_[c].data());
                rows[c] = oddValues_[c].data();
            }
        }
        TransposeBlock(rows, band_.data() + (k0 - bandFirst_) * rowStride_ + j0 / 2,
                       2 * rowStride_);
        return;
    }
    // A block across an edge of the triangle or of the band.
    for (std::size_t j = j0; j <= jLast && j < columns; j += 2) {
        const std::size_t from = std::max(k0, j);
        const std::size_t to = std::min({kLast + 1, last, lineCount_ - j});
        if (from < to)
            LoadColumn(j, from, to);
    }
}

template <class Cell>
void TCsvBandRenderer<Cell>::PrefetchColumn(std::size_t j, std::size_t first,
                                            std::size_t last) const
{
    // No hardware prefetcher guesses the jumps from column to column; asking
    // early overlaps the waits for several of them.
    // An odd column's values are worked out from the kept column before it.
    const std::size_t kept = j - j % 2;
    const std::size_t firstValue = (std::max(first, j) - j) / 2;
    const Cell* values = triangle_.Values(kept, firstValue);
    const char* from = reinterpret_cast<const char*>(values);
    const char* to = reinterpret_cast<const char*>(
        values + ((std::min(last, lineCount_ - j) - 1 - j) / 2 - firstValue + j % 2));
    for (const char* p = from; p < to; p += 64)
        __builtin_prefetch(p);
    __builtin_prefetch(to);
}

template <class Cell>
void TCsvBandRenderer<Cell>::LoadColumn(std::size_t j, std::size_t first, std::size_t last)
{
    // Cell [k][j] is blank when k - j is odd; the others are the column's
    // values one after another, and the (j / 2)-th non-blank cell of line k.
    const std::size_t odd = (first - j) & 1;
    const std::size_t firstLine = first + odd;
    if (firstLine >= last)
        return;
    const std::size_t count = (last - firstLine + 1) / 2;
    triangle_.CopyValues(j, (firstLine - j) / 2, count, columnValues_.data());
    const Cell* value = columnValues_.data();
    Cell* cell = band_.data() + (firstLine - bandFirst_) * rowStride_ + j / 2;
    for (std::size_t k = firstLine; k < last; k += 2, cell += 2 * rowStride_)
        *cell = *value++;
}

template <class Cell> char* TCsvBandRenderer<Cell>::AppendLine(char* out, std::size_t k) const
{
    // Non-blank and blank cells alternate; a line starts with a blank when k
    // is odd.
    const std::size_t length = TriangleRowLength(k, lineCount_);
    const std::size_t startsBlank = k & 1;
    const std::size_t values = (length + 1 - startsBlank) / 2;
    if (startsBlank)
        out = AppendCsvField(out, BlankCellValue);
    out = AppendCellsAndBlanks(out, band_.data() + (k - bandFirst_) * rowStride_, values);
    // The last pair's blank is one cell too many when the line ends in a
    // non-blank cell.
    if ((length - startsBlank) % 2 == 1)
        --out;
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

template class TCsvBandRenderer<std::uint8_t>;
template class TCsvBandRenderer<std::int32_t>;

} // namespace quorva
