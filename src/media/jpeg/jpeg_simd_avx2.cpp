// AVX2 kernels (built with -mavx2, chosen at run time): the inverse DCT with
// its store, and the colour conversion. Everything here has internal linkage
// except the two entry points, so no AVX2 code leaks into shared inline
// functions.

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "media/jpeg/jpeg_idct.h"

namespace klv::jpeg {
namespace {

struct V8 {
  __m256i v;
};
inline V8 operator+(V8 a, V8 b) { return {_mm256_add_epi32(a.v, b.v)}; }
inline V8 operator-(V8 a, V8 b) { return {_mm256_sub_epi32(a.v, b.v)}; }
inline V8 operator-(V8 a) { return {_mm256_sub_epi32(_mm256_setzero_si256(), a.v)}; }
inline V8 operator>>(V8 a, int s) { return {_mm256_srai_epi32(a.v, s)}; }

__attribute__((always_inline)) inline void Transpose8(V8* x) {
  const __m256i t0 = _mm256_unpacklo_epi32(x[0].v, x[1].v);
  const __m256i t1 = _mm256_unpackhi_epi32(x[0].v, x[1].v);
  const __m256i t2 = _mm256_unpacklo_epi32(x[2].v, x[3].v);
  const __m256i t3 = _mm256_unpackhi_epi32(x[2].v, x[3].v);
  const __m256i t4 = _mm256_unpacklo_epi32(x[4].v, x[5].v);
  const __m256i t5 = _mm256_unpackhi_epi32(x[4].v, x[5].v);
  const __m256i t6 = _mm256_unpacklo_epi32(x[6].v, x[7].v);
  const __m256i t7 = _mm256_unpackhi_epi32(x[6].v, x[7].v);
  const __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
  const __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
  const __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
  const __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
  const __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
  const __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
  const __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
  const __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
  x[0].v = _mm256_permute2x128_si256(u0, u4, 0x20);
  x[1].v = _mm256_permute2x128_si256(u1, u5, 0x20);
  x[2].v = _mm256_permute2x128_si256(u2, u6, 0x20);
  x[3].v = _mm256_permute2x128_si256(u3, u7, 0x20);
  x[4].v = _mm256_permute2x128_si256(u0, u4, 0x31);
  x[5].v = _mm256_permute2x128_si256(u1, u5, 0x31);
  x[6].v = _mm256_permute2x128_si256(u2, u6, 0x31);
  x[7].v = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// Byte shuffles that interleave 16 blue, green and red bytes into 48 bytes.
struct BgrMasks {
  alignas(16) int8_t m[3][3][16];  // [output block][colour][byte]
  constexpr BgrMasks() : m{} {
    for (int blk = 0; blk < 3; ++blk)
      for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 16; ++i) {
          const int k = blk * 16 + i;
          m[blk][c][i] = static_cast<int8_t>(k % 3 == c ? k / 3 : -128);
        }
  }
};
constexpr BgrMasks kBgr;

inline void StoreBgr48(uint8_t* out, __m128i b, __m128i g, __m128i r) {
  for (int blk = 0; blk < 3; ++blk) {
    const __m128i mb = _mm_load_si128(reinterpret_cast<const __m128i*>(kBgr.m[blk][0]));
    const __m128i mg = _mm_load_si128(reinterpret_cast<const __m128i*>(kBgr.m[blk][1]));
    const __m128i mr = _mm_load_si128(reinterpret_cast<const __m128i*>(kBgr.m[blk][2]));
    const __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, mb), _mm_shuffle_epi8(g, mg)),
                                   _mm_shuffle_epi8(r, mr));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * blk), v);
  }
}

// trunc(p / 2048) for 32-bit lanes.
inline __m128i Div2048(__m128i p) {
  const __m128i neg = _mm_and_si128(_mm_srai_epi32(p, 31), _mm_set1_epi32(2047));
  return _mm_srai_epi32(_mm_add_epi32(p, neg), 11);
}

// clamp(c + 128) - 128 of 8 chroma samples, as 16-bit lanes.
inline __m128i ChromaOffset(const int32_t* src) {
  const __m128i bias = _mm_set1_epi32(128);
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(255);
  __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4));
  a = _mm_sub_epi32(_mm_min_epi32(_mm_max_epi32(_mm_add_epi32(a, bias), zero), top), bias);
  b = _mm_sub_epi32(_mm_min_epi32(_mm_max_epi32(_mm_add_epi32(b, bias), zero), top), bias);
  return _mm_packs_epi32(a, b);
}

inline __m128i Pack16(__m128i lo, __m128i hi) { return _mm_packs_epi32(Div2048(lo), Div2048(hi)); }

inline void Luma16(const uint8_t* y, __m128i& lo, __m128i& hi) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
  lo = _mm_unpacklo_epi8(v, _mm_setzero_si128());
  hi = _mm_unpackhi_epi8(v, _mm_setzero_si128());
}

__attribute__((always_inline)) inline void Transform2DAvx2(const int32_t* cm, V8 (&x)[8]) {
  for (int j = 0; j < 8; ++j) x[j].v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cm + j * 8));
  Idct1D(x);  // rows (lanes are rows)
  Transpose8(x);
  Idct1D(x);  // columns (lanes are columns)
}

}  // namespace

void IdctLumaAvx2(const int32_t* cm, uint8_t* dst, ptrdiff_t stride) {
  V8 x[8];
  Transform2DAvx2(cm, x);
  const __m256i bias = _mm256_set1_epi32(128);
  for (int i = 0; i < 8; i += 2) {
    const __m256i a = _mm256_add_epi32(_mm256_srai_epi32(x[i].v, 10), bias);
    const __m256i b = _mm256_add_epi32(_mm256_srai_epi32(x[i + 1].v, 10), bias);
    // Saturating packs clamp to 0..255 exactly; lanes come out as
    // a0-3 b0-3 | a4-7 b4-7.
    const __m256i p16 = _mm256_packs_epi32(a, b);
    const __m128i p8 = _mm_packus_epi16(_mm256_castsi256_si128(p16), _mm256_extracti128_si256(p16, 1));
    // p8: a0-3 b0-3 a4-7 b4-7 (bytes)
    const __m128i rows = _mm_shuffle_epi32(p8, _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i * stride), rows);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + (i + 1) * stride), _mm_unpackhi_epi64(rows, rows));
  }
}

void IdctChromaAvx2(const int32_t* cm, int32_t* dst, ptrdiff_t stride) {
  V8 x[8];
  Transform2DAvx2(cm, x);
  for (int i = 0; i < 8; ++i)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * stride), _mm256_srai_epi32(x[i].v, 10));
}

void ColourAvx2(const ColourJob& job) {
  const int cstride = job.w16 / 2;
  const __m128i kR = _mm_set1_epi32(static_cast<int32_t>(2871u << 16));
  const __m128i kG = _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(-1463)) << 16) |
                                                         static_cast<uint16_t>(-705)));
  const __m128i kB = _mm_set1_epi32(3629);
  for (int y0 = 0; y0 < job.height; y0 += 2) {
    const int rows = job.height - y0 >= 2 ? 2 : 1;
    const int32_t* cbRow = job.cb + static_cast<ptrdiff_t>(y0 / 2) * cstride;
    const int32_t* crRow = job.cr + static_cast<ptrdiff_t>(y0 / 2) * cstride;
    for (int x = 0; x < job.width; x += 16) {
      __m128i rAdd, gAdd, bAdd;
      if (job.forceBw) {
        rAdd = gAdd = bAdd = _mm_setzero_si128();
      } else {
        const __m128i cb = ChromaOffset(cbRow + x / 2);
        const __m128i cr = ChromaOffset(crRow + x / 2);
        const __m128i lo = _mm_unpacklo_epi16(cb, cr);
        const __m128i hi = _mm_unpackhi_epi16(cb, cr);
        rAdd = Pack16(_mm_madd_epi16(lo, kR), _mm_madd_epi16(hi, kR));
        gAdd = Pack16(_mm_madd_epi16(lo, kG), _mm_madd_epi16(hi, kG));
        bAdd = Pack16(_mm_madd_epi16(lo, kB), _mm_madd_epi16(hi, kB));
      }
      const __m128i r0 = _mm_unpacklo_epi16(rAdd, rAdd), r1 = _mm_unpackhi_epi16(rAdd, rAdd);
      const __m128i g0 = _mm_unpacklo_epi16(gAdd, gAdd), g1 = _mm_unpackhi_epi16(gAdd, gAdd);
      const __m128i b0 = _mm_unpacklo_epi16(bAdd, bAdd), b1 = _mm_unpackhi_epi16(bAdd, bAdd);
      for (int r = 0; r < rows; ++r) {
        const int yy = y0 + r;
        __m128i ylo, yhi;
        Luma16(job.y + static_cast<ptrdiff_t>(yy) * job.w16 + x, ylo, yhi);
        const __m128i R = _mm_packus_epi16(_mm_add_epi16(ylo, r0), _mm_add_epi16(yhi, r1));
        const __m128i G = _mm_packus_epi16(_mm_add_epi16(ylo, g0), _mm_add_epi16(yhi, g1));
        const __m128i B = _mm_packus_epi16(_mm_add_epi16(ylo, b0), _mm_add_epi16(yhi, b1));
        uint8_t* out = job.bits + static_cast<ptrdiff_t>(yy) * job.stride + static_cast<ptrdiff_t>(x) * 3;
        if (job.width - x >= 16) {
          StoreBgr48(out, B, G, R);
        } else {
          alignas(16) uint8_t tmp[48];
          StoreBgr48(tmp, B, G, R);
          const int n = (job.width - x) * 3;
          for (int i = 0; i < n; ++i) out[i] = tmp[i];
        }
      }
    }
  }
}

}  // namespace klv::jpeg
