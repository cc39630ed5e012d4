#include "triangle/triangle_grid.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <type_traits>

#include "model/base/worker_wait.h"
#include "triangle/csv_band_renderer.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

std::size_t Blocks(std::size_t cells, std::size_t blockSize)
{
    return (cells + blockSize - 1) / blockSize;
}

} // namespace

// Computes a grid's cells and summaries. A second thread computes the columns
// one after another, each from the one before, and then summarises the right
// half of the block columns; this thread summarises the left half as soon as
// their columns are there, and asks the progress whenever it has finished a
// block column or waited a while. Cancel, or a failure on either thread,
// stops the other, and the second thread is joined however Run() ends.
class TTriangleGrid::TBuild {
public:
    TBuild(TTriangleGrid& grid, TProgress& progress)
        : grid_(grid), progress_(progress), n_(grid.ValueCount()),
          blockColumns_(grid.levels_[0].columns), middle_(blockColumns_ / 2),
          totalWork_(2 * (std::uint64_t{n_} * (n_ + 1) / 2)), filledCells_(n_)
    {
    }

    void Run()
    {
        std::jthread worker;
        try {
            worker = std::jthread([this](std::stop_token stop) { Work(stop); });
        } catch (const std::system_error&) {
            // No second thread to be had: this one computes everything.
            FillColumns({}, true);
            SummariseHere(0, blockColumns_, counts_);
            MergeCounts();
            return;
        }
        SummariseHere(0, middle_, counts_);
        WaitUntil([this] { return workDone_; });
        AskProgress();
        MergeCounts();
    }

private:
    void Work(std::stop_token stop) noexcept
    {
        try {
            FillColumns(stop, false);
            for (std::size_t b = middle_; b < blockColumns_ && !stop.stop_requested(); ++b)
                Summarise(b, helperCounts_);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        const std::lock_guard lock(mutex_);
        workDone_ = true;
        changed_.notify_all();
    }

    void FillColumns(const std::stop_token& stop, bool askProgress)
    {
        for (std::size_t j = 1; j < n_ && !stop.stop_requested(); ++j) {
            grid_.FillColumn(j);
            {
                const std::lock_guard lock(mutex_);
                filledColumns_ = j + 1;
                filledCells_ += n_ - j;
                changed_.notify_all();
            }
            if (askProgress)
                AskProgress();
        }
    }

    void SummariseHere(std::size_t first, std::size_t end, TValueCounts& counts)
    {
        for (std::size_t b = first; b < end; ++b) {
            const std::size_t needed = std::min((b + 1) * SummaryBlock, n_);
            WaitUntil([this, needed] { return filledColumns_ >= needed; });
            Summarise(b, counts);
            AskProgress();
        }
    }

    void Summarise(std::size_t block, TValueCounts& counts)
    {
        grid_.SummariseBlockColumn(block, counts);
        std::uint64_t cells = 0;
        for (std::size_t j = block * SummaryBlock; j < std::min((block + 1) * SummaryBlock, n_);
             ++j)
            cells += n_ - j;
        const std::lock_guard lock(mutex_);
        summarisedCells_ += cells;
    }

    template <class Condition> void WaitUntil(Condition condition)
    {
        std::unique_lock lock(mutex_);
        AwaitWorker(lock, changed_, failure_, condition, [this] { AskProgress(); });
    }

    void AskProgress()
    {
        std::uint64_t done = 0;
        {
            const std::lock_guard lock(mutex_);
            done = filledCells_ + summarisedCells_;
        }
        ProceedOrCancel(progress_, done, totalWork_);
    }

    void MergeCounts()
    {
        if (!grid_.bytes_)
            return;
        grid_.valueCounts_.assign(counts_.begin(), counts_.end());
        for (std::size_t v = 0; v < counts_.size(); ++v)
            grid_.valueCounts_[v] += helperCounts_[v];
    }

    TTriangleGrid& grid_;
    TProgress& progress_;
    const std::size_t n_;
    const std::size_t blockColumns_;
    const std::size_t middle_;
    // Progress counts the cells filled and the cells summarised.
    const std::uint64_t totalWork_;
    TValueCounts counts_{};       // this thread's
    TValueCounts helperCounts_{}; // the second thread's

    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_.
    std::size_t filledColumns_ = 1;
    std::uint64_t filledCells_;
    std::uint64_t summarisedCells_ = 0;
    bool workDone_ = false;
    std::exception_ptr failure_;
};

void TCellStatistics::Merge(const TCellStatistics& other)
{
    count += other.count;
    sum += other.sum;
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

TTriangleGrid::TTriangleGrid(const TRowTable& rows, int column, TProgress& progress)
    : valueCount_(rows.size())
{
    CheckTriangleInput(rows, column);
    const std::vector<std::int32_t> values = ColumnValues(rows, column);
    // Everything is allocated before the work starts, so that a lack of
    // memory shows at once.
    if (FitsByteCells(values))
        bytes_ = std::make_unique<TCompactTriangle<std::uint8_t>>(
            values, TCompactTriangle<std::uint8_t>::TSeedOnly{});
    else
        words_ = std::make_unique<TCompactTriangle<std::int32_t>>(
            values, TCompactTriangle<std::int32_t>::TSeedOnly{});
    TLevel finest;
    finest.rows = Blocks(LineCount(), SummaryBlock);
    finest.columns = Blocks(ColumnCount(), SummaryBlock);
    finest.blocks.resize(finest.rows * finest.columns);
    levels_.push_back(std::move(finest));
    TBuild(*this, progress).Run();
    AddCoarserLevels();
}

void TTriangleGrid::FillColumn(std::size_t j)
{
    if (bytes_)
        bytes_->FillColumn(j);
    else
        words_->FillColumn(j);
}

void TTriangleGrid::SummariseBlockColumn(std::size_t block, TValueCounts& counts)
{
    if (bytes_)
        SummariseColumns(*bytes_, block, block + 1, counts);
    else
        SummariseColumns(*words_, block, block + 1, counts);
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
    if (IsBlank(value))
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

TCellStatistics TTriangleGrid::Neighbours(std::size_t k, std::size_t j) const
{
    TCellStatistics block;
    auto add = [&](std::size_t line, std::size_t column) {
        if (const auto value = Cell(line, column))
            block.Add(*value);
    };
    // Unsigned wrap-around takes line or column -1 off the triangle.
    add(k - 1, j);
    add(k + 1, j);
    add(k, j - 1);
    add(k, j + 1);
    return block;
}

TCellStatistics TTriangleGrid::Block(const TCellRect& rect) const
{
    return bytes_ ? BlockOf(*bytes_, rect) : BlockOf(*words_, rect);
}

template <class Value>
TCellStatistics TTriangleGrid::BlockOf(const TCompactTriangle<Value>& triangle,
                                       const TCellRect& rect) const
{
    TCellStatistics block;
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
        TCellStatistics* blocks = finest.blocks.data() + j / SummaryBlock;
        // Value i stands on line 2i + j; a block row takes the values of
        // SummaryBlock consecutive lines.
        std::size_t i = 0;
        while (i < length) {
            const std::size_t blockRow = (2 * i + j) / SummaryBlock;
            const std::size_t endLine = (blockRow + 1) * SummaryBlock;
            const std::size_t end = std::min(length, (endLine - j + 1) / 2);
            TCellStatistics run;
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

std::string TTriangleGrid::CsvText(const TCellRect& rect, TProgress& progress) const
{
    std::string text;
    text.reserve(CsvTextBound(rect));
    const std::size_t endLine = std::min(rect.endLine, LineCount());
    for (std::size_t k = rect.firstLine; k < endLine; ++k) {
        const std::size_t endColumn = std::min(rect.endColumn, TriangleRowLength(k, LineCount()));
        for (std::size_t j = rect.firstColumn; j < endColumn; ++j) {
            char field[12];
            text.append(field, AppendCsvField(field, Cell(k, j).value_or(BlankCellValue)));
        }
        text += '\n';
        ProceedOrCancel(progress, k + 1 - rect.firstLine, endLine - rect.firstLine);
    }
    return text;
}

std::uint64_t TTriangleGrid::CsvTextBound(const TCellRect& rect) const
{
    // Every line: a value and a blank for each two columns, and a line feed.
    const std::uint64_t lines =
        std::min(rect.endLine, LineCount()) - std::min(rect.firstLine, LineCount());
    const std::uint64_t columns =
        std::min(rect.endColumn, ColumnCount()) - std::min(rect.firstColumn, ColumnCount());
    const std::uint64_t pairText = MaxPairText(bytes_ ? 1 : sizeof(std::int32_t));
    return lines * ((columns + 1) / 2 * pairText + 1);
}

std::uint64_t TTriangleGrid::SummaryBytes(std::uint64_t valueCount)
{
    // The finest level's blocks, then a level of a quarter as many (rounded
    // up each way) until one block covers the triangle.
    if (valueCount == 0)
        return 0;
    std::uint64_t rows = Blocks(2 * valueCount - 1, SummaryBlock);
    std::uint64_t columns = Blocks(valueCount, SummaryBlock);
    std::uint64_t blocks = rows * columns;
    while (rows > 1 || columns > 1) {
        rows = Blocks(rows, 2);
        columns = Blocks(columns, 2);
        blocks += rows * columns;
    }
    return blocks * sizeof(TCellStatistics);
}

} // namespace quorva
