#include "media/mpeg4/deblock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/common/picture.h"

#include "media/mpeg4/sse2_transpose.h"

namespace klv::mpeg4 {

int DeblockEdge(const int32_t* s, int32_t* out, int qp) {
  for (int i = 0; i < 10; ++i) out[i] = s[i];
  int eqCount = 0;
  for (int j = 1; j < 10; ++j) eqCount += std::abs(s[j] - s[j - 1]) <= 2;

  if (eqCount >= 8) {
    // DC offset mode: smooth s1 .. s8 when the window is nearly flat.
    const int32_t hi = *std::max_element(s + 1, s + 9);
    const int32_t lo = *std::min_element(s + 1, s + 9);
    if (hi - lo >= 2 * qp) return 0;
    const int32_t p0 = std::abs(s[0] - s[1]) < qp ? s[0] : s[1];
    const int32_t p9 = std::abs(s[8] - s[9]) < qp ? s[9] : s[8];
    int32_t p[18];  // p(m) at p[m + 3], m = -3 .. 14
    for (int m = -3; m <= 14; ++m) p[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : s[m]);
    for (int n = 1; n <= 8; ++n) {
      const int32_t* c = p + n + 3;
      out[n] = (c[-4] + c[-3] + 2 * c[-2] + 2 * c[-1] + 4 * c[0] + 2 * c[1] + 2 * c[2] + c[3] + c[4] + 8) >> 4;
    }
    return 2;
  }

  // Default mode: correct s4 and s5 when the edge step is small.
  const int32_t a30 = (2 * s[3] - 5 * s[4] + 5 * s[5] - 2 * s[6] + 4) >> 3;
  if (std::abs(a30) >= qp) return 0;
  const int32_t a31 = (2 * s[1] - 5 * s[2] + 5 * s[3] - 2 * s[4] + 4) >> 3;
  const int32_t a32 = (2 * s[5] - 5 * s[6] + 5 * s[7] - 2 * s[8] + 4) >> 3;
  const int32_t least = std::min({std::abs(a30), std::abs(a31), std::abs(a32)});
  const int32_t a30c = a30 >= 0 ? least : -least;
  int32_t d = ((a30c - a30) * 5 + 4) >> 3;
  const int32_t e = (s[4] - s[5]) / 2;
  if ((d < 0) != (e < 0)) return 0;
  d = d < 0 ? std::max(d, e) : std::min(d, e);
  out[4] = ClampTable[s[4] - d];
  out[5] = ClampTable[s[5] + d];
  return 1;
}

void LowPassPlane(uint8_t* plane, int w, int h, int stride) {
  std::vector<uint8_t> u(static_cast<size_t>(std::max(w, h)));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = plane + static_cast<ptrdiff_t>(y) * stride;
    std::memcpy(u.data(), row, static_cast<size_t>(w));
    for (int j = 2; j <= w - 2; ++j) row[j - 1] = static_cast<uint8_t>((u[j - 2] + 2 * u[j - 1] + u[j]) >> 2);
  }
  for (int x = 0; x < w; ++x) {
    uint8_t* col = plane + x;
    for (int j = 0; j < h; ++j) u[static_cast<size_t>(j)] = col[static_cast<ptrdiff_t>(j) * stride];
    for (int j = 2; j <= h - 2; ++j) {
      col[static_cast<ptrdiff_t>(j - 1) * stride] = static_cast<uint8_t>((u[j - 2] + 2 * u[j - 1] + u[j]) >> 2);
    }
  }
}

namespace {

// Scalar edges of one line of samples `step` apart, windows read from
// `orig`, results written into `line`.
void DeblockLineScalar(const uint8_t* const* rows, uint8_t* const* out, int qp, DeblockStats* stats) {
  int32_t win[10], res[10];
  for (int i = 0; i < 10; ++i) win[i] = *rows[i];
  const int result = DeblockEdge(win, res, qp);
  if (result == 1) {
    *out[4] = static_cast<uint8_t>(res[4]);
    *out[5] = static_cast<uint8_t>(res[5]);
    ++stats->defaultFiltered;
  } else if (result == 2) {
    for (int i = 1; i <= 8; ++i) *out[i] = static_cast<uint8_t>(res[i]);
    ++stats->dcFiltered;
  }
}

#if defined(__SSE2__)
inline __m128i AbsDiff16(__m128i a, __m128i b) { return _mm_max_epi16(_mm_sub_epi16(a, b), _mm_sub_epi16(b, a)); }
inline __m128i Abs16(__m128i a) { return _mm_max_epi16(a, _mm_sub_epi16(_mm_setzero_si128(), a)); }
inline __m128i Select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
inline int Lanes(__m128i mask) { return __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(mask))) / 2; }

// DeblockEdge on eight windows at once (16-bit lanes). s[0..9] in; out[1..8]
// the samples afterwards (unchanged where nothing applies).
void EdgeKernel(const __m128i* s, int qp, __m128i* out, DeblockStats* stats) {
  const __m128i vqp = _mm_set1_epi16(static_cast<short>(qp));
  const __m128i three = _mm_set1_epi16(3);
  __m128i count = _mm_setzero_si128();
  for (int j = 1; j < 10; ++j) count = _mm_sub_epi16(count, _mm_cmpgt_epi16(three, AbsDiff16(s[j], s[j - 1])));
  const __m128i dcMode = _mm_cmpgt_epi16(count, _mm_set1_epi16(7));

  // DC offset mode.
  __m128i hi = s[1], lo = s[1];
  for (int j = 2; j <= 8; ++j) {
    hi = _mm_max_epi16(hi, s[j]);
    lo = _mm_min_epi16(lo, s[j]);
  }
  const __m128i dcApply = _mm_and_si128(dcMode, _mm_cmpgt_epi16(_mm_add_epi16(vqp, vqp), _mm_sub_epi16(hi, lo)));
  __m128i p[18];  // p(m) at p[m + 3]
  const __m128i p0 = Select(_mm_cmpgt_epi16(vqp, AbsDiff16(s[0], s[1])), s[0], s[1]);
  const __m128i p9 = Select(_mm_cmpgt_epi16(vqp, AbsDiff16(s[8], s[9])), s[9], s[8]);
  for (int m = -3; m <= 14; ++m) p[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : s[m]);
  const __m128i eight = _mm_set1_epi16(8);

  // Default mode.
  const __m128i four = _mm_set1_epi16(4);
  auto a3 = [&](int i) {  // (2 s[i] - 5 s[i+1] + 5 s[i+2] - 2 s[i+3] + 4) >> 3
    const __m128i t = _mm_add_epi16(_mm_slli_epi16(_mm_sub_epi16(s[i], s[i + 3]), 1),
                                    _mm_mullo_epi16(_mm_sub_epi16(s[i + 2], s[i + 1]), _mm_set1_epi16(5)));
    return _mm_srai_epi16(_mm_add_epi16(t, four), 3);
  };
  const __m128i a30 = a3(3), a31 = a3(1), a32 = a3(5);
  const __m128i defOk = _mm_andnot_si128(dcMode, _mm_cmpgt_epi16(vqp, Abs16(a30)));
  const __m128i least = _mm_min_epi16(Abs16(a30), _mm_min_epi16(Abs16(a31), Abs16(a32)));
  const __m128i a30Negative = _mm_cmpgt_epi16(_mm_setzero_si128(), a30);
  const __m128i a30c = Select(a30Negative, _mm_sub_epi16(_mm_setzero_si128(), least), least);
  __m128i d = _mm_srai_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(a30c, a30), _mm_set1_epi16(5)), four), 3);
  const __m128i diff = _mm_sub_epi16(s[4], s[5]);
  const __m128i e = _mm_srai_epi16(_mm_sub_epi16(diff, _mm_srai_epi16(diff, 15)), 1);  // truncated halving
  const __m128i dNegative = _mm_cmpgt_epi16(_mm_setzero_si128(), d);
  const __m128i eNegative = _mm_cmpgt_epi16(_mm_setzero_si128(), e);
  const __m128i defApply = _mm_andnot_si128(_mm_xor_si128(dNegative, eNegative), defOk);
  d = Select(dNegative, _mm_max_epi16(d, e), _mm_min_epi16(d, e));

  for (int n = 1; n <= 8; ++n) {
    const __m128i* c = p + n + 3;
    __m128i sum = _mm_add_epi16(_mm_add_epi16(c[-4], c[-3]), _mm_add_epi16(c[3], c[4]));
    sum = _mm_add_epi16(sum, _mm_slli_epi16(_mm_add_epi16(_mm_add_epi16(c[-2], c[-1]), _mm_add_epi16(c[1], c[2])), 1));
    sum = _mm_add_epi16(sum, _mm_slli_epi16(c[0], 2));
    const __m128i smooth = _mm_srai_epi16(_mm_add_epi16(sum, eight), 4);
    __m128i v = s[n];
    if (n == 4) v = Select(defApply, _mm_sub_epi16(s[4], d), v);
    if (n == 5) v = Select(defApply, _mm_add_epi16(s[5], d), v);
    out[n] = Select(dcApply, smooth, v);
  }
  stats->dcFiltered += Lanes(dcApply);
  stats->defaultFiltered += Lanes(defApply);
}

inline __m128i Load8(const uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline void Store8(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v)); }

#endif

}  // namespace

void DeblockPlane(uint8_t* plane, int w, int h, int stride, int qp, DeblockStats* stats) {
  if (w <= 0 || h <= 0) return;
  auto at = [&](int x, int y) { return plane + static_cast<ptrdiff_t>(y) * stride + x; };

  // Rows pass. Each edge's window is read before the edge to its left writes
  // back, so every window holds the row as it was before the pass: windows
  // are read from a copy of the rows.
  const size_t padded = static_cast<size_t>(w) + 16;
  std::vector<uint8_t> orig(padded * 8, 0);
  int y = 0;
#if defined(__SSE2__)
  for (; y + 8 <= h; y += 8) {
    for (int r = 0; r < 8; ++r) std::memcpy(orig.data() + r * padded, at(0, y + r), static_cast<size_t>(w));
    for (int x = 8; x + 5 <= w; x += 8) {
      // Ten columns x - 5 .. x + 4 of eight rows, as vectors of the rows.
      __m128i lo[8], hi[8];
      for (int r = 0; r < 8; ++r) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(orig.data() + r * padded + x - 5));
        lo[r] = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
        hi[r] = _mm_unpackhi_epi8(bytes, _mm_setzero_si128());
      }
      Transpose8x8(lo);
      Transpose8x8(hi);
      const __m128i s[10] = {lo[0], lo[1], lo[2], lo[3], lo[4], lo[5], lo[6], lo[7], hi[0], hi[1]};
      __m128i out[9];
      EdgeKernel(s, qp, out, stats);
      __m128i cols[8] = {out[1], out[2], out[3], out[4], out[5], out[6], out[7], out[8]};
      Transpose8x8(cols);
      for (int r = 0; r < 8; ++r) Store8(at(x - 4, y + r), cols[r]);
    }
  }
#endif
  for (; y < h; ++y) {
    std::memcpy(orig.data(), at(0, y), static_cast<size_t>(w));
    for (int x = 8; x + 5 <= w; x += 8) {
      const uint8_t* rows[10];
      uint8_t* outs[10];
      for (int i = 0; i < 10; ++i) {
        rows[i] = orig.data() + x - 5 + i;
        outs[i] = at(x - 5 + i, y);
      }
      DeblockLineScalar(rows, outs, qp, stats);
    }
  }

  // Columns pass on the rows pass's result, one horizontal edge at a time
  // across all columns. Only the window's first row (y - 5) can have been
  // changed by the edge above; it is read from the copy taken before that
  // edge wrote.
  std::vector<uint8_t> before(static_cast<size_t>(w)), next(static_cast<size_t>(w));
  bool haveBefore = false;
  for (int e = 8; e + 5 <= h; e += 8) {
    const uint8_t* rows[10];
    uint8_t* outRows[10];
    for (int i = 0; i < 10; ++i) {
      rows[i] = at(0, e - 5 + i);
      outRows[i] = at(0, e - 5 + i);
    }
    if (haveBefore) rows[0] = before.data();
    std::memcpy(next.data(), rows[8], static_cast<size_t>(w));  // the next edge's first row
    int x = 0;
#if defined(__SSE2__)
    for (; x + 8 <= w; x += 8) {
      __m128i s[10], out[9];
      for (int i = 0; i < 10; ++i) s[i] = Load8(rows[i] + x);
      EdgeKernel(s, qp, out, stats);
      for (int i = 1; i <= 8; ++i) Store8(outRows[i] + x, out[i]);
    }
#endif
    for (; x < w; ++x) {
      const uint8_t* col[10];
      uint8_t* outs[10];
      for (int i = 0; i < 10; ++i) {
        col[i] = rows[i] + x;
        outs[i] = outRows[i] + x;
      }
      DeblockLineScalar(col, outs, qp, stats);
    }
    before.swap(next);
    haveBefore = true;
  }
}

void DeblockPicture(PackedPicture* picture, int width, int height, int qp, DeblockStats* stats) {
  if (picture == nullptr || picture->y == nullptr) return;
  DeblockPlane(picture->y, width, height, picture->width, qp, stats);
  DeblockPlane(picture->u, width / 2, height / 2, picture->cwidth, qp, stats);
  DeblockPlane(picture->v, width / 2, height / 2, picture->cwidth, qp, stats);
}

const PackedPicture& PostFilterPicture(PictureStores& stores, int method, int qp, DeblockStats* stats) {
  PackedPicture& p = stores.CopyToFilterScratch();
  if (method == 1) {
    LowPassPlane(p.y, p.width, p.height, p.width);
    LowPassPlane(p.u, p.width / 2, p.height / 2, p.cwidth);
    LowPassPlane(p.v, p.width / 2, p.height / 2, p.cwidth);
  } else if (method == 2) {
    DeblockPicture(&p, p.width, p.height, qp, stats);
  }
  return p;
}

}  // namespace klv::mpeg4
