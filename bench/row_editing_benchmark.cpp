#include <benchmark/benchmark.h>

#include "model/rows/row_editing.h"
#include "model/rows/row_line.h"
#include "support/random_rows.h"

namespace quorva::bench {
namespace {

constexpr std::size_t MillionRows = 1'000'000;

// A list of a million rows, each line as Add renders it, as after an Open.
struct TMillionRowList {
    TRowTable rows = test::RandomRows(MillionRows, 0, 99);
    TLineList lines;

    TMillionRowList()
    {
        std::vector<std::string> text;
        text.reserve(rows.size());
        for (const TNumberRow& row : rows)
            text.push_back(RowToLine(row));
        lines.Assign(text);
    }
};

TMillionRowList& SharedList()
{
    static TMillionRowList list;
    return list;
}

// Add renders every line again, so its cost is that of a million lines.
void BM_AddRow(benchmark::State& state)
{
    TMillionRowList& list = SharedList();
    for (auto _ : state) {
        AddRow(list.rows, list.lines, {1, 2, 3, 4, 5, 6, 7});
        state.PauseTiming();
        DeleteSelectedRow(list.rows, list.lines);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddRow)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_DeleteSelectedRow(benchmark::State& state)
{
    TMillionRowList& list = SharedList();
    const int middle = list.lines.Count() / 2;
    for (auto _ : state) {
        list.lines.Select(middle);
        DeleteSelectedRow(list.rows, list.lines);
        state.PauseTiming();
        AddRow(list.rows, list.lines, {1, 2, 3, 4, 5, 6, 7});
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSelectedRow)->Unit(benchmark::kMicrosecond)->Iterations(20);

void BM_MoveSelectedRowUpAndDown(benchmark::State& state)
{
    TMillionRowList& list = SharedList();
    list.lines.Select(list.lines.Count() / 2);
    for (auto _ : state) {
        MoveSelectedRowUp(list.rows, list.lines);
        MoveSelectedRowDown(list.rows, list.lines);
    }
}
BENCHMARK(BM_MoveSelectedRowUpAndDown)->Unit(benchmark::kMicrosecond);

// A paste of 100,000 rows onto the million, and taking it back: the undo
// should cost no more than the paste, and hold only a count meanwhile.
const TRowTable& PastedRows()
{
    static const TRowTable rows = test::RandomRows(100'000, 0, 99);
    return rows;
}

void BM_Paste100kRows(benchmark::State& state)
{
    TMillionRowList& list = SharedList();
    for (auto _ : state) {
        TRowChange paste = *AppendRows(list.rows, list.lines, PastedRows());
        state.PauseTiming();
        paste.Revert(list.rows, list.lines);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Paste100kRows)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_UndoPaste100kRows(benchmark::State& state)
{
    TMillionRowList& list = SharedList();
    for (auto _ : state) {
        state.PauseTiming();
        TRowChange paste = *AppendRows(list.rows, list.lines, PastedRows());
        state.ResumeTiming();
        paste.Revert(list.rows, list.lines);
    }
}
BENCHMARK(BM_UndoPaste100kRows)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace quorva::bench
