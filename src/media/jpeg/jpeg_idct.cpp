// Inverse DCT: the scalar transform (also the public JpegDecoder::Idct) and
// the SSE2 kernel; the AVX2 kernel lives in jpeg_simd_avx2.cpp.

#include "media/jpeg/jpeg_idct.h"

#include "media/common/arith.h"
#include "media/jpeg/jpeg_decoder.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

namespace klv {

namespace jpeg {
namespace {

inline int32_t StoreSample(int32_t v, bool luma) {
  if (!luma) return v;
  v += 128;
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// rows first, then columns; w is row-major.
void Transform2D(Wrap32* w) {
  for (int i = 0; i < 8; ++i) Idct1D(w + i * 8);
  for (int j = 0; j < 8; ++j) {
    Wrap32 col[8];
    for (int i = 0; i < 8; ++i) col[i] = w[i * 8 + j];
    Idct1D(col);
    for (int i = 0; i < 8; ++i) w[i * 8 + j] = col[i];
  }
}

}  // namespace

namespace {
void ScalarTransform(const int32_t* columnMajor, Wrap32* w) {
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) w[i * 8 + j].v = columnMajor[j * 8 + i];
  Transform2D(w);
}
}  // namespace

void IdctLumaScalar(const int32_t* columnMajor, uint8_t* dst, ptrdiff_t stride) {
  Wrap32 w[64];
  ScalarTransform(columnMajor, w);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) dst[i * stride + j] = static_cast<uint8_t>(StoreSample(w[i * 8 + j].v >> 10, true));
}

void IdctChromaScalar(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride) {
  Wrap32 w[64];
  ScalarTransform(columnMajor, w);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) dst[i * stride + j] = w[i * 8 + j].v >> 10;
}

#if defined(__x86_64__) || defined(__i386__)
namespace {

struct V4 {
  __m128i v;
};
inline V4 operator+(V4 a, V4 b) { return {_mm_add_epi32(a.v, b.v)}; }
inline V4 operator-(V4 a, V4 b) { return {_mm_sub_epi32(a.v, b.v)}; }
inline V4 operator-(V4 a) { return {_mm_sub_epi32(_mm_setzero_si128(), a.v)}; }
inline V4 operator>>(V4 a, int s) { return {_mm_srai_epi32(a.v, s)}; }

inline void Transpose4(V4& a, V4& b, V4& c, V4& d) {
  const __m128i t0 = _mm_unpacklo_epi32(a.v, b.v);
  const __m128i t1 = _mm_unpacklo_epi32(c.v, d.v);
  const __m128i t2 = _mm_unpackhi_epi32(a.v, b.v);
  const __m128i t3 = _mm_unpackhi_epi32(c.v, d.v);
  a.v = _mm_unpacklo_epi64(t0, t1);
  b.v = _mm_unpackhi_epi64(t0, t1);
  c.v = _mm_unpacklo_epi64(t2, t3);
  d.v = _mm_unpackhi_epi64(t2, t3);
}

// Both halves of one output row after the column pass, >> 10.
inline void StoreLumaRow(uint8_t* dst, __m128i lo, __m128i hi) {
  const __m128i bias = _mm_set1_epi32(128);
  lo = _mm_add_epi32(_mm_srai_epi32(lo, 10), bias);
  hi = _mm_add_epi32(_mm_srai_epi32(hi, 10), bias);
  const __m128i p8 = _mm_packus_epi16(_mm_packs_epi32(lo, hi), _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), p8);
}
inline void StoreChromaRow(int32_t* dst, __m128i lo, __m128i hi) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_srai_epi32(lo, 10));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4), _mm_srai_epi32(hi, 10));
}

// Both passes; c[0] holds columns 0..3 and c[1] columns 4..7 of every row.
__attribute__((always_inline)) inline void Transform2DSse2(const int32_t* cm, V4 (&c)[2][8]) {
  V4 r[2][8];
  for (int g = 0; g < 2; ++g) {
    for (int j = 0; j < 8; ++j)
      r[g][j].v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cm + j * 8 + 4 * g));
    Idct1D(r[g]);  // lanes are rows
  }
  for (int h = 0; h < 2; ++h) {
    for (int g = 0; g < 2; ++g) {
      V4 a = r[g][4 * h], b = r[g][4 * h + 1], cc = r[g][4 * h + 2], d = r[g][4 * h + 3];
      Transpose4(a, b, cc, d);
      c[h][4 * g] = a;
      c[h][4 * g + 1] = b;
      c[h][4 * g + 2] = cc;
      c[h][4 * g + 3] = d;
    }
    Idct1D(c[h]);  // lanes are columns
  }
}

}  // namespace

void IdctLumaSse2(const int32_t* cm, uint8_t* dst, ptrdiff_t stride) {
  V4 c[2][8];
  Transform2DSse2(cm, c);
  for (int i = 0; i < 8; ++i) StoreLumaRow(dst + i * stride, c[0][i].v, c[1][i].v);
}

void IdctChromaSse2(const int32_t* cm, int32_t* dst, ptrdiff_t stride) {
  V4 c[2][8];
  Transform2DSse2(cm, c);
  for (int i = 0; i < 8; ++i) StoreChromaRow(dst + i * stride, c[0][i].v, c[1][i].v);
}

#endif

IdctKernels SelectIdct() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return {IdctLumaAvx2, IdctChromaAvx2};
  return {IdctLumaSse2, IdctChromaSse2};
#else
  return {IdctLumaScalar, IdctChromaScalar};
#endif
}

}  // namespace jpeg

void JpegDecoder::Idct(const int32_t* block, int32_t* out) {
  jpeg::Wrap32 w[64];
  for (int k = 0; k < 64; ++k) w[kZigzag[k]].v = block[k];
  jpeg::Transform2D(w);
  for (int k = 0; k < 64; ++k) out[k] = w[k].v >> 10;
}

}  // namespace klv
