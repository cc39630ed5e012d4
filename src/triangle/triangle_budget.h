#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/base/system_resources.h"
#include "model/rows/row_table.h"

namespace quorva {

// Bytes one cell of the triangle of `values` takes: one where every value
// fits in a byte, as the triangle's own choice of form, else four.
std::uint64_t TriangleCellSize(const std::vector<std::int32_t>& values);

// Raises Error, with the figures, when `needed` bytes for the triangle of
// `valueCount` values exceed the memory the system has available.
void CheckTriangleMemory(std::size_t valueCount, std::uint64_t needed,
                         const TSystemResources& system = SystemResources());

// Raises Error, with the figures, when a CSV of up to `needed` bytes would
// not fit in the file system that receives `fileName`, or when that file
// system stores no files at all (as /proc). A target that is no regular file
// (a device, a pipe) takes no space and passes.
void CheckCsvDiskSpace(std::uint64_t needed, const std::string& fileName,
                       const TSystemResources& system = SystemResources());

// Bytes the compact triangle of one column of the rows takes in memory.
std::uint64_t TriangleMemoryNeeded(const TRowTable& rows, int column);

// Raises Error, with the figures, when the export of one column's triangle
// would run out of memory (the triangle and the export's own buffers): the
// part of CheckExportFits that needs no target (TExportPlan::CheckMemory
// asks the same before the target is known). An empty table passes.
void CheckExportMemory(const TRowTable& rows, int column,
                       const TSystemResources& system = SystemResources());
// Bytes the triangle view's grid of one column of the rows takes in memory:
// the triangle and the summaries of its blocks.
std::uint64_t GridMemoryNeeded(const TRowTable& rows, int column);

// Raises Error, with the figures, when the triangle view's grid of one
// column would not fit in the memory the system has available.
void CheckGridFitsInMemory(const TRowTable& rows, int column,
                           const TSystemResources& system = SystemResources());

// Raises Error, with the figures, when copying `textBytes` of text to the
// clipboard would not fit in the memory available: the text, its copy in the
// window's two-byte characters and the clipboard's own copy.
void CheckCopyFitsInMemory(std::uint64_t textBytes,
                           const TSystemResources& system = SystemResources());

// Bytes the CSV export of one column's triangle writes at most, worked out
// from the values alone in time linear in their number: exact but for the
// digits of the differences, which are bounded by the largest difference the
// values allow.
std::uint64_t CsvBytesUpperBound(const TRowTable& rows, int column);
std::uint64_t CsvBytesUpperBound(const std::vector<std::int32_t>& values);

// Raises Error, with the figures, when the export of one column's triangle
// to `fileName` would run out of memory (the triangle and the export's own
// buffers) or out of space in the target's file system, or when that file
// system stores no files at all (as /proc). Nothing is touched.
void CheckExportFits(const TRowTable& rows, int column, const std::string& fileName,
                     const TSystemResources& system = SystemResources());

// Bytes of XML the .xlsx export's sheets take at most before they are
// compressed: the cells' digits as in the CSV, with each cell's markup.
std::uint64_t XlsxXmlBytesUpperBound(const TRowTable& rows, int column);
std::uint64_t XlsxXmlBytesUpperBound(const std::vector<std::int32_t>& values);

// Raises Error, with the figures, when a triangle of `valueCount` values has
// more lines than a sheet holds.
void CheckSheetLines(std::size_t valueCount);

// As CheckCsvDiskSpace, for an .xlsx of up to `xmlBytes` of sheets' XML: the
// library's work files and the file itself, in their folders.
void CheckXlsxDiskSpace(std::uint64_t xmlBytes, const std::string& fileName,
                        const TSystemResources& system = SystemResources());

// As CheckExportMemory and CheckExportFits, for the .xlsx export: its memory,
// and the space for the library's work files and the file itself. A
// triangle with more lines than a sheet holds is refused too.
void CheckXlsxExportMemory(const TRowTable& rows, int column,
                           const TSystemResources& system = SystemResources());
void CheckXlsxExportFits(const TRowTable& rows, int column, const std::string& fileName,
                         const TSystemResources& system = SystemResources());

} // namespace quorva
