#pragma once

#include <cstddef>
#include <cstdint>

namespace quorva {

// Cells are moved sixteen by sixteen, and one-byte cells rendered sixteen at
// a time: the width of one vector register on every x86-64 processor.
// Elsewhere, or when built with QUORVA_PORTABLE_RENDER, plain loops do the
// same work with the same result.
inline constexpr std::size_t CellBlock = 16;

// Writes the transpose of a 16 x 16 block of cells: cell t of rows[c] goes
// to out[t * outStride + c].
void TransposeBlock(const std::uint8_t* const* rows, std::uint8_t* out, std::size_t outStride);
void TransposeBlock(const std::int32_t* const* rows, std::int32_t* out, std::size_t outStride);

// Writes 16 cells of one digit each, every one followed by ";;", and returns
// the end; returns nullptr, writing nothing, when a cell has two or more
// digits or the processor has no fast way to do it.
char* AppendOneDigitRun(char* out, const std::uint8_t* cells);

} // namespace quorva
