#include "triangle/triangle_grid.h"

#include <algorithm>
#include <functional>
#include <thread>
#include <type_traits>

#include "model/number_rules.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

// A one-byte cell is never blank; a wider one is when negative.
template <class Cell> bool IsBlank(Cell value)
{
    if constexpr (std::is_unsigned_v<Cell>)
        return false;
    else
        return value < 0;
}

std::size_t Blocks(std::size_t cells, std::size_t blockSize)
{
    return (cells + blockSize - 1) / blockSize;
}

} // namespace

void TCellBlock::Merge(const TCellBlock& other)
{
    count += other.count;
    sum += other.sum;
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

TTriangleGrid::TTriangleGrid(const TRowTable& rows, int column) : valueCount_(rows.size())
{
    CheckTriangleInput(rows, column);
    const std::vector<std::int32_t> values = ColumnValues(rows, column);
    if (FitsByteCells(values))
        bytes_ = std::make_unique<TCompactTriangle<std::uint8_t>>(values);
    else
        words_ = std::make_unique<TCompactTriangle<std::int32_t>>(values);
    BuildSummaries();
}

TTriangleGrid::~TTriangleGrid() = default;

std::optional<std::int32_t> TTriangleGrid::Cell(std::size_t k, std::size_t j) const
{
    // Cells with k + j odd are the blank half; the others are column j's
    // values in order, one every second line from line j on.
    if (!HasCell(k, j) || (k + j) % 2 != 0)
        return std::nullopt;
    const std::size_t i = (k - j) / 2;
    if (bytes_)
        return bytes_->At(j, i);
    const std::int32_t value = words_->At(j, i);
    if (value < 0)
        return std::nullopt;
    return value;
}

std::optional<std::pair<std::size_t, std::size_t>> TTriangleGrid::ParentLines(std::size_t k,
                                                                              std::size_t j)
{
    if (j == 0)
        return std::nullopt;
    return std::pair{k - 1, k + 1};
}

TCellBlock TTriangleGrid::Block(const TCellRect& rect) const
{
    return bytes_ ? BlockOf(*bytes_, rect) : BlockOf(*words_, rect);
}

template <class Value>
TCellBlock TTriangleGrid::BlockOf(const TCompactTriangle<Value>& triangle,
                                  const TCellRect& rect) const
{
    TCellBlock block;
    const std::size_t endColumn = std::min(rect.endColumn, ColumnCount());
    for (std::size_t j = rect.firstColumn; j < endColumn; ++j) {
        // Column j's values stand on lines j, j + 2, ..., LineCount() - 1 - j.
        const std::size_t first = std::max(rect.firstLine, j);
        const std::size_t end = std::min(rect.endLine, LineCount() - j);
        if (first >= end)
            continue;
        const Value* column = triangle.Column(j);
        for (std::size_t i = (first - j + 1) / 2; 2 * i + j < end; ++i)
            if (!IsBlank(column[i]))
                block.Add(column[i]);
    }
    return block;
}

void TTriangleGrid::BuildSummaries()
{
    TLevel finest;
    finest.rows = Blocks(LineCount(), SummaryBlock);
    finest.columns = Blocks(ColumnCount(), SummaryBlock);
    finest.blocks.resize(finest.rows * finest.columns);
    levels_.push_back(std::move(finest));

    // Every cell is read once here; two halves of the block columns go to
    // two threads, which write to different summaries.
    const std::size_t columns = levels_[0].columns;
    const std::size_t middle = columns / 2;
    TValueCounts helperCounts{};
    TValueCounts counts{};
    auto summarise = [this](std::size_t first, std::size_t end, TValueCounts& tally) {
        if (bytes_)
            SummariseColumns(*bytes_, first, end, tally);
        else
            SummariseColumns(*words_, first, end, tally);
    };
    std::thread helper(summarise, middle, columns, std::ref(helperCounts));
    summarise(0, middle, counts);
    helper.join();
    if (bytes_) {
        valueCounts_.assign(counts.begin(), counts.end());
        for (std::size_t v = 0; v < counts.size(); ++v)
            valueCounts_[v] += helperCounts[v];
    }
    AddCoarserLevels();
}

template <class Value>
void TTriangleGrid::SummariseColumns(const TCompactTriangle<Value>& triangle,
                                     std::size_t firstBlock, std::size_t endBlock,
                                     TValueCounts& counts)
{
    TLevel& finest = levels_[0];
    const std::size_t endColumn = std::min(endBlock * SummaryBlock, ColumnCount());
    for (std::size_t j = firstBlock * SummaryBlock; j < endColumn; ++j) {
        const Value* column = triangle.Column(j);
        const std::size_t length = ValueCount() - j;
        TCellBlock* blocks = finest.blocks.data() + j / SummaryBlock;
        // Value i stands on line 2i + j; a block row takes the values of
        // SummaryBlock consecutive lines.
        std::size_t i = 0;
        while (i < length) {
            const std::size_t blockRow = (2 * i + j) / SummaryBlock;
            const std::size_t endLine = (blockRow + 1) * SummaryBlock;
            const std::size_t end = std::min(length, (endLine - j + 1) / 2);
            TCellBlock run;
            for (; i < end; ++i) {
                if constexpr (std::is_unsigned_v<Value>)
                    ++counts[column[i]];
                if (!IsBlank(column[i]))
                    run.Add(column[i]);
            }
            blocks[blockRow * finest.columns].Merge(run);
        }
    }
}

void TTriangleGrid::AddCoarserLevels()
{
    while (levels_.back().rows > 1 || levels_.back().columns > 1) {
        const TLevel& fine = levels_.back();
        TLevel coarse;
        coarse.rows = Blocks(fine.rows, 2);
        coarse.columns = Blocks(fine.columns, 2);
        coarse.blocks.resize(coarse.rows * coarse.columns);
        for (std::size_t r = 0; r < fine.rows; ++r)
            for (std::size_t c = 0; c < fine.columns; ++c)
                coarse.blocks[r / 2 * coarse.columns + c / 2].Merge(
                    fine.blocks[r * fine.columns + c]);
        levels_.push_back(std::move(coarse));
    }
}

std::string TTriangleGrid::CsvText(const TCellRect& rect) const
{
    std::string text;
    const std::size_t endLine = std::min(rect.endLine, LineCount());
    for (std::size_t k = rect.firstLine; k < endLine; ++k) {
        const std::size_t endColumn = std::min(rect.endColumn, TriangleRowLength(k, LineCount()));
        for (std::size_t j = rect.firstColumn; j < endColumn; ++j) {
            if (const auto value = Cell(k, j))
                text += IntToStr(*value);
            text += ';';
        }
        text += '\n';
    }
    return text;
}

std::size_t TTriangleGrid::MemoryBytes() const
{
    const std::size_t n = ValueCount();
    const std::size_t cellSize = bytes_ ? 1 : sizeof(std::int32_t);
    std::size_t bytes = n * (n + 1) / 2 * cellSize + n * sizeof(std::size_t);
    for (const TLevel& level : levels_)
        bytes += level.blocks.size() * sizeof(TCellBlock);
    return bytes;
}

} // namespace quorva
