#pragma once
// A second, deliberately plain model of the camera's decoder, written straight
// from its description: a byte-at-a-time bit reader, the bit-by-bit DC code
// search, the 16-bit AC lookup, the shift-chain IDCT and the per-pixel colour
// conversion. The decoder's buffered and vectorised paths must give exactly
// what this gives, also on damaged data. Past the end of the data every fetch
// reads 0xFF and counts as a marker 0xD9, as the decoder documents.

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/jpeg/jpeg_decoder.h"

namespace klv::ref {

struct Reader {
  const uint8_t* p = nullptr;
  const uint8_t* end = nullptr;
  uint8_t cur = 0;
  int left = 0;
  uint32_t count = 0;
  int err = 0;

  void Start(const uint8_t* data, size_t size) {
    p = data;
    end = data + size;
    cur = 0;
    left = 0;
    count = 0;
    err = 0;
  }
  bool Fetch() {
    ++count;
    left = 8;
    if (p >= end) {
      cur = 0xFF;
      err = 0xD9;
      return false;
    }
    const uint8_t b = *p++;
    if (b == 0xFF) {
      if (p < end && *p == 0x00) {
        ++p;
      } else {
        cur = 0xFF;
        err = p < end ? *p : 0xD9;
        return false;
      }
    }
    cur = b;
    return true;
  }
  int Get1Bit() {
    if (left == 0) Fetch();
    const int bit = cur >> 7;
    cur = static_cast<uint8_t>(cur << 1);
    --left;
    return bit;
  }
  uint32_t GetBits(int n) {
    uint32_t v = 0;
    while (n > 0) {
      if (n <= left) {
        v = (v << n) | (static_cast<uint32_t>(cur) >> (8 - n));
        cur = static_cast<uint8_t>(cur << n);
        left -= n;
        return v;
      }
      if (left > 0) v = (v << left) | (static_cast<uint32_t>(cur) >> (8 - left));
      n -= left;
      left = 0;
      if (!Fetch()) return 0;
    }
    return v;
  }
  uint32_t Peek16() const {
    uint32_t v = left > 0 ? (static_cast<uint32_t>(cur) >> (8 - left)) : 0;
    int n = left;
    const uint8_t* q = p;
    while (n < 16) {
      uint8_t b = 0xFF;
      if (q < end) {
        b = *q++;
        if (b == 0xFF && q < end && *q == 0x00) ++q;
      }
      v = (v << 8) | b;
      n += 8;
    }
    return (v >> (n - 16)) & 0xFFFF;
  }
};

inline int Extend(int v, int s) {
  if (s == 0) return 0;
  if (s > 11) return v;
  if (v >= (1 << (s - 1))) return v;
  return v - ((1 << s) - 1);
}

// The 16-bit AC lookup from a table's counts and symbols.
inline std::vector<uint16_t> BuildAcLookup(const HuffDecodeTable& t) {
  std::vector<uint16_t> lut(65536, 0);
  int code = 0, k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < t.BITS[len]; ++i, ++k, ++code) {
      for (int x = 0; x < (1 << (16 - len)); ++x)
        lut[static_cast<size_t>((code << (16 - len)) + x)] = static_cast<uint16_t>((len << 8) | t.HUFFVAL[k]);
    }
    code <<= 1;
  }
  return lut;
}

struct Model {
  Reader r;
  std::vector<uint16_t> acLut[2];

  Model() {
    const JpegDecoder fresh;  // the standard tables it starts with
    acLut[0] = BuildAcLookup(fresh.Huff(1, 0));
    acLut[1] = BuildAcLookup(fresh.Huff(1, 1));
  }

  int DcDiff(const HuffDecodeTable& t) {
    int code = r.Get1Bit();
    int len = 1;
    if (r.err != 0) return 0;
    while (t.MAXCODE[len] < code) {
      ++len;
      if (len > 16) {
        r.err = 255;
        return 0;
      }
      code = (code << 1) | r.Get1Bit();
      if (r.err != 0) return 0;
    }
    int j = t.VALPTR[len] + code - t.MINCODE[len];
    if (j < 0) j = 0;
    if (j > 255) j = 255;
    const int s = t.HUFFVAL[j];
    const uint32_t v = r.GetBits(s);
    if (r.err != 0) return 0;
    return Extend(static_cast<int>(v), s);
  }

  int DecodeAc(int32_t* block, int chroma) {
    for (int k = 1; k < 64; ++k) block[k] = 0;
    int k = 1, last = 1;
    while (k < 64) {
      const uint16_t e = acLut[chroma][r.Peek16()];
      r.GetBits(e >> 8);
      const int run = (e >> 4) & 15;
      const int size = e & 15;
      if (size != 0) {
        k += run;
        if (k > 63) {
          r.err = 255;
          return 0;
        }
        block[k] = Extend(static_cast<int>(r.GetBits(size)), size);
        last = k;
        ++k;
      } else if (run == 15) {
        k += 16;
      } else {
        break;
      }
    }
    return last;
  }
};

// 32-bit wrapping helpers for the IDCT.
inline int32_t W(int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x))); }

inline void Idct1D(int32_t* x) {
  const int32_t a = W(int64_t{x[5]} - x[3]);
  const int32_t b = W(int64_t{x[1]} - x[7]);
  const int32_t cc = W(int64_t{x[1]} + x[3] + x[5] + x[7]);
  const int32_t s = W(W(int64_t{x[1]} + x[7]) - int64_t{W(int64_t{x[3]} + x[5])});
  const int32_t d = W(int64_t{x[2]} - x[6]);
  const int32_t e = W(int64_t{x[2]} + x[6]);
  auto chain = [](int32_t v, std::initializer_list<int> shifts) {
    int32_t t = v;
    for (int sh : shifts) t = W(int64_t{t >> sh} + v);
    return t;
  };
  const int32_t m = W(-(int64_t{a} + b));
  const int32_t P = chain(m, {4, 1}) >> 2;
  const int32_t Q = chain(d, {2, 2, 1, 2}) >> 1;
  const int32_t n = W(-int64_t{a});
  const int32_t R = chain(n, {2, 2, 4}) >> 1;
  const int32_t S = chain(s, {2, 2, 1, 2}) >> 1;
  const int32_t T = W(int64_t{chain(b, {2, 1, 1, 1, 3}) >> 2} + b);
  const int32_t E0 = W(int64_t{x[0]} + x[4] + e + Q);
  const int32_t E3 = W(int64_t{x[0]} + x[4] - (int64_t{e} + Q));
  const int32_t E1 = W(int64_t{x[0]} - x[4] + Q);
  const int32_t E2 = W(int64_t{x[0]} - x[4] - Q);
  const int32_t O0 = W(int64_t{cc} + T + P);
  const int32_t O1 = W(int64_t{T} + P + S);
  const int32_t O2 = W(int64_t{S} - (int64_t{R} + P));
  const int32_t O3 = W(-(int64_t{R} + P));
  x[0] = W(int64_t{E0} + O0);
  x[7] = W(int64_t{E0} - O0);
  x[1] = W(int64_t{E1} + O1);
  x[6] = W(int64_t{E1} - O1);
  x[2] = W(int64_t{E2} + O2);
  x[5] = W(int64_t{E2} - O2);
  x[3] = W(int64_t{E3} + O3);
  x[4] = W(int64_t{E3} - O3);
}

// Zigzag block in, row-order samples out (>> 10).
inline void Idct(const int32_t* block, int32_t* out) {
  static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  int32_t w[64];
  for (int k = 0; k < 64; ++k) w[kZigzag[k]] = block[k];
  for (int i = 0; i < 8; ++i) Idct1D(w + 8 * i);
  for (int j = 0; j < 8; ++j) {
    int32_t col[8];
    for (int i = 0; i < 8; ++i) col[i] = w[8 * i + j];
    Idct1D(col);
    for (int i = 0; i < 8; ++i) w[8 * i + j] = col[i];
  }
  for (int k = 0; k < 64; ++k) out[k] = w[k] >> 10;
}

struct Planes {
  int w16 = 0, h16 = 0;
  std::vector<int32_t> y, cb, cr;
  void Allocate(int width, int height) {
    w16 = (width + 15) / 16 * 16;
    h16 = (height + 15) / 16 * 16;
    y.assign(static_cast<size_t>(w16) * h16, 0);
    cb.assign(static_cast<size_t>(w16 / 2) * (h16 / 2), 0);
    cr.assign(static_cast<size_t>(w16 / 2) * (h16 / 2), 0);
  }
};

// The MCU loop. Returns 0 or the reader's byte count; *error gets nJpegError.
inline int DecodeMcus(Model& m, const uint8_t* data, size_t size, const QuantStore& quant,
                      const HuffDecodeTable& dcLuma, const HuffDecodeTable& dcChroma, Planes& pl,
                      int* error) {
  m.r.Start(data, size);
  int32_t pred[3] = {0, 0, 0};
  int32_t block[64], out[64];
  const int cw = pl.w16 / 2;
  auto run = [&](int comp, int32_t* dst, int stride) {
    const bool luma = comp == 0;
    const int d = m.DcDiff(luma ? dcLuma : dcChroma);
    if (m.r.err != 0) return false;
    pred[comp] = W(int64_t{pred[comp]} + d);
    block[0] = pred[comp];
    const int last = m.DecodeAc(block, luma ? 0 : 1);
    const int table = luma ? 0 : 1;
    for (int k = 0; k <= last; ++k) block[k] = W(int64_t{block[k]} * quant.multiplier[table][k]);
    Idct(block, out);
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) {
        int32_t v = out[8 * i + j];
        if (luma) {
          v += 128;
          v = v < 0 ? 0 : (v > 255 ? 255 : v);
        }
        dst[i * stride + j] = v;
      }
    return m.r.err == 0;
  };
  for (int my = 0; my < pl.h16 / 16; ++my)
    for (int mx = 0; mx < pl.w16 / 16; ++mx) {
      int32_t* yb = pl.y.data() + static_cast<size_t>(16 * my) * pl.w16 + 16 * mx;
      bool ok = run(0, yb, pl.w16) && run(0, yb + 8, pl.w16) && run(0, yb + 8 * pl.w16, pl.w16) &&
                run(0, yb + 8 * pl.w16 + 8, pl.w16) &&
                run(1, pl.cb.data() + static_cast<size_t>(8 * my) * cw + 8 * mx, cw) &&
                run(2, pl.cr.data() + static_cast<size_t>(8 * my) * cw + 8 * mx, cw);
      if (!ok) {
        *error = m.r.err;
        return static_cast<int>(m.r.count);
      }
    }
  *error = 0;
  return 0;
}

inline uint8_t Clamp(int x) { return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x)); }

// Per-pixel colour conversion into BGR rows of the given stride.
inline void ToBgr(const Planes& pl, int width, int height, bool forceBw, uint8_t* bits, size_t stride) {
  int TR[256], TGb[256], TGr[256], TB[256];
  for (int i = 0; i < 256; ++i) {
    TR[i] = (i - 128) * 2871;
    TGb[i] = (i - 128) * (-705);
    TGr[i] = (i - 128) * (-1463);
    TB[i] = (i - 128) * 3629;
  }
  for (int y = 0; y < height; ++y) {
    int cb = 0, cr = 0;
    for (int x = 0; x < width; ++x) {
      const int Y = pl.y[static_cast<size_t>(y) * pl.w16 + x];
      if (x % 2 == 0) {
        cb = Clamp(pl.cb[static_cast<size_t>(y / 2) * (pl.w16 / 2) + x / 2] + 128);
        cr = Clamp(pl.cr[static_cast<size_t>(y / 2) * (pl.w16 / 2) + x / 2] + 128);
      }
      int R, G, B;
      if (forceBw) {
        R = G = B = Y;
      } else {
        R = Y + TR[cr] / 2048;
        G = Y + (TGb[cb] + TGr[cr]) / 2048;
        B = Y + TB[cb] / 2048;
      }
      uint8_t* px = bits + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
      px[0] = Clamp(B);
      px[1] = Clamp(G);
      px[2] = Clamp(R);
    }
  }
}

}  // namespace klv::ref
