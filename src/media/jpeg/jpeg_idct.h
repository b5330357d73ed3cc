#pragma once
// The inverse DCT of the camera's decoder: separable, 32-bit, multiplications
// done as shift chains, arithmetic right shifts, no rounding. One generic
// one-dimensional transform serves the scalar code and the vector kernels, so
// every kernel computes the same integers. 32-bit sums wrap as the camera's
// arithmetic does (damaged frames can push them that far).

#include <cstddef>
#include <cstdint>

namespace klv::jpeg {

namespace {  // each source file gets its own copy (some are built for AVX2)

// A 32-bit integer whose sums wrap.
struct Wrap32 {
  int32_t v;
};
inline Wrap32 operator+(Wrap32 a, Wrap32 b) {
  return {static_cast<int32_t>(static_cast<uint32_t>(a.v) + static_cast<uint32_t>(b.v))};
}
inline Wrap32 operator-(Wrap32 a, Wrap32 b) {
  return {static_cast<int32_t>(static_cast<uint32_t>(a.v) - static_cast<uint32_t>(b.v))};
}
inline Wrap32 operator-(Wrap32 a) { return {static_cast<int32_t>(0u - static_cast<uint32_t>(a.v))}; }
inline Wrap32 operator>>(Wrap32 a, int s) { return {a.v >> s}; }

// x[0..7] in natural frequency order -> samples, in place.
template <class T>
inline __attribute__((always_inline)) void Idct1D(T* x) {
  const T a = x[5] - x[3];
  const T b = x[1] - x[7];
  const T cc = x[1] + x[3] + x[5] + x[7];
  const T s = (x[1] + x[7]) - (x[3] + x[5]);
  const T d = x[2] - x[6];
  const T e = x[2] + x[6];

  const T m = -(a + b);
  T t = (m >> 4) + m;
  t = (t >> 1) + m;
  const T P = t >> 2;

  t = (d >> 2) + d;
  t = (t >> 2) + d;
  t = (t >> 1) + d;
  t = (t >> 2) + d;
  const T Q = t >> 1;

  const T n = -a;
  t = (n >> 2) + n;
  t = (t >> 2) + n;
  t = (t >> 4) + n;
  const T R = t >> 1;

  t = (s >> 2) + s;
  t = (t >> 2) + s;
  t = (t >> 1) + s;
  t = (t >> 2) + s;
  const T S = t >> 1;

  t = (b >> 2) + b;
  t = (t >> 1) + b;
  t = (t >> 1) + b;
  t = (t >> 1) + b;
  t = (t >> 3) + b;
  const T Tb = (t >> 2) + b;

  const T sum04 = x[0] + x[4];
  const T dif04 = x[0] - x[4];
  const T eq = e + Q;
  const T E0 = sum04 + eq;
  const T E3 = sum04 - eq;
  const T E1 = dif04 + Q;
  const T E2 = dif04 - Q;
  const T rp = R + P;
  const T O0 = cc + Tb + P;
  const T O1 = Tb + P + S;
  const T O2 = S - rp;
  const T O3 = -rp;

  x[0] = E0 + O0;
  x[7] = E0 - O0;
  x[1] = E1 + O1;
  x[6] = E1 - O1;
  x[2] = E2 + O2;
  x[5] = E2 - O2;
  x[3] = E3 + O3;
  x[4] = E3 - O3;
}

}  // namespace

// Full 2-D transform of a block whose coefficients (dequantised) are stored
// column by column (column * 8 + row), written as 8 rows of 8 samples at dst
// with the given stride: luma with +128 and clamped to 0..255 (bytes), chroma
// as it is (32-bit).
struct IdctKernels {
  void (*luma)(const int32_t* columnMajor, uint8_t* dst, ptrdiff_t stride);
  void (*chroma)(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride);
};
void IdctLumaScalar(const int32_t* columnMajor, uint8_t* dst, ptrdiff_t stride);
void IdctChromaScalar(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride);
#if defined(__x86_64__) || defined(__i386__)
void IdctLumaSse2(const int32_t* columnMajor, uint8_t* dst, ptrdiff_t stride);
void IdctChromaSse2(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride);
void IdctLumaAvx2(const int32_t* columnMajor, uint8_t* dst, ptrdiff_t stride);
void IdctChromaAvx2(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride);
#endif
// The best kernels this processor runs.
IdctKernels SelectIdct();

// Colour conversion of rows [0, height) x columns [0, width) (see ToPicture).
struct ColourJob {
  const uint8_t* y;
  const int32_t* cb;
  const int32_t* cr;
  int w16;  // luma stride; chroma stride is w16 / 2
  int width;
  int height;
  bool forceBw;
  uint8_t* bits;
  ptrdiff_t stride;
};
void ColourScalar(const ColourJob& job);
#if defined(__x86_64__) || defined(__i386__)
void ColourAvx2(const ColourJob& job);
#endif
using ColourFn = void (*)(const ColourJob& job);
ColourFn SelectColour();

}  // namespace klv::jpeg
