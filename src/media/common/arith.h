#pragma once
// Small arithmetic shared by the decoders: the camera's software computes in
// 32-bit integers that wrap, and both transforms read blocks in zigzag order.
#include <array>
#include <cstdint>

namespace klv {

// Products and sums that wrap modulo 2^32 as the camera's arithmetic does,
// without the undefined behaviour of signed overflow.
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Zigzag scan position -> raster index (row * 8 + column), the same for JPEG
// and MPEG-4 blocks.
inline constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

}  // namespace klv
