#include "triangle/csv_export_pipeline.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "model/base/worker_wait.h"
#include "model/files/direct_output.h"
#include "triangle/csv_band_renderer.h"
#include "triangle/diff_triangle.h"

namespace quorva {
namespace {

// Rendered bands that may wait for the writer: enough for the renderers to
// run ahead over a slow write, few enough to keep memory small.
constexpr std::size_t BandsInFlight = 3;

struct TBandText {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    bool ready = false; // rendered and not yet written
};

// The triangle is filled in stages of growing line counts, so that the first
// bands are rendered and on their way to the disk within milliseconds, and
// no stage fills lines more than FillLag beyond the first line not yet
// rendered, so that the triangle keeps only the values still to be rendered.
constexpr std::size_t LargestStage = 8 * ExportBandLines;
constexpr std::size_t FillLag = 2 * LargestStage;

template <class Cell> class TCsvExport {
public:
    TCsvExport(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer,
               TProgress& progress);
    void Run();

private:
    // The second thread: fills the next stage of the triangle when it may,
    // and otherwise renders bands whose lines are ready, until neither is
    // left.
    void Work() noexcept;
    bool NextWork(std::size_t& band); // false: nothing left
    void FillStage();
    std::uint64_t FillLinesBelow(std::size_t end, std::size_t previousEnd);

    // This thread: writes the bands in order, rendering bands itself while
    // the one to write next is not ready.
    void WriteBands();
    TBandText& AwaitBand(std::size_t band);
    void WaitForLines(std::size_t lines);
    void AskProgress();
    void Stop() noexcept;

    // With mutex_ held.
    bool Claim(std::size_t& band);
    bool MayFill() const;
    bool Filled() const { return stageBegin_ >= valueCount_; }
    std::size_t RenderedLines() const;

    void RenderBand(TCsvBandRenderer<Cell>& renderer, std::size_t band);
    std::size_t FirstLine(std::size_t band) const { return band * ExportBandLines; }
    std::size_t EndLine(std::size_t band) const;
    std::uint64_t BandCells(std::size_t band) const;

    TRollingTriangle<Cell> triangle_;
    TAtomicFileWriter& writer_;
    TProgress& progress_;
    const std::size_t valueCount_;
    const std::size_t lineCount_;
    const std::size_t bandCount_;
    // Progress counts the cells filled and the cells written.
    const std::uint64_t totalWork_;
    TCsvBandRenderer<Cell> ownRenderer_;
    TCsvBandRenderer<Cell> workerRenderer_;
    std::array<TBandText, BandsInFlight> texts_;
    std::uint64_t writtenCells_ = 0; // this thread's only
    bool helped_ = true;             // whether a second thread works too

    std::mutex mutex_;
    std::condition_variable changed_;
    // Guarded by mutex_; the stage's bounds change only in the one thread
    // that fills.
    std::size_t stageBegin_ = 0;             // lines below it are filled ...
    std::size_t stageEnd_ = ExportBandLines; // ... and the next stage fills those below this
    std::size_t readyLines_ = 1;             // lines whose cells are all filled
    std::uint64_t filledCells_;
    std::size_t nextBand_ = 0;
    std::size_t writtenBands_ = 0;
    std::exception_ptr failure_;
    // Set under mutex_ too, but also read while filling without it.
    std::atomic<bool> stopping_{false};
};

template <class Cell>
TCsvExport<Cell>::TCsvExport(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer,
                             TProgress& progress)
    : triangle_(values, FillLag), writer_(writer), progress_(progress), valueCount_(values.size()),
      lineCount_(2 * values.size() - 1),
      bandCount_((lineCount_ + ExportBandLines - 1) / ExportBandLines),
      totalWork_(std::uint64_t{valueCount_} * (valueCount_ + 1) / 2 +
                 std::uint64_t{valueCount_} * valueCount_),
      ownRenderer_(triangle_, ExportBandLines), workerRenderer_(triangle_, ExportBandLines),
      filledCells_(valueCount_)
{
    static_assert(ExportBandLines / 2 + 1 <= TRollingTriangle<Cell>::ContiguousValues,
                  "a band reads each column's values in one run");
    // Everything is allocated before the first byte is written, so that a
    // lack of memory shows before the work starts. Pages are touched only as
    // bands are rendered into them.
    for (TBandText& text : texts_)
        text.bytes.reset(new char[ExportBandLines * ownRenderer_.LineCapacity()]);
}

template <class Cell> void TCsvExport<Cell>::Run()
{
    std::thread worker;
    try {
        worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No second thread to be had: this one fills the stages as it needs
        // them.
        helped_ = false;
    }
    try {
        WriteBands();
    } catch (...) {
        Stop();
        if (worker.joinable())
            worker.join();
        throw;
    }
    if (worker.joinable())
        worker.join();
}

template <class Cell> void TCsvExport<Cell>::Work() noexcept
{
    try {
        std::size_t band = 0;
        while (NextWork(band)) {
            if (band == bandCount_) {
                FillStage();
                continue;
            }
            RenderBand(workerRenderer_, band);
            const std::lock_guard lock(mutex_);
            texts_[band % BandsInFlight].ready = true;
            changed_.notify_all();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        stopping_ = true;
        changed_.notify_all();
    }
}

// Sets `band` to a band to render, or to bandCount_ when the next stage is
// to be filled; waits while neither is possible.
template <class Cell> bool TCsvExport<Cell>::NextWork(std::size_t& band)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_)
            return false;
        if (!Filled() && MayFill()) {
            band = bandCount_;
            return true;
        }
        // Only bands whose lines are ready: this thread must not wait for a
        // stage that only it fills.
        if (nextBand_ < bandCount_ && EndLine(nextBand_) <= readyLines_ && Claim(band))
            return true;
        if (Filled() && nextBand_ >= bandCount_)
            return false;
        changed_.wait(lock);
    }
}

template <class Cell> void TCsvExport<Cell>::FillStage()
{
    std::size_t begin = 0;
    std::size_t end = 0;
    {
        const std::lock_guard lock(mutex_);
        begin = stageBegin_;
        end = std::min(stageEnd_, valueCount_);
    }
    const std::uint64_t cells = FillLinesBelow(end, begin);
    if (stopping_)
        return;
    const std::lock_guard lock(mutex_);
    // From the middle line on, every column is whole.
    readyLines_ = end == valueCount_ ? lineCount_ : end;
    filledCells_ += cells;
    stageBegin_ = end;
    stageEnd_ = end + std::min(end, LargestStage);
    changed_.notify_all();
}

// Line k takes value (k - j) / 2 of column j, which needs values i and i + 1
// of column j - 1. Column j up to value end - j therefore readies every line
// below `end`, and leaves column j - 1 one value ahead of column j. Only the
// even columns are filled; the odd ones count as filled with them.
template <class Cell>
std::uint64_t TCsvExport<Cell>::FillLinesBelow(std::size_t end, std::size_t previousEnd)
{
    std::uint64_t cells = 0;
    for (std::size_t j = 1; j < end && !stopping_; ++j) {
        const std::size_t begin = previousEnd > j ? previousEnd - j : 0;
        const std::size_t stop = std::min(end - j, valueCount_ - j);
        if (j % 2 == 0)
            triangle_.FillColumnPart(j, begin, stop);
        cells += stop - begin;
    }
    return cells;
}

template <class Cell> bool TCsvExport<Cell>::MayFill() const
{
    return RenderedLines() + FillLag >= std::min(stageEnd_, valueCount_);
}

// The lines below the first band not yet rendered.
template <class Cell> std::size_t TCsvExport<Cell>::RenderedLines() const
{
    std::size_t band = writtenBands_;
    while (band < nextBand_ && texts_[band % BandsInFlight].ready)
        ++band;
    return std::min(FirstLine(band), lineCount_);
}

template <class Cell> void TCsvExport<Cell>::WriteBands()
{
    for (std::size_t band = 0; band < bandCount_; ++band) {
        TBandText& text = AwaitBand(band);
        writer_.Write({text.bytes.get(), text.size}, [this] { AskProgress(); });
        writtenCells_ += BandCells(band);
        {
            const std::lock_guard lock(mutex_);
            text.ready = false;
            ++writtenBands_;
            changed_.notify_all();
        }
        AskProgress();
    }
}

template <class Cell> TBandText& TCsvExport<Cell>::AwaitBand(std::size_t band)
{
    TBandText& text = texts_[band % BandsInFlight];
    std::unique_lock lock(mutex_);
    for (;;) {
        // This thread renders a band itself whenever one is free to claim.
        std::size_t claimed = 0;
        AwaitWorker(
            lock, changed_, failure_, [&] { return text.ready || Claim(claimed); },
            [this] { AskProgress(); });
        if (text.ready)
            return text;
        lock.unlock();
        WaitForLines(EndLine(claimed));
        RenderBand(ownRenderer_, claimed);
        lock.lock();
        texts_[claimed % BandsInFlight].ready = true;
        changed_.notify_all();
    }
}

template <class Cell> void TCsvExport<Cell>::WaitForLines(std::size_t lines)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        AwaitWorker(
            lock, changed_, failure_, [&] { return readyLines_ >= lines || !helped_; },
            [this] { AskProgress(); });
        if (readyLines_ >= lines)
            return;
        // No worker: every band before this one is rendered, so the stage
        // may be filled here.
        lock.unlock();
        FillStage();
        AskProgress();
        lock.lock();
    }
}

template <class Cell> void TCsvExport<Cell>::AskProgress()
{
    std::uint64_t filledCells = 0;
    {
        const std::lock_guard lock(mutex_);
        filledCells = filledCells_;
    }
    ProceedOrCancel(progress_, filledCells + writtenCells_, totalWork_);
}

template <class Cell> void TCsvExport<Cell>::Stop() noexcept
{
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
}

template <class Cell> bool TCsvExport<Cell>::Claim(std::size_t& band)
{
    // A band's text is rendered into the place of the band BandsInFlight
    // before it, which must have been written.
    if (nextBand_ >= bandCount_ || nextBand_ >= writtenBands_ + BandsInFlight)
        return false;
    band = nextBand_++;
    return true;
}

template <class Cell>
void TCsvExport<Cell>::RenderBand(TCsvBandRenderer<Cell>& renderer, std::size_t band)
{
    TBandText& text = texts_[band % BandsInFlight];
    renderer.LoadBand(FirstLine(band));
    char* out = text.bytes.get();
    for (std::size_t k = FirstLine(band); k < EndLine(band); ++k)
        out = renderer.AppendLine(out, k);
    text.size = static_cast<std::size_t>(out - text.bytes.get());
}

template <class Cell> std::size_t TCsvExport<Cell>::EndLine(std::size_t band) const
{
    return std::min(FirstLine(band) + ExportBandLines, lineCount_);
}

template <class Cell> std::uint64_t TCsvExport<Cell>::BandCells(std::size_t band) const
{
    std::uint64_t cells = 0;
    for (std::size_t k = FirstLine(band); k < EndLine(band); ++k)
        cells += TriangleRowLength(k, lineCount_);
    return cells;
}

} // namespace

std::uint64_t ExportMemoryBytes(std::uint64_t valueCount, std::uint64_t cellSize)
{
    const std::uint64_t triangle =
        TRollingTriangle<std::uint8_t>::CellCount(valueCount, FillLag) * cellSize;
    const std::uint64_t lineCells = (valueCount + 1) / 2;
    constexpr std::uint64_t CacheLinePadding = 128;
    const std::uint64_t bandTables =
        2 * ExportBandLines * (lineCells * cellSize + CacheLinePadding);
    const std::uint64_t lineText = lineCells * MaxPairText(cellSize) + 16;
    // The writer's own buffers count too, for a file large enough to fill them.
    // Where each column's ring starts and ends, and the values themselves.
    const std::uint64_t columns = valueCount * (2 * sizeof(std::size_t) + sizeof(std::int32_t));
    return triangle + columns + bandTables + BandsInFlight * ExportBandLines * lineText +
           TDirectOutput::MemoryBytes;
}

template <class Cell>
void WriteTriangleCsv(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer,
                      TProgress& progress)
{
    TCsvExport<Cell>(values, writer, progress).Run();
}

template void WriteTriangleCsv<std::uint8_t>(const std::vector<std::int32_t>&, TAtomicFileWriter&,
                                             TProgress&);
template void WriteTriangleCsv<std::int32_t>(const std::vector<std::int32_t>&, TAtomicFileWriter&,
                                             TProgress&);

} // namespace quorva
