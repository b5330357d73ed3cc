#include "media/mpeg4/frame_output.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KLV_COLOUR_SIMD 1
#endif

namespace klv::mpeg4 {

const ColourTables& GetColourTables() {
  static const ColourTables tables = [] {
    ColourTables t {};
    for (int i = 0; i < 256; ++i) {
      t.lumaTerm[i] = 1192 * (i - 16);
      t.crToRed[i] = 1634 * (i - 128);
      t.crToGreen[i] = 833 * (i - 128);
      t.cbToGreen[i] = 401 * (i - 128);
      t.cbToBlue[i] = 2065 * (i - 128);
    }
    return t;
  }();
  return tables;
}

namespace {

// Columns [from, w) of one row with the tables.
void ConvertRowTail(const ColourTables& t, const uint8_t* ys, const uint8_t* us, const uint8_t* vs, int from, int w,
                    uint8_t* out) {
  out += 3 * from;
  for (int col = from; col < w; col += 2) {
    const int32_t blue = t.cbToBlue[us[col / 2]];
    const int32_t green = t.crToGreen[vs[col / 2]] + t.cbToGreen[us[col / 2]];
    const int32_t red = t.crToRed[vs[col / 2]];
    const int n = std::min(2, w - col);
    for (int i = 0; i < n; ++i) {
      const int32_t l = t.lumaTerm[ys[col + i]];
      out[0] = ClampTable[(l + blue) >> 10];
      out[1] = ClampTable[(l - green) >> 10];
      out[2] = ClampTable[(l + red) >> 10];
      out += 3;
    }
  }
}

#if defined(KLV_COLOUR_SIMD)
// Sixteen pixels a step: the same products and shifts in 32-bit lanes, the
// clamp by saturating packs, then the bytes put in blue, green, red order.
__attribute__((target("ssse3"))) int ConvertRowSsse3(const uint8_t* ys, const uint8_t* us, const uint8_t* vs, int w,
                                                     uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k16 = _mm_set1_epi16(16), k128 = _mm_set1_epi16(128);
  const __m128i blueK = _mm_set1_epi32((2065 << 16) | 1192);                       // (Y, Cb)
  const __m128i redK = _mm_set1_epi32((1634 << 16) | 1192);                        // (Y, Cr)
  const __m128i greenK = _mm_set1_epi32(static_cast<int>((0xFFFFu - 833 + 1) << 16) | 1192);  // (Y, Cr)
  const __m128i cbGreenK = _mm_set1_epi32(-401 & 0xFFFF);                          // (Cb, 0)
  // Where each output byte comes from (0x80: nothing).
  const __m128i b0 = _mm_setr_epi8(0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128, 5);
  const __m128i g0 = _mm_setr_epi8(-128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128);
  const __m128i r0 = _mm_setr_epi8(-128, -128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128);
  const __m128i b1 = _mm_setr_epi8(-128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10, -128);
  const __m128i g1 = _mm_setr_epi8(5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10);
  const __m128i r1 = _mm_setr_epi8(-128, 5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128);
  const __m128i b2 = _mm_setr_epi8(-128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128, -128);
  const __m128i g2 = _mm_setr_epi8(-128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128);
  const __m128i r2 = _mm_setr_epi8(10, -128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15);
  int col = 0;
  for (; col + 16 <= w; col += 16) {
    const __m128i y8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ys + col));
    const __m128i u8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(us + col / 2));
    const __m128i v8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(vs + col / 2));
    const __m128i u16 = _mm_sub_epi16(_mm_unpacklo_epi8(u8, zero), k128);  // 8 chroma samples
    const __m128i v16 = _mm_sub_epi16(_mm_unpacklo_epi8(v8, zero), k128);
    __m128i bgr[3][2];
    for (int half = 0; half < 2; ++half) {
      const __m128i yh = _mm_sub_epi16(half ? _mm_unpackhi_epi8(y8, zero) : _mm_unpacklo_epi8(y8, zero), k16);
      // Each chroma sample serves two pixels.
      const __m128i uh = half ? _mm_unpackhi_epi16(u16, u16) : _mm_unpacklo_epi16(u16, u16);
      const __m128i vh = half ? _mm_unpackhi_epi16(v16, v16) : _mm_unpacklo_epi16(v16, v16);
      __m128i b4[2], g4[2], r4[2];
      for (int q = 0; q < 2; ++q) {
        const __m128i yu = q ? _mm_unpackhi_epi16(yh, uh) : _mm_unpacklo_epi16(yh, uh);
        const __m128i yv = q ? _mm_unpackhi_epi16(yh, vh) : _mm_unpacklo_epi16(yh, vh);
        const __m128i u0 = q ? _mm_unpackhi_epi16(uh, zero) : _mm_unpacklo_epi16(uh, zero);
        b4[q] = _mm_srai_epi32(_mm_madd_epi16(yu, blueK), 10);
        r4[q] = _mm_srai_epi32(_mm_madd_epi16(yv, redK), 10);
        g4[q] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(yv, greenK), _mm_madd_epi16(u0, cbGreenK)), 10);
      }
      bgr[0][half] = _mm_packs_epi32(b4[0], b4[1]);
      bgr[1][half] = _mm_packs_epi32(g4[0], g4[1]);
      bgr[2][half] = _mm_packs_epi32(r4[0], r4[1]);
    }
    const __m128i b = _mm_packus_epi16(bgr[0][0], bgr[0][1]);
    const __m128i g = _mm_packus_epi16(bgr[1][0], bgr[1][1]);
    const __m128i r = _mm_packus_epi16(bgr[2][0], bgr[2][1]);
    uint8_t* o = out + 3 * col;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o),
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b0), _mm_shuffle_epi8(g, g0)), _mm_shuffle_epi8(r, r0)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16),
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b1), _mm_shuffle_epi8(g, g1)), _mm_shuffle_epi8(r, r1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 32),
                     _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(g, g2)), _mm_shuffle_epi8(r, r2)));
  }
  return col;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

void ConvertToBgr(const uint8_t* y, int yStride, const uint8_t* u, const uint8_t* v, int cStride, int width,
                  int height, FramePicture& picture) {
  const ColourTables& t = GetColourTables();
  const int w = std::min(width, picture.Width());
  const int h = std::min(height, picture.Height());
  // The sums divided by 1024: a shift gives the same clamped value, since
  // truncation and flooring differ only below zero, which clamps to 0.
  for (int row = 0; row < h; ++row) {
    const uint8_t* ys = y + static_cast<ptrdiff_t>(row) * yStride;
    const uint8_t* us = u + static_cast<ptrdiff_t>(row / 2) * cStride;
    const uint8_t* vs = v + static_cast<ptrdiff_t>(row / 2) * cStride;
    int done = 0;
#if defined(KLV_COLOUR_SIMD)
    if (HasSsse3()) done = ConvertRowSsse3(ys, us, vs, w, picture.Row(row));
#endif
    ConvertRowTail(t, ys, us, vs, done, w, picture.Row(row));
  }
}

}  // namespace klv::mpeg4
