#include "triangle/cell_block.h"

#if defined(__SSE2__) && !defined(QUORVA_PORTABLE_RENDER)
#define QUORVA_BYTE_VECTORS 1
#include <immintrin.h>
#endif

namespace quorva {
namespace {

template <class Cell> void PlainTranspose(const Cell* const* rows, Cell* out, std::size_t outStride)
{
    for (std::size_t t = 0; t < CellBlock; ++t)
        for (std::size_t c = 0; c < CellBlock; ++c)
            out[t * outStride + c] = rows[c][t];
}

} // namespace

void TransposeBlock(const std::int32_t* const* rows, std::int32_t* out, std::size_t outStride)
{
    PlainTranspose(rows, out, outStride);
}

#ifdef QUORVA_BYTE_VECTORS

void TransposeBlock(const std::uint8_t* const* rows, std::uint8_t* out, std::size_t outStride)
{
    __m128i x[CellBlock];
    for (std::size_t c = 0; c < CellBlock; ++c)
        x[c] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[c]));
    // Each round interleaves row i with row i + 8, which moves the byte at
    // (row r3r2r1r0, column c3c2c1c0) to (r2r1r0c3, c2c1c0r3); after four
    // rounds row and column have traded places.
    for (int round = 0; round < 4; ++round) {
        __m128i y[CellBlock];
        for (std::size_t i = 0; i < CellBlock / 2; ++i) {
            y[2 * i] = _mm_unpacklo_epi8(x[i], x[i + 8]);
            y[2 * i + 1] = _mm_unpackhi_epi8(x[i], x[i + 8]);
        }
        for (std::size_t c = 0; c < CellBlock; ++c)
            x[c] = y[c];
    }
    for (std::size_t t = 0; t < CellBlock; ++t)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t * outStride), x[t]);
}

namespace {

// pshufb is not part of the x86-64 baseline, so it is compiled for its own
// function and used only where the processor has it.
__attribute__((target("ssse3"))) char* ShuffleOneDigitRun(char* out, const std::uint8_t* cells)
{
    const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
    const __m128i nine = _mm_set1_epi8(9);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(values, nine), values)) != 0xFFFF)
        return nullptr;
    const __m128i digits = _mm_add_epi8(values, _mm_set1_epi8('0'));
    // Output byte 3i is digit i; the others are ';', which an index with
    // its top bit set leaves as zero for the OR to fill.
    constexpr char Z = -128;
    const __m128i picks[3] = {
        _mm_setr_epi8(0, Z, Z, 1, Z, Z, 2, Z, Z, 3, Z, Z, 4, Z, Z, 5),
        _mm_setr_epi8(Z, Z, 6, Z, Z, 7, Z, Z, 8, Z, Z, 9, Z, Z, 10, Z),
        _mm_setr_epi8(Z, 11, Z, Z, 12, Z, Z, 13, Z, Z, 14, Z, Z, 15, Z, Z),
    };
    const __m128i semicolons[3] = {
        _mm_setr_epi8(0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0),
        _mm_setr_epi8(';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';'),
        _mm_setr_epi8(';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';', 0, ';', ';'),
    };
    for (int part = 0; part < 3; ++part)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part),
                         _mm_or_si128(_mm_shuffle_epi8(digits, picks[part]), semicolons[part]));
    return out + 3 * CellBlock;
}

const bool HasByteShuffle = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();

} // namespace

char* AppendOneDigitRun(char* out, const std::uint8_t* cells)
{
    return HasByteShuffle ? ShuffleOneDigitRun(out, cells) : nullptr;
}

#else

void TransposeBlock(const std::uint8_t* const* rows, std::uint8_t* out, std::size_t outStride)
{
    PlainTranspose(rows, out, outStride);
}

char* AppendOneDigitRun(char*, const std::uint8_t*)
{
    return nullptr;
}

#endif

} // namespace quorva
