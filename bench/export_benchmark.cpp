#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_folder.h"
#include "model/files/text_file.h"
#include "support/random_rows.h"
#include "triangle/compact_triangle.h"
#include "triangle/triangle_csv.h"

namespace quorva::bench {
namespace {

std::vector<std::int32_t> FirstColumn(const TRowTable& rows)
{
    std::vector<std::int32_t> values;
    for (const TNumberRow& row : rows)
        values.push_back(row[0]);
    return values;
}

// The whole Start operation, file and fsync included, on random values.
void MeasureExport(benchmark::State& state, std::int32_t low, std::int32_t high)
{
    const TRowTable rows = test::RandomRows(static_cast<std::size_t>(state.range(0)), low, high);
    const TBenchFolder folder;
    const std::string file = folder.File("triangle.csv");
    for (auto _ : state)
        ExportTriangleCsv(rows, 0, file);
    const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(file));
    state.SetBytesProcessed(bytes * state.iterations());
}

void BM_ExportTriangleCsv(benchmark::State& state)
{
    MeasureExport(state, 0, 99);
}
BENCHMARK(BM_ExportTriangleCsv)->Arg(1024)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);

// Computing the triangle alone, without rendering or writing it.
void BM_CompactTriangle(benchmark::State& state)
{
    const auto values =
        FirstColumn(test::RandomRows(static_cast<std::size_t>(state.range(0)), 0, 99));
    for (auto _ : state) {
        TCompactTriangle<std::uint8_t> triangle(values);
        benchmark::DoNotOptimize(triangle.At(0, 0));
    }
}
BENCHMARK(BM_CompactTriangle)->Arg(1024)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);

// Values beyond one byte take the wide cells, as rows read from a file can.
void BM_ExportTriangleCsvWideCells(benchmark::State& state)
{
    MeasureExport(state, -9, 99);
}
BENCHMARK(BM_ExportTriangleCsvWideCells)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorva::bench
