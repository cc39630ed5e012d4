// The difference triangle and its CSV on arbitrary rows: 2n - 1 lines, row k
// with min(k + 1, 2n - 1 - k) cells each closed by ';', cells that are empty
// or plain digits, and the streamed export giving exactly the bytes of the
// lines built in memory.

#include <climits>
#include <cstdint>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/fuzz_check.h"
#include "fuzz/scratch_folder.h"
#include "support/crlf_text.h"
#include "support/reference_triangle.h"
#include "triangle/triangle_csv.h"

namespace {

using quorva::fuzz::Check;

// Enough for several bands of lines, which the export renders on two
// threads and writes in order.
constexpr std::size_t MaxRows = 200;

// Mostly the values a user or a file gives, one-digit ones that leave whole
// lines of one-digit cells, but also every 32-bit extreme.
std::int32_t PickValue(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return input.ConsumeIntegralInRange(0, 99);
    case 5:
        return input.ConsumeIntegralInRange(0, 9);
    case 1:
        return input.ConsumeIntegralInRange(-9, 99);
    case 2:
        return input.ConsumeIntegralInRange(0, 255);
    case 3:
        return input.PickValueInArray({INT_MIN, INT_MIN + 1, -1, 0, 255, 256, INT_MAX});
    default:
        return input.ConsumeIntegral<std::int32_t>();
    }
}

quorva::TRowTable PickRows(FuzzedDataProvider& input)
{
    std::vector<quorva::TNumberRow> rows(input.ConsumeIntegralInRange<std::size_t>(1, MaxRows));
    for (quorva::TNumberRow& row : rows)
        for (std::int32_t& value : row)
            value = PickValue(input);
    return {rows.begin(), rows.end()};
}

bool IsCellText(std::string_view cell)
{
    if (cell.empty())
        return true;
    if (cell.size() > 1 && cell[0] == '0')
        return false;
    return cell.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckCsvShape(const std::vector<std::string>& lines, std::size_t n)
{
    const std::size_t m = 2 * n - 1;
    Check(lines.size() == m, "not 2n - 1 lines");
    for (std::size_t k = 0; k < m; ++k) {
        const std::string& line = lines[k];
        Check(!line.empty() && line.back() == ';', "line does not end with ';'");
        std::size_t cells = 0;
        for (std::size_t start = 0; start < line.size(); ++cells) {
            const std::size_t end = line.find(';', start);
            Check(IsCellText(std::string_view(line).substr(start, end - start)), "bad cell text");
            start = end + 1;
        }
        Check(cells == std::min(k + 1, m - k), "wrong number of ';' in a line");
    }
}

// Every second line starts with the column's value, or a blank for a negative.
void CheckSeedColumn(const std::vector<std::string>& lines, const quorva::TRowTable& rows,
                     int column)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::int32_t value = rows[i][static_cast<std::size_t>(column)];
        const std::string cell = value < 0 ? ";" : std::to_string(value) + ";";
        Check(lines[2 * i].starts_with(cell), "seed value missing from its line");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int column = input.ConsumeIntegralInRange(0, quorva::RowWidth - 1);
    const quorva::TRowTable rows = PickRows(input);

    const std::vector<std::string> lines =
        quorva::test::TriangleToCsvLines(quorva::test::BuildDiffTriangle(rows, column));
    CheckCsvShape(lines, rows.size());
    CheckSeedColumn(lines, rows, column);

    const std::string exported = quorva::fuzz::ScratchFolder() + "/triangle.csv";
    quorva::ExportTriangleCsv(rows, column, exported);
    Check(quorva::fuzz::ReadScratchFile(exported) == quorva::test::JoinWithCrLf(lines),
          "streamed export differs from the lines built in memory");
    return 0;
}
