#include "triangle/triangle_csv.h"

#include <array>
#include <charconv>
#include <cstring>

#include "model/atomic_file_writer.h"
#include "model/number_rules.h"
#include "model/text_file.h"
#include "triangle/compact_triangle.h"

namespace quorva {
namespace {

// "<digits>;" for every byte value, padded to four characters so that a cell
// is always copied with one fixed-size move.
struct TByteCellTexts {
    std::array<std::array<char, 4>, 256> text{};
    std::array<std::uint8_t, 256> length{};

    TByteCellTexts()
    {
        for (int value = 0; value < 256; ++value) {
            char* end = std::to_chars(text[value].data(), text[value].data() + 3, value).ptr;
            *end++ = ';';
            length[value] = static_cast<std::uint8_t>(end - text[value].data());
        }
    }
};

const TByteCellTexts ByteCellTexts;

// Longest text of one cell, the ';' included.
template <class Cell>
constexpr std::size_t MaxCellText = std::is_same_v<Cell, std::uint8_t> ? 4 : 12;

char* AppendCell(char* out, std::uint8_t value)
{
    std::memcpy(out, ByteCellTexts.text[value].data(), 4);
    return out + ByteCellTexts.length[value];
}

char* AppendCell(char* out, std::int32_t value)
{
    if (value >= 0)
        out = std::to_chars(out, out + 11, value).ptr;
    *out++ = ';';
    return out;
}

template <class Cell>
char* AppendCsvRow(char* out, const TCompactTriangle<Cell>& triangle, std::size_t k)
{
    const std::size_t length = TriangleRowLength(k, 2 * triangle.ValueCount() - 1);
    for (std::size_t j = 0; j < length; ++j) {
        if ((k - j) % 2 != 0)
            *out++ = ';';
        else
            out = AppendCell(out, triangle.At(j, (k - j) / 2));
    }
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

template <class Cell>
void WriteCsv(const std::vector<std::int32_t>& values, TAtomicFileWriter& writer)
{
    const TCompactTriangle<Cell> triangle(values);
    const std::size_t n = values.size();
    const std::size_t longestRow = n * MaxCellText<Cell> + 2;
    std::string chunk(WriteChunkSize + longestRow, '\0');
    char* const begin = chunk.data();
    char* out = begin;
    for (std::size_t k = 0; k < 2 * n - 1; ++k) {
        out = AppendCsvRow(out, triangle, k);
        if (static_cast<std::size_t>(out - begin) >= WriteChunkSize) {
            writer.Write({begin, static_cast<std::size_t>(out - begin)});
            out = begin;
        }
    }
    writer.Write({begin, static_cast<std::size_t>(out - begin)});
}

std::vector<std::int32_t> ColumnValues(const TRowTable& rows, int column)
{
    std::vector<std::int32_t> values;
    values.reserve(rows.size());
    for (const TNumberRow& row : rows)
        values.push_back(row[static_cast<std::size_t>(column)]);
    return values;
}

}  // namespace

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

}  // namespace quorva
