#pragma once
// The camera's 8x8 inverse transform: fixed point with 16-bit intermediates.
//
// Every named intermediate value of the transform (the inputs after scaling
// by 8, the even and odd parts, the outputs of the row pass) is held in 16
// bits and wraps as 16-bit arithmetic does; products and their rounding
// R(v) = (v + 8192) >> 14 are 32-bit. Results are (v + 32) >> 6, clamped to
// -256 .. 255. The SSE2 version computes exactly the same integers.

#include <cstdint>

namespace klv::mpeg4 {

// in: 64 inputs already multiplied by 8 (as 16-bit values), TRANSPOSED:
// in[column * 8 + row]. out: 64 results in raster order (row * 8 + column).
void Idct8x8(const int16_t* in, int16_t* out);
// Plain version of the same transform (tests, and machines without SSE2).
void Idct8x8Reference(const int16_t* in, int16_t* out);

// A block whose only inputs are position 0 (value dc8, already times 8) and,
// when `flip63` is set, the mismatch-control 1 at position 63.
void IdctDcOnly(int16_t dc8, bool flip63, int16_t* out);

}  // namespace klv::mpeg4
