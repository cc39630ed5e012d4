// The floor the triangle view's complete picture is measured against: what
// no way of building the picture can beat on one processor. It first
// touches the bytes of the even columns (about n²/4, as the view keeps them)
// and computes every cell of the triangle of n random values (0 to 99) once,
// column from column, in loops the compiler vectorises. Prints the seconds
// that takes and the peak resident memory:
//
//   quorva_view_floor N

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "process_usage.h"
#include "support/random_rows.h"
#include "triangle/compact_triangle.h"

namespace {

// Column j + 1 from column j: |a[i] - a[i + 1]| for each of its `length`
// values.
void Differences(const std::uint8_t* __restrict from, std::uint8_t* __restrict to,
                 std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned a = from[i];
        const unsigned b = from[i + 1];
        to[i] = static_cast<std::uint8_t>(a > b ? a - b : b - a);
    }
}

} // namespace

int main(int argc, char** argv)
{
    using namespace quorva;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s N\n", argv[0]);
        return 2;
    }
    const auto n = static_cast<std::size_t>(std::strtoull(argv[1], nullptr, 10));
    if (n < 2)
        return 2;
    const std::vector<std::int32_t> values = ColumnValues(test::RandomRows(n, 0, 99), 0);

    const bench::TStopwatch stopwatch;
    std::size_t kept = 0;
    for (std::size_t j = 0; j < n; j += 2)
        kept += n - j;
    // Left untouched until each column is written, as the view's are.
    std::unique_ptr<std::uint8_t[]> even(new std::uint8_t[kept]);
    std::unique_ptr<std::uint8_t[]> odd(new std::uint8_t[n]);
    std::transform(values.begin(), values.end(), even.get(),
                   [](std::int32_t value) { return static_cast<std::uint8_t>(value); });
    std::uint8_t* column = even.get();
    for (std::size_t j = 1; j < n; j += 2) {
        Differences(column, odd.get(), n - j);
        if (j + 1 == n)
            break;
        std::uint8_t* next = column + (n - j + 1);
        Differences(odd.get(), next, n - j - 1);
        column = next;
    }
    const double seconds = stopwatch.Seconds();
    // The last cell, so that no column can be left out.
    std::printf("floor_seconds=%.4f floor_bytes=%zu last_cell=%d\n", seconds,
                bench::PeakResidentBytes(), int(n % 2 ? column[0] : odd[0]));
    return 0;
}
