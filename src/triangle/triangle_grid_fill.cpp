#include "triangle/triangle_grid.h"

#include <algorithm>
#include <thread>

#include "model/base/worker_wait.h"

#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
#define QUORVA_BYTE_VECTORS 1
#include <immintrin.h>
#endif

// Filling the grid: tiles of a block column on two threads, each block
// column summed up as it is computed and made ready in order.

namespace quorva {

namespace {

// The statistics of cells of which counts[v] hold each value v.
TCellStatistics CountedStatistics(const std::array<std::uint64_t, 256>& counts)
{
    TCellStatistics whole;
    for (std::size_t v = 0; v < counts.size(); ++v) {
        if (counts[v] == 0)
            continue;
        const auto value = static_cast<std::int32_t>(v);
        whole.count += counts[v];
        whole.sum += static_cast<std::int64_t>(counts[v]) * value;
        whole.min = std::min(whole.min, value);
        whole.max = std::max(whole.max, value);
    }
    return whole;
}

} // namespace

// The sums, counts and zeros by block row of the block column a filling
// thread works on, its cells' statistics (of the 32-bit form) and counts of
// each value (of the one-byte form, four tallies so that a run of equal
// values does not wait on its own count), and a tile's column while it is
// worked out.
struct TTriangleGrid::TBlockSums {
    TBlockSums(std::size_t rows, bool bytes)
        : sums(bytes ? 0 : rows), smallSums(bytes ? rows : 0), counts(rows), zeros(rows),
          workBytes(bytes ? WorkCells : 0), workWords(bytes ? 0 : WorkCells)
    {
    }

    // Ready for the next block column, whose first line is on block row
    // `firstRow`: the rows before the last one's first were never added to.
    void Clear(std::size_t firstRow)
    {
        auto clear = [this](auto& row) {
            std::fill(row.begin() + std::ptrdiff_t(std::min(touched, row.size())), row.end(), 0);
        };
        clear(sums);
        clear(smallSums);
        clear(counts);
        clear(zeros);
        whole = {};
        tallies = {};
        touched = firstRow;
    }

    std::vector<std::int64_t> sums;
    std::vector<std::uint32_t> smallSums;
    std::vector<std::uint32_t> counts;
    std::vector<std::uint32_t> zeros;
    TCellStatistics whole;
    std::array<std::array<std::uint32_t, 256>, 4> tallies{};
    // A tile's values of one column after another, a few more than a tile.
    static constexpr std::size_t WorkCells =
        TileValues + 2 * SummaryBlock + TKeptColumns<std::uint8_t>::MaxSpacing;
    std::vector<std::uint8_t> workBytes;
    std::vector<std::int32_t> workWords;
    // The first row added to since the rows were last all zero.
    std::size_t touched = SIZE_MAX;
};

namespace {

// Adds `length` one-byte values of column j, the first of them value
// `first`, to the sums of their block rows: value i stands on line 2i + j,
// so each block row takes four values in a row, starting where
// (i + j / 2) % 4 == 0.
template <class Sums>
void AddBytes(Sums& sums, std::size_t j, std::size_t first, const std::uint8_t* values,
              std::size_t length)
{
    constexpr std::size_t Block = TTriangleGrid::SummaryBlock;
    std::size_t t = 0;
    auto addOne = [&](std::size_t upTo) {
        for (; t < upTo; ++t) {
            const std::size_t row = (2 * (first + t) + j) / Block;
            sums.smallSums[row] += values[t];
            ++sums.counts[row];
            sums.zeros[row] += values[t] == 0;
        }
    };
    addOne(std::min(length, (4 - (first + j / 2) % 4) % 4));
#ifdef QUORVA_BYTE_VECTORS
    // Sixteen values are four block rows: the sums of each four bytes, and
    // of their zeros, land as four 32-bit lanes on the rows' running sums.
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstHalves = _mm_set_epi32(0, -1, 0, -1);
    const __m128i ones = _mm_set1_epi8(1);
    const __m128i fours = _mm_set1_epi32(4);
    auto groupSums = [&](__m128i bytes) {
        const __m128i even = _mm_sad_epu8(_mm_and_si128(bytes, firstHalves), zero);
        const __m128i odd = _mm_sad_epu8(_mm_srli_epi64(bytes, 32), zero);
        return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
    };
    auto addTo = [](std::uint32_t* at, __m128i lanes) {
        auto* vector = reinterpret_cast<__m128i*>(at);
        _mm_storeu_si128(vector, _mm_add_epi32(_mm_loadu_si128(vector), lanes));
    };
    for (; t + 16 <= length; t += 16) {
        const std::size_t row = (2 * (first + t) + j) / Block;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + t));
        addTo(&sums.smallSums[row], groupSums(bytes));
        addTo(&sums.zeros[row], groupSums(_mm_and_si128(_mm_cmpeq_epi8(bytes, zero), ones)));
        addTo(&sums.counts[row], fours);
    }
#endif
    addOne(length);
    auto& tallies = sums.tallies;
    t = 0;
    for (; t + 4 <= length; t += 4) {
        ++tallies[0][values[t]];
        ++tallies[1][values[t + 1]];
        ++tallies[2][values[t + 2]];
        ++tallies[3][values[t + 3]];
    }
    for (; t < length; ++t)
        ++tallies[0][values[t]];
}

// The same for 32-bit values, of which the negative ones are blank.
template <class Sums>
void AddWords(Sums& sums, std::size_t j, std::size_t first, const std::int32_t* values,
              std::size_t length)
{
    for (std::size_t t = 0; t < length; ++t) {
        const std::int32_t value = values[t];
        if (IsBlank(value))
            continue;
        const std::size_t row = (2 * (first + t) + j) / TTriangleGrid::SummaryBlock;
        sums.sums[row] += value;
        ++sums.counts[row];
        sums.zeros[row] += value == 0;
        sums.whole.Add(value);
    }
}

template <class Sums>
void AddValues(Sums& sums, std::size_t j, std::size_t first, const std::uint8_t* values,
               std::size_t length)
{
    AddBytes(sums, j, first, values, length);
}

template <class Sums>
void AddValues(Sums& sums, std::size_t j, std::size_t first, const std::int32_t* values,
               std::size_t length)
{
    AddWords(sums, j, first, values, length);
}

} // namespace

// One Fill's threads: thread w of `threads` fills block columns first + w,
// first + w + threads, ..., each tile by tile from its last values up. A
// tile needs the tiles of the block column before it from its own down, so
// a thread waits, when it must, for the other to pass its tile; and each
// block column is made ready in order.
class TTriangleGrid::TFillRun {
public:
    TFillRun(TTriangleGrid& grid, std::size_t firstBlock, std::size_t endBlock, unsigned threads)
        : grid_(grid), firstBlock_(firstBlock), endBlock_(endBlock), threads_(threads),
          tilesDone_(new std::atomic<std::size_t>[endBlock - firstBlock]())
    {
        for (unsigned w = 0; w < threads; ++w)
            sums_.emplace_back(grid.summaries_.Rows(0), grid.bytes_ != nullptr);
    }

    // Thread w's Work for a thread of its own: what it raises stops the run
    // and is kept for Rethrow.
    void Help(unsigned w) noexcept
    {
        try {
            Work(w, nullptr);
        } catch (...) {
            {
                const std::lock_guard lock(mutex_);
                failure_ = std::current_exception();
            }
            Stop();
        }
    }

    // Raises what a helper raised, once all have ended.
    void Rethrow() const
    {
        if (failure_)
            std::rethrow_exception(failure_);
    }

    // Fills thread w's block columns. Only thread 0 asks `progress` (at
    // least every ProgressInterval while it waits); the others have none.
    // Returns early, once Stop is called, with false.
    bool Work(unsigned w, TProgress* progress)
    {
        const std::uint64_t total = grid_.CellsBefore(grid_.ColumnCount());
        TBlockSums& sums = sums_[w];
        for (std::size_t block = firstBlock_ + w; block < endBlock_; block += threads_) {
            sums.Clear(block);
            const std::size_t tiles = Tiles(block);
            for (std::size_t tile = tiles; tile-- > 0;) {
                if (!AwaitTile(block, tile, progress))
                    return false;
                grid_.FillTile(sums, block, tile * TileValues, (tile + 1) * TileValues);
                Done(block);
            }
            if (!AwaitReady(block, progress))
                return false;
            grid_.PublishBlock(block, sums);
            Done(block);
            if (progress)
                ProceedOrCancel(*progress, grid_.CellsBefore(grid_.ReadyColumns()), total);
        }
        return true;
    }

    // Makes every thread's Work return at its next wait or tile.
    void Stop()
    {
        stopped_ = true;
        const std::lock_guard lock(mutex_);
        changed_.notify_all();
    }

private:
    // Tiles of the block column: enough for its first column's values.
    std::size_t Tiles(std::size_t block) const
    {
        const std::size_t values = grid_.ValueCount() - block * SummaryBlock;
        return (values + TileValues - 1) / TileValues;
    }

    // Waits until the block column before has filled its tiles from `tile`
    // down, those this tile reads.
    bool AwaitTile(std::size_t block, std::size_t tile, TProgress* progress)
    {
        if (block == firstBlock_)
            return !Stopped();
        const std::size_t before = block - 1 - firstBlock_;
        const std::size_t needed = Tiles(block - 1) - tile;
        return Await([&] { return tilesDone_[before] >= needed; }, progress);
    }

    // Waits until the block columns before are ready.
    bool AwaitReady(std::size_t block, TProgress* progress)
    {
        return Await([&] { return grid_.ReadyColumns() >= block * SummaryBlock; }, progress);
    }

    // Looks a while before it sleeps: the other thread is most often a
    // moment from done, and waking a sleeper takes longer than a tile.
    template <class Ready> bool Await(Ready ready, TProgress* progress)
    {
        for (int look = 0; look < SpinLooks; ++look) {
            if (stopped_ || ready())
                return !stopped_;
#ifdef QUORVA_BYTE_VECTORS
            _mm_pause();
#endif
        }
        std::unique_lock lock(mutex_);
        ++waiting_;
        while (!stopped_ && !ready()) {
            if (changed_.wait_for(lock, ProgressInterval) == std::cv_status::timeout && progress) {
                lock.unlock();
                try {
                    ProceedOrCancel(*progress, grid_.CellsBefore(grid_.ReadyColumns()),
                                    grid_.CellsBefore(grid_.ColumnCount()));
                } catch (...) {
                    lock.lock();
                    --waiting_;
                    throw;
                }
                lock.lock();
            }
        }
        --waiting_;
        return !stopped_;
    }

    bool Stopped() const
    {
        return stopped_;
    }

    // One more tile (or the making ready) of the block column is done. A
    // sleeper counts itself in before it looks last, so it either sees this
    // or is woken.
    void Done(std::size_t block)
    {
        ++tilesDone_[block - firstBlock_];
        if (waiting_ > 0) {
            const std::lock_guard lock(mutex_);
            changed_.notify_all();
        }
    }

    static constexpr int SpinLooks = 256;

    TTriangleGrid& grid_;
    std::size_t firstBlock_;
    std::size_t endBlock_;
    unsigned threads_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::unique_ptr<std::atomic<std::size_t>[]> tilesDone_;
    std::atomic<unsigned> waiting_ = 0;
    std::atomic<bool> stopped_ = false;
    // Guarded by mutex_.
    std::exception_ptr failure_;
    std::vector<TBlockSums> sums_;
};

void TTriangleGrid::Fill(TProgress& progress, std::size_t endColumn, unsigned threads)
{
    const std::size_t end = std::min(endColumn, ColumnCount());
    if (ReadyColumns() >= end)
        return;
    const std::size_t firstBlock = ReadyColumns() / SummaryBlock;
    const std::size_t endBlock = (end + SummaryBlock - 1) / SummaryBlock;
    if (threads == 0)
        threads = std::max(1u, std::min(FillThreads, std::thread::hardware_concurrency()));
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, endBlock - firstBlock));
    TFillRun run(*this, firstBlock, endBlock, threads);
    // The helpers end before the run goes, whichever way this one leaves:
    // stopped when it raises, run out when it is through.
    struct THelpers {
        TFillRun& run;
        std::vector<std::jthread> threads;
        void Join(bool stop)
        {
            if (stop)
                run.Stop();
            for (std::jthread& helper : threads)
                if (helper.joinable())
                    helper.join();
        }
        ~THelpers() { Join(true); }
    } helpers{run, {}};
    for (unsigned w = 1; w < threads; ++w)
        helpers.threads.emplace_back([&run, w] { run.Help(w); });
    const bool whole = run.Work(0, &progress);
    helpers.Join(!whole);
    run.Rethrow();
    // The last block column may have been another thread's.
    if (threads > 1)
        ProceedOrCancel(progress, CellsBefore(ReadyColumns()), CellsBefore(ColumnCount()));
}

template <class Value>
void TTriangleGrid::FillTile(TKeptColumns<Value>& triangle, TBlockSums& sums, std::size_t block,
                             std::size_t begin, std::size_t end)
{
    Value* work = nullptr;
    if constexpr (sizeof(Value) == 1)
        work = sums.workBytes.data();
    else
        work = sums.workWords.data();
    const std::size_t first = block * SummaryBlock;
    triangle.FillColumns(first, std::min(first + SummaryBlock, ColumnCount()), begin, end, work,
                         [&](std::size_t j, const Value* values, std::size_t count) {
                             AddValues(sums, j, begin, values, count);
                         });
}

void TTriangleGrid::FillTile(TBlockSums& sums, std::size_t block, std::size_t begin,
                             std::size_t end)
{
    if (bytes_)
        FillTile(*bytes_, sums, block, begin, end);
    else
        FillTile(*words_, sums, block, begin, end);
}

void TTriangleGrid::PublishBlock(std::size_t block, TBlockSums& sums)
{
    if (bytes_)
        summaries_.SetColumn(block, sums.smallSums.data(), sums.counts.data(), sums.zeros.data());
    else
        summaries_.SetColumn(block, sums.sums.data(), sums.counts.data(), sums.zeros.data());
    {
        const std::lock_guard lock(mutex_);
        readyWhole_.Merge(sums.whole);
        for (std::size_t v = 0; v < 256; ++v)
            readyCounts_[v] += std::uint64_t{sums.tallies[0][v]} + sums.tallies[1][v] +
                               sums.tallies[2][v] + sums.tallies[3][v];
        if (bytes_)
            readyWhole_ = CountedStatistics(readyCounts_);
        ready_.store(std::min((block + 1) * SummaryBlock, ColumnCount()),
                     std::memory_order_release);
    }
    readied_.notify_all();
}

std::uint64_t TTriangleGrid::MemoryNeeded(std::uint64_t valueCount, std::uint64_t cellBytes)
{
    if (valueCount == 0)
        return 0;
    // The kept cells, where each kept column starts, the values while the
    // grid is made, the summaries, and each filling thread's block sums and
    // tile's column, with what tiles each block column has done.
    const std::uint64_t blockRows = (2 * valueCount - 1 + SummaryBlock - 1) / SummaryBlock;
    const std::uint64_t blockColumns = (valueCount + SummaryBlock - 1) / SummaryBlock;
    const std::uint64_t sumBytes = cellBytes == 1 ? sizeof(std::uint32_t) : sizeof(std::int64_t);
    const std::uint64_t perThread =
        blockRows * (sumBytes + 2 * sizeof(std::uint32_t)) + TBlockSums::WorkCells * cellBytes;
    const std::size_t spacing = KeptSpacing(cellBytes);
    return TKeptColumns<std::uint8_t>::KeptCells(valueCount, spacing) * cellBytes +
           (valueCount + spacing - 1) / spacing * sizeof(std::size_t) +
           valueCount * sizeof(std::int32_t) +
           TSummaryPyramid::Bytes(2 * valueCount - 1, valueCount, cellBytes == 1) +
           FillThreads * perThread + blockColumns * sizeof(std::size_t);
}

} // namespace quorva
