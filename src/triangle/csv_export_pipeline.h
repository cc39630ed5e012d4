#pragma once

#include <cstdint>
#include <vector>

#include "model/base/progress.h"
#include "model/files/atomic_file_writer.h"

namespace quorva {

// Lines the export renders together as one piece of work: a band takes a
// whole cache line from each column of one-byte cells, and its table of cells
// stays within the processor's second-level cache.
inline constexpr std::size_t ExportBandLines = 128;

// Memory the export of a triangle of `valueCount` values takes: the values
// still to be rendered, the band tables of its two renderers, the rendered
// bands waiting to be written and the writer's buffers.
std::uint64_t ExportMemoryBytes(std::uint64_t valueCount, std::uint64_t cellSize);

// Writes the CSV text of the triangle of `values` to `writer`, every line
// followed by CR LF, with cells of type Cell (see TCompactTriangle).
//
// Computing, rendering and writing overlap: a second thread fills the
// triangle's columns in stages a bounded number of lines ahead of the
// rendering and renders bands whose lines are ready, while this thread
// renders bands too and writes every band in order. The second thread lives
// only inside this call. Progress is asked only from this thread, after every
// band written and at least every few dozen milliseconds while it waits;
// when it says stop, the call ends with Cancelled.
template <class Cell>
void WriteTriangleCsv(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer,
                      TProgress& progress);

} // namespace quorva
