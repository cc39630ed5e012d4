#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_folder.h"
#include "model/rows/row_list_file.h"
#include "support/random_rows.h"

namespace quorva::bench {
namespace {

constexpr std::size_t MillionRows = 1'000'000;

void BM_OpenRowListFile(benchmark::State& state)
{
    const TBenchFolder folder;
    const std::string file = folder.File("rows.tir");
    test::WriteRandomRowListFile(MillionRows, file);
    for (auto _ : state) {
        TLineList lines;
        TRowTable rows;
        OpenRowListFile(lines, rows, file);
        benchmark::DoNotOptimize(rows.Data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(std::filesystem::file_size(file)) *
                            state.iterations());
}
BENCHMARK(BM_OpenRowListFile)->Unit(benchmark::kMillisecond);

// A line read by LineToRow, as the parser reads each line its fast path
// does not take.
void BM_LineToRow(benchmark::State& state)
{
    const std::string line = "12 05 99 00 42 07 63";
    for (auto _ : state)
        benchmark::DoNotOptimize(LineToRow(line));
}
BENCHMARK(BM_LineToRow);

} // namespace
} // namespace quorva::bench
