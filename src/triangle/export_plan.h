#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/base/system_resources.h"
#include "model/rows/row_table.h"

namespace quorva {

// The two forms a triangle is exported in.
enum class TExportFormat { Csv, Xlsx };

// One export of one column's triangle, worked out once: the column's values,
// its cells' size, the memory and disk it needs and its target, each checked
// once before anything is written. The writers (ExportPlannedCsv,
// ExportPlannedXlsx) take it as it is and check nothing again.
class TExportPlan {
public:
    // Gathers the column's values; checks nothing yet. A column outside the
    // rows gathers none, and is refused when the target is set.
    TExportPlan(const TRowTable& rows, int column, TExportFormat format,
                const TSystemResources& system = SystemResources());

    // Raises Error, with the figures, when the export would run out of
    // memory (the triangle and the export's own buffers), before a target is
    // known. An empty table passes. Checked once: SetTarget does not ask
    // again.
    void CheckMemory();

    // Sets the target and checks it, in this order: one of the program's own
    // files (IsInStateFolder), "Range check error" (CheckTriangleInput), a
    // workbook's lines (CheckSheetLines), the memory unless checked, and the
    // space in the file systems that receive the file (and the workbook's
    // work files). Nothing is touched.
    void SetTarget(const std::string& fileName);
    // The CSV to the program's standard output as it stands: where that is a
    // file, the same checks under the system's name of it; otherwise the
    // input and the memory only.
    void SetStandardOutput();

    TExportFormat Format() const { return format_; }
    const std::vector<std::int32_t>& Values() const { return values_; }
    // Whether every cell fits in a byte (TriangleCellSize is 1).
    bool ByteCells() const { return cellSize_ == 1; }
    std::uint64_t MemoryNeeded() const { return memory_; }
    // Bytes the target takes at most; 0 until the target is set.
    std::uint64_t DiskNeeded() const { return disk_; }
    const std::string& FileName() const { return fileName_; }
    bool ToStandardOutput() const { return toStandardOutput_; }

private:
    void CheckInput() const;
    void CheckDisk(const std::string& fileName);

    TExportFormat format_;
    const TSystemResources& system_;
    std::size_t valueCount_;
    int column_;
    std::vector<std::int32_t> values_;
    std::uint64_t cellSize_ = 1;
    std::uint64_t memory_ = 0;
    std::uint64_t disk_ = 0;
    bool memoryChecked_ = false;
    std::string fileName_;
    bool toStandardOutput_ = false;
};

} // namespace quorva
