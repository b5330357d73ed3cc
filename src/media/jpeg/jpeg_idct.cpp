// Inverse DCT: the scalar transform (also the public JpegDecoder::Idct) and
// the SSE2 kernel; the AVX2 kernel lives in jpeg_simd_avx2.cpp.

#include "media/jpeg/jpeg_idct.h"

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

void IdctStoreScalar(const int32_t* columnMajor, int32_t* dst, ptrdiff_t stride, bool luma) {
  Wrap32 w[64];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) w[i * 8 + j].v = columnMajor[j * 8 + i];
  Transform2D(w);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) dst[i * stride + j] = StoreSample(w[i * 8 + j].v >> 10, luma);
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

inline void StoreRow(int32_t* dst, __m128i lo, __m128i hi, bool luma) {
  lo = _mm_srai_epi32(lo, 10);
  hi = _mm_srai_epi32(hi, 10);
  if (luma) {
    const __m128i bias = _mm_set1_epi32(128);
    const __m128i p16 = _mm_packs_epi32(_mm_add_epi32(lo, bias), _mm_add_epi32(hi, bias));
    const __m128i p8 = _mm_packus_epi16(p16, p16);
    const __m128i w16 = _mm_unpacklo_epi8(p8, _mm_setzero_si128());
    lo = _mm_unpacklo_epi16(w16, _mm_setzero_si128());
    hi = _mm_unpackhi_epi16(w16, _mm_setzero_si128());
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), lo);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4), hi);
}

}  // namespace

void IdctStoreSse2(const int32_t* cm, int32_t* dst, ptrdiff_t stride, bool luma) {
  // Row pass: lanes are rows, vector j holds coefficient column j.
  V4 r[2][8];
  for (int g = 0; g < 2; ++g) {
    for (int j = 0; j < 8; ++j)
      r[g][j].v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cm + j * 8 + 4 * g));
    Idct1D(r[g]);
  }
  // Column pass: lanes are columns, vector i holds row i; c[0] columns 0..3,
  // c[1] columns 4..7.
  V4 c[2][8];
  for (int h = 0; h < 2; ++h) {
    for (int g = 0; g < 2; ++g) {
      V4 a = r[g][4 * h], b = r[g][4 * h + 1], cc = r[g][4 * h + 2], d = r[g][4 * h + 3];
      Transpose4(a, b, cc, d);
      c[h][4 * g] = a;
      c[h][4 * g + 1] = b;
      c[h][4 * g + 2] = cc;
      c[h][4 * g + 3] = d;
    }
    Idct1D(c[h]);
  }
  for (int i = 0; i < 8; ++i) StoreRow(dst + i * stride, c[0][i].v, c[1][i].v, luma);
}

#endif

IdctStoreFn SelectIdctStore() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return IdctStoreAvx2;
  return IdctStoreSse2;
#else
  return IdctStoreScalar;
#endif
}

}  // namespace jpeg

void JpegDecoder::Idct(const int32_t* block, int32_t* out) {
  jpeg::Wrap32 w[64];
  for (int k = 0; k < 64; ++k) w[kJpegZigzag[k]].v = block[k];
  jpeg::Transform2D(w);
  for (int k = 0; k < 64; ++k) out[k] = w[k].v >> 10;
}

}  // namespace klv
