#include "triangle/triangle_xlsx.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <vector>

#include "model/base/error.h"
#include "model/base/figures.h"
#include "model/base/shown_name.h"
#include "model/files/atomic_file_writer.h"
#include "model/files/deferred_free.h"
#include "model/files/file_descriptor.h"
#include "model/files/file_path.h"
#include "triangle/checkpoint_triangle.h"
#include "triangle/compact_triangle.h"
#include "triangle/diff_triangle.h"
#include "triangle/xlsx_limits.h"

namespace quorva {

namespace {

// The view's scale from its darkest to its lightest shade, through the
// middle of its path at the median cell, where the view's share of cells
// puts it too: one rule for the whole range rather than a format per cell.
constexpr lxw_color_t ScaleLow = 0x52007a;
constexpr lxw_color_t ScaleMiddle = 0x00a0a8;
constexpr lxw_color_t ScaleHigh = 0xffe91a;

// How often a wait for the library asks the progress whether to go on.
constexpr auto WaitSlice = std::chrono::milliseconds(20);

[[noreturn]] void ThrowLibraryError(const std::string& fileName, lxw_error error)
{
    throw Error("The spreadsheet " + QuotedName(fileName) +
                " could not be written: " + lxw_strerror(error) + ".");
}

// An unnamed file only this process can reach, for the library to write the
// workbook into under the name /proc/self/fd/N: a crash or a kill leaves
// nothing behind. Where the folder's file system has no unnamed files, a
// private named one is unlinked at once.
TFileDescriptor OpenWorkFile(const std::string& folder)
{
    TFileDescriptor fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd.Valid())
        return fd;
    std::string name = (std::filesystem::path(folder) / ".quorva-xlsx.XXXXXX").string();
    fd = TFileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.Valid())
        throw Error("Cannot create file " + QuotedName(folder) + ". " + std::strerror(errno));
    ::unlink(name.c_str());
    return fd;
}

struct TWorkbookFree {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using TWorkbook = std::unique_ptr<lxw_workbook, TWorkbookFree>;

// The library assembles and compresses the workbook in one call that cannot
// be interrupted, for a large triangle many seconds long. It runs in a child
// process, which Cancel can stop at once; the workbook's work files are
// shared with it, and the parent only waits.
class TClosingChild {
public:
    explicit TClosingChild(lxw_workbook* workbook);
    ~TClosingChild();
    TClosingChild(const TClosingChild&) = delete;
    TClosingChild& operator=(const TClosingChild&) = delete;
    // The library's result, once the child has ended; nothing while it runs.
    std::optional<lxw_error> Result();

private:
    pid_t pid_;
};

TClosingChild::TClosingChild(lxw_workbook* workbook)
{
    ReapKilledChildren();
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0)
        throw Error(std::string("The spreadsheet cannot be assembled: ") + std::strerror(errno));
    if (pid_ == 0) {
        // Nothing to assemble for once the parent has gone.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(LXW_ERROR_MEMORY_MALLOC_FAILED);
        ::_exit(workbook_close(workbook));
    }
}

TClosingChild::~TClosingChild()
{
    // A child stopped halfway frees its own copy of a sheet as it ends,
    // which Cancel does not wait for.
    if (pid_ > 0)
        KillAndReapLater(pid_);
}

std::optional<lxw_error> TClosingChild::Result()
{
    int status = 0;
    const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR))
        return std::nullopt;
    pid_ = 0;
    if (ended < 0 || !WIFEXITED(status))
        return LXW_ERROR_ZIP_FILE_OPERATION;
    return static_cast<lxw_error>(WEXITSTATUS(status));
}

template <class Cell> class TXlsxExport {
public:
    TXlsxExport(const std::vector<std::int32_t>& values, const std::string& fileName,
                TProgress& progress);
    ~TXlsxExport();
    TXlsxExport(const TXlsxExport&) = delete;
    TXlsxExport& operator=(const TXlsxExport&) = delete;
    void Run(TAtomicFileWriter& writer);

private:
    void AddSheets();
    void WriteLines();
    void WriteLine(std::size_t k);
    void CheckWorkFiles() const;
    void CloseWorkbook();
    void CheckArchiveEnd() const;
    void CopyInto(TAtomicFileWriter& writer);
    void Report(std::uint64_t done) { ProceedOrCancel(progress_, done, totalWork_); }
    std::vector<int> WorkFiles() const;
    void FreeWorkbook();

    // Outlives the work files below, so that their blocks are freed by
    // another process once this one has closed them.
    std::optional<TDeferredFree> freeing_;
    const std::string& fileName_;
    TProgress& progress_;
    const std::size_t valueCount_;
    const std::size_t lineCount_;
    // Progress: the cells, once for writing them and once for assembling.
    const std::uint64_t cellCount_;
    const std::uint64_t totalWork_;
    std::uint64_t writtenCells_ = 0;
    // Made after the checks above, which are quick, and before the
    // workbook, so that Cancel while it is made leaves no work file.
    TCheckpointTriangle<Cell> triangle_;
    std::vector<Cell> line_;
    TFileDescriptor workFile_;
    std::string workFolder_;
    TWorkbook workbook_;
    std::vector<lxw_worksheet*> sheets_;
};

template <class Cell>
TXlsxExport<Cell>::TXlsxExport(const std::vector<std::int32_t>& values, const std::string& fileName,
                               TProgress& progress)
    : fileName_(fileName), progress_(progress), valueCount_(values.size()),
      lineCount_(2 * values.size() - 1), cellCount_(std::uint64_t{valueCount_} * valueCount_),
      totalWork_(2 * cellCount_),
      triangle_(values, KeptColumnBytes / sizeof(Cell), [this] { Report(0); }),
      workFile_(OpenWorkFile(XlsxWorkFolder(fileName))), workFolder_(XlsxWorkFolder(fileName))
{
    const std::string path = "/proc/self/fd/" + std::to_string(workFile_.Get());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = workFolder_.data();
    // Past 4 GB a part of the archive needs the larger headers.
    options.use_zip64 = cellCount_ > (std::uint64_t{1} << 27) ? LXW_TRUE : LXW_FALSE;
    workbook_.reset(workbook_new_opt(path.c_str(), &options));
    if (!workbook_)
        throw std::bad_alloc();
    AddSheets();
}

template <class Cell> TXlsxExport<Cell>::~TXlsxExport()
{
    freeing_.emplace(WorkFiles());
    FreeWorkbook();
}

// The library closes a sheet's work file only when it assembles the sheet,
// which happens in the child: here each would stay open, and its gigabytes
// taken, for as long as the program runs.
template <class Cell> void TXlsxExport<Cell>::FreeWorkbook()
{
    if (!workbook_)
        return;
    for (lxw_worksheet* sheet : sheets_)
        if (sheet->optimize_tmpfile) {
            std::fclose(sheet->optimize_tmpfile);
            sheet->optimize_tmpfile = nullptr;
            sheet->file = nullptr;
        }
    workbook_.reset();
}

// The sheets' work files while the workbook is open, and the archive.
template <class Cell> std::vector<int> TXlsxExport<Cell>::WorkFiles() const
{
    std::vector<int> fds{workFile_.Get()};
    if (workbook_)
        for (lxw_worksheet* sheet : sheets_)
            if (sheet->optimize_tmpfile)
                fds.push_back(::fileno(sheet->optimize_tmpfile));
    return fds;
}

template <class Cell> void TXlsxExport<Cell>::AddSheets()
{
    const std::size_t sheetCount = (valueCount_ + SheetColumns - 1) / SheetColumns;
    for (std::size_t s = 0; s < sheetCount; ++s) {
        const std::size_t first = s * SheetColumns;
        const std::size_t last = std::min(first + SheetColumns, valueCount_);
        const std::string name = SheetName(first + 1, last);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook_.get(), name.c_str());
        if (!sheet)
            ThrowLibraryError(fileName_, LXW_ERROR_CREATING_TMPFILE);
        lxw_conditional_format scale{};
        scale.type = LXW_CONDITIONAL_3_COLOR_SCALE;
        scale.min_color = ScaleLow;
        scale.mid_rule_type = LXW_CONDITIONAL_RULE_TYPE_PERCENTILE;
        scale.mid_value = 50;
        scale.mid_color = ScaleMiddle;
        scale.max_color = ScaleHigh;
        const lxw_error error =
            worksheet_conditional_format_range(sheet, 0, 0, static_cast<lxw_row_t>(lineCount_ - 1),
                                               static_cast<lxw_col_t>(last - first - 1), &scale);
        if (error != LXW_NO_ERROR)
            ThrowLibraryError(fileName_, error);
        sheets_.push_back(sheet);
    }
}

template <class Cell> void TXlsxExport<Cell>::Run(TAtomicFileWriter& writer)
{
    WriteLines();
    CheckWorkFiles();
    CloseWorkbook();
    CheckArchiveEnd();
    CopyInto(writer);
}

// The library writes its work files without looking at what the system
// says: a full disk would leave a sheet short and the workbook complete.
template <class Cell> void TXlsxExport<Cell>::CheckWorkFiles() const
{
    for (lxw_worksheet* sheet : sheets_) {
        std::FILE* file = sheet->optimize_tmpfile;
        if (file && (std::fflush(file) != 0 || std::ferror(file)))
            throw Error("Stream write error. The spreadsheet's work files in " +
                        QuotedName(workFolder_) +
                        " took no more: the disk is full, or a file grew past its limit.");
    }
}

// An archive whose writing stopped short has no directory at its end.
template <class Cell> void TXlsxExport<Cell>::CheckArchiveEnd() const
{
    constexpr std::size_t EndRecord = 22;
    char end[EndRecord] = {};
    struct stat status {};
    if (::fstat(workFile_.Get(), &status) != 0 || std::size_t(status.st_size) < EndRecord ||
        ::pread(workFile_.Get(), end, EndRecord, status.st_size - off_t(EndRecord)) !=
            ssize_t(EndRecord) ||
        std::memcmp(end, "PK\x05\x06", 4) != 0)
        ThrowLibraryError(fileName_, LXW_ERROR_ZIP_FILE_OPERATION);
}

template <class Cell> void TXlsxExport<Cell>::WriteLines()
{
    for (std::size_t k = 0; k < lineCount_; ++k) {
        WriteLine(k);
        writtenCells_ += TriangleRowLength(k, lineCount_);
        Report(writtenCells_);
    }
}

// Line k holds cell j where j and k have the same parity and j is at most
// the line's own end.
template <class Cell> void TXlsxExport<Cell>::WriteLine(std::size_t k)
{
    triangle_.ReadLine(k, line_);
    for (std::size_t c = 0; c < line_.size(); ++c) {
        const Cell cell = line_[c];
        if (IsBlank(cell))
            continue;
        const std::size_t j = 2 * c + k % 2;
        lxw_worksheet* sheet = sheets_[j / SheetColumns];
        const lxw_error error =
            worksheet_write_number(sheet, static_cast<lxw_row_t>(k),
                                   static_cast<lxw_col_t>(j % SheetColumns), double(cell), nullptr);
        if (error != LXW_NO_ERROR)
            ThrowLibraryError(fileName_, error);
    }
}

template <class Cell> void TXlsxExport<Cell>::CloseWorkbook()
{
    std::optional<lxw_error> result;
    {
        TClosingChild child(workbook_.get());
        // Assembling the archive takes about as long as writing the cells;
        // its length shows how far it has got, against the deflated size of
        // a cell's text.
        constexpr std::uint64_t DeflatedBytesPerCell = 2;
        const std::uint64_t expected =
            std::max<std::uint64_t>(cellCount_ * DeflatedBytesPerCell, 1);
        while (!(result = child.Result())) {
            std::this_thread::sleep_for(WaitSlice);
            struct stat status {};
            const std::uint64_t size =
                ::fstat(workFile_.Get(), &status) == 0 ? std::uint64_t(status.st_size) : 0;
            Report(cellCount_ + std::min(size, expected - 1) * cellCount_ / expected);
        }
    }
    // The work files of the sheets go now, before the workbook is copied.
    {
        const TDeferredFree freeing(WorkFiles());
        FreeWorkbook();
    }
    if (*result != LXW_NO_ERROR)
        ThrowLibraryError(fileName_, *result);
}

template <class Cell> void TXlsxExport<Cell>::CopyInto(TAtomicFileWriter& writer)
{
    constexpr std::size_t Piece = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[Piece]);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(workFile_.Get(), buffer.get(), Piece, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Error("The spreadsheet cannot be read back: " +
                        std::string(std::strerror(errno)));
        if (got == 0)
            break;
        writer.Write({buffer.get(), std::size_t(got)}, [this] { Report(totalWork_ - 1); });
        offset += got;
        Report(totalWork_ - 1);
    }
    Report(totalWork_);
}

} // namespace

void ExportTriangleXlsx(const TRowTable& rows, int column, const std::string& fileName,
                        TProgress& progress, const TSystemResources& system)
{
    TExportPlan plan(rows, column, TExportFormat::Xlsx, system);
    plan.SetTarget(fileName);
    ExportPlannedXlsx(plan, progress);
}

void ExportPlannedXlsx(const TExportPlan& plan, TProgress& progress)
{
    const std::string& fileName = plan.FileName();
    try {
        TAtomicFileWriter writer(fileName, progress);
        if (plan.ByteCells())
            TXlsxExport<std::uint8_t>(plan.Values(), fileName, progress).Run(writer);
        else
            TXlsxExport<std::int32_t>(plan.Values(), fileName, progress).Run(writer);
        writer.Commit();
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory to export the triangle.");
    }
}

} // namespace quorva
