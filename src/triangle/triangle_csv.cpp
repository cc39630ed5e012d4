#include "triangle/triangle_csv.h"

#include <algorithm>

#include "model/atomic_file_writer.h"
#include "model/number_rules.h"
#include "model/text_file.h"
#include "triangle/compact_triangle.h"
#include "triangle/csv_band_renderer.h"

namespace quorva {
namespace {

// Lines per band: a band takes a whole cache line from each column of
// one-byte cells, and its table of cells stays within the processor's
// second-level cache.
constexpr std::size_t BandLines = 128;

template <class Cell>
void WriteCsv(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer)
{
    const TCompactTriangle<Cell> triangle(values);
    TCsvBandRenderer<Cell> renderer(triangle, BandLines);
    std::string chunk(WriteChunkSize + renderer.LineCapacity(), '\0');
    char* const begin = chunk.data();
    char* out = begin;
    for (std::size_t first = 0; first < renderer.LineCount(); first += BandLines) {
        renderer.LoadBand(first);
        const std::size_t last = std::min(first + BandLines, renderer.LineCount());
        for (std::size_t k = first; k < last; ++k) {
            out = renderer.AppendLine(out, k);
            if (static_cast<std::size_t>(out - begin) >= WriteChunkSize) {
                writer.Write({begin, static_cast<std::size_t>(out - begin)});
                out = begin;
            }
        }
    }
    writer.Write({begin, static_cast<std::size_t>(out - begin)});
}

} // namespace

std::vector<std::string> TriangleToCsvLines(const TDiffTriangle& triangle)
{
    std::vector<std::string> lines;
    lines.reserve(triangle.size());
    for (const auto& row : triangle) {
        std::string line;
        for (std::int32_t cell : row) {
            if (cell >= 0)
                line += IntToStr(cell);
            line += ';';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void ExportTriangleCsv(const TRowTable& rows, int column, const std::string& fileName)
{
    CheckTriangleInput(rows, column);
    const std::vector<std::int32_t> values = ColumnValues(rows, column);
    TAtomicFileWriter writer(fileName);
    if (FitsByteCells(values))
        WriteCsv<std::uint8_t>(values, writer);
    else
        WriteCsv<std::int32_t>(values, writer);
    writer.Commit();
}

} // namespace quorva
