#include "media/mpeg4/idct.h"

#include <algorithm>
#include <array>

#include "media/mpeg4/sse2_transpose.h"

namespace klv::mpeg4 {
namespace {

inline int16_t W16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v))); }
inline int16_t R(int32_t v) { return W16((v + 8192) >> 14); }

// One 8-point transform on x[0..7] (16-bit), in place.
void Transform8(int16_t* x) {
  const int16_t s = W16(x[0] + x[4]);
  const int16_t d = W16(x[0] - x[4]);
  const int16_t t1 = R(21406 * x[2] + 8866 * x[6]);
  const int16_t t2 = R(8866 * x[2] - 21406 * x[6]);
  const int16_t e0 = W16(s + t1), e3 = W16(s - t1), e1 = W16(d + t2), e2 = W16(d - t2);
  const int16_t p = R(11585 * (x[1] + x[7]));
  const int16_t q = R(11585 * (x[1] - x[7]));
  const int16_t u1 = W16(q + x[5]), u2 = W16(q - x[5]), u3 = W16(p + x[3]), u4 = W16(p - x[3]);
  const int16_t o0 = R(12872 * u1 + 19265 * u3);
  const int16_t o3 = R(19265 * u1 - 12872 * u3);
  const int16_t o1 = R(4520 * u4 + 22725 * u2);
  const int16_t o2 = R(22725 * u4 - 4520 * u2);
  x[0] = W16(e0 + o0);
  x[7] = W16(e0 - o0);
  x[1] = W16(e1 + o1);
  x[6] = W16(e1 - o1);
  x[2] = W16(e2 + o2);
  x[5] = W16(e2 - o2);
  x[3] = W16(e3 + o3);
  x[4] = W16(e3 - o3);
}

inline int16_t Final(int16_t v) {
  const int r = (v + 32) >> 6;
  return static_cast<int16_t>(std::clamp(r, -256, 255));
}

// Column-pass outputs of the lone mismatch-control input (an 8 at position
// 63 after the row pass), to be added to a flat DC block.
struct FlipPattern {
  int16_t m[64];
};
FlipPattern MakeFlipPattern() {
  FlipPattern f {};
  int16_t in[64] = {};
  in[63] = 8;
  int16_t rows[64];
  // Row pass alone, then the column pass alone, keeping the 16-bit sums.
  for (int r = 0; r < 8; ++r) {
    int16_t x[8];
    for (int c = 0; c < 8; ++c) x[c] = in[c * 8 + r];
    Transform8(x);
    for (int c = 0; c < 8; ++c) rows[r * 8 + c] = x[c];
  }
  for (int c = 0; c < 8; ++c) {
    int16_t x[8];
    for (int r = 0; r < 8; ++r) x[r] = rows[r * 8 + c];
    Transform8(x);
    for (int r = 0; r < 8; ++r) f.m[r * 8 + c] = x[r];
  }
  return f;
}
const FlipPattern kFlip = MakeFlipPattern();

}  // namespace

void Idct8x8Reference(const int16_t* in, int16_t* out) {
  int16_t mid[64];
  for (int r = 0; r < 8; ++r) {
    int16_t x[8];
    for (int c = 0; c < 8; ++c) x[c] = in[c * 8 + r];
    Transform8(x);
    for (int c = 0; c < 8; ++c) mid[r * 8 + c] = x[c];
  }
  for (int c = 0; c < 8; ++c) {
    int16_t x[8];
    for (int r = 0; r < 8; ++r) x[r] = mid[r * 8 + c];
    Transform8(x);
    for (int r = 0; r < 8; ++r) out[r * 8 + c] = Final(x[r]);
  }
}

void IdctDcOnly(int16_t dc8, bool flip63, int16_t* out) {
  // With only x0 the row pass copies dc8 along row 0 and the column pass
  // copies it down; the flip adds its fixed pattern (16-bit sums).
  if (!flip63) {
    std::fill(out, out + 64, Final(dc8));
    return;
  }
  for (int i = 0; i < 64; ++i) out[i] = Final(W16(dc8 + kFlip.m[i]));
}

#if defined(__SSE2__)
namespace {

struct Consts {
  __m128i c21406_8866, c8866_m21406, c11585_11585, c11585_m11585;
  __m128i c12872_19265, c19265_m12872, c4520_22725, c22725_m4520;
  __m128i round14;
};

inline __m128i Pair(int a, int b) {
  return _mm_set_epi16(static_cast<short>(b), static_cast<short>(a), static_cast<short>(b), static_cast<short>(a),
                       static_cast<short>(b), static_cast<short>(a), static_cast<short>(b), static_cast<short>(a));
}

const Consts& K() {
  static const Consts k = {Pair(21406, 8866),  Pair(8866, -21406), Pair(11585, 11585), Pair(11585, -11585),
                           Pair(12872, 19265), Pair(19265, -12872), Pair(4520, 22725), Pair(22725, -4520),
                           _mm_set1_epi32(8192)};
  return k;
}

// R(c0 * a + c1 * b) per 16-bit lane, wrapped to 16 bits.
inline __m128i MulR(__m128i a, __m128i b, __m128i c, __m128i round) {
  __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(a, b), c);
  __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(a, b), c);
  lo = _mm_srai_epi32(_mm_add_epi32(lo, round), 14);
  hi = _mm_srai_epi32(_mm_add_epi32(hi, round), 14);
  lo = _mm_srai_epi32(_mm_slli_epi32(lo, 16), 16);
  hi = _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16);
  return _mm_packs_epi32(lo, hi);
}

// The 8-point transform on eight lanes at once: x[k] holds input k of each lane.
inline void Transform8x8(__m128i* x, const Consts& k) {
  const __m128i s = _mm_add_epi16(x[0], x[4]);
  const __m128i d = _mm_sub_epi16(x[0], x[4]);
  const __m128i t1 = MulR(x[2], x[6], k.c21406_8866, k.round14);
  const __m128i t2 = MulR(x[2], x[6], k.c8866_m21406, k.round14);
  const __m128i e0 = _mm_add_epi16(s, t1), e3 = _mm_sub_epi16(s, t1);
  const __m128i e1 = _mm_add_epi16(d, t2), e2 = _mm_sub_epi16(d, t2);
  const __m128i p = MulR(x[1], x[7], k.c11585_11585, k.round14);
  const __m128i q = MulR(x[1], x[7], k.c11585_m11585, k.round14);
  const __m128i u1 = _mm_add_epi16(q, x[5]), u2 = _mm_sub_epi16(q, x[5]);
  const __m128i u3 = _mm_add_epi16(p, x[3]), u4 = _mm_sub_epi16(p, x[3]);
  const __m128i o0 = MulR(u1, u3, k.c12872_19265, k.round14);
  const __m128i o3 = MulR(u1, u3, k.c19265_m12872, k.round14);
  const __m128i o1 = MulR(u4, u2, k.c4520_22725, k.round14);
  const __m128i o2 = MulR(u4, u2, k.c22725_m4520, k.round14);
  x[0] = _mm_add_epi16(e0, o0);
  x[7] = _mm_sub_epi16(e0, o0);
  x[1] = _mm_add_epi16(e1, o1);
  x[6] = _mm_sub_epi16(e1, o1);
  x[2] = _mm_add_epi16(e2, o2);
  x[5] = _mm_sub_epi16(e2, o2);
  x[3] = _mm_add_epi16(e3, o3);
  x[4] = _mm_sub_epi16(e3, o3);
}

}  // namespace

void Idct8x8(const int16_t* in, int16_t* out) {
  const Consts& k = K();
  __m128i x[8];
  // Lanes are rows: vector j holds input j of every row.
  for (int j = 0; j < 8; ++j) x[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + j * 8));
  Transform8x8(x, k);
  // Vector j now holds column j of the row results; make the vectors rows.
  Transpose8x8(x);
  Transform8x8(x, k);
  // (v + 32) >> 6 without a 16-bit overflow: ((v >> 1) + 16) >> 5.
  const __m128i sixteen = _mm_set1_epi16(16);
  const __m128i lo = _mm_set1_epi16(-256), hi = _mm_set1_epi16(255);
  for (int r = 0; r < 8; ++r) {
    __m128i v = _mm_srai_epi16(_mm_add_epi16(_mm_srai_epi16(x[r], 1), sixteen), 5);
    v = _mm_min_epi16(_mm_max_epi16(v, lo), hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * 8), v);
  }
}
#else
void Idct8x8(const int16_t* in, int16_t* out) { Idct8x8Reference(in, out); }
#endif

}  // namespace klv::mpeg4
