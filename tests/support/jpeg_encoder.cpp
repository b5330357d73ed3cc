#include "support/jpeg_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace klv::sample {
namespace {

// T.81 Table K.1 and K.2, natural order.
constexpr uint8_t kLumaQuant[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t kChromaQuant[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

HuffmanSpec MakeSpec(std::initializer_list<uint8_t> bits, std::initializer_list<uint8_t> values) {
  HuffmanSpec s;
  std::copy(bits.begin(), bits.end(), s.bits.begin());
  s.values.assign(values.begin(), values.end());
  return s;
}

void Put16Be(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  out.push_back(static_cast<uint8_t>(v & 0xFF));
}

void PutSegment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& payload) {
  out.push_back(0xFF);
  out.push_back(marker);
  const size_t len = std::min<size_t>(payload.size(), 65533);
  Put16Be(out, static_cast<int>(len + 2));
  out.insert(out.end(), payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(len));
}

void AppendQuant(std::vector<uint8_t>& p, int id, const QuantTable& q) {
  p.push_back(static_cast<uint8_t>(id));  // 8-bit precision
  for (int k = 0; k < 64; ++k) p.push_back(q[kZigzagToNatural[static_cast<size_t>(k)]]);
}

void AppendHuffman(std::vector<uint8_t>& p, int cls, int id, const HuffmanSpec& h) {
  p.push_back(static_cast<uint8_t>(cls << 4 | id));
  p.insert(p.end(), h.bits.begin(), h.bits.end());
  p.insert(p.end(), h.values.begin(), h.values.end());
}

void WriteHeaders(std::vector<uint8_t>& out, int width, int height, const JpegOptions& o) {
  out.push_back(0xFF);
  out.push_back(0xD8);
  if (o.jfif) {
    PutSegment(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  }
  if (o.cameraRecord) {
    PutSegment(out, 0xE4, std::vector<uint8_t>(o.cameraRecord->begin(), o.cameraRecord->end()));
  }
  if (o.timeStamp) {
    const uint64_t t = *o.timeStamp;
    std::vector<uint8_t> p = {'T'};
    for (int i = 0; i < 4; ++i) p.push_back(static_cast<uint8_t>(t >> (8 * i)));
    for (int i = 4; i < 6; ++i) p.push_back(static_cast<uint8_t>(t >> (8 * i)));
    if (o.rtcd) {
      p.insert(p.end(), {'R', 'T', 'C', 'D'});
      p.insert(p.end(), o.rtcd->begin(), o.rtcd->end());
    }
    PutSegment(out, 0xFE, p);
  }
  if (o.eventByte) PutSegment(out, 0xE5, {*o.eventByte});

  const QuantTable lq = LumaQuantFor(o);
  const QuantTable cq = ChromaQuantFor(o);
  if (o.dqt == TablePacking::Separate) {
    std::vector<uint8_t> p;
    AppendQuant(p, 0, lq);
    PutSegment(out, 0xDB, p);
    p.clear();
    AppendQuant(p, 1, cq);
    PutSegment(out, 0xDB, p);
  } else if (o.dqt == TablePacking::Combined) {
    std::vector<uint8_t> p;
    AppendQuant(p, 0, lq);
    AppendQuant(p, 1, cq);
    PutSegment(out, 0xDB, p);
  }

  const auto hi = [](int v) { return static_cast<uint8_t>((v >> 8) & 0xFF); };
  const auto lo = [](int v) { return static_cast<uint8_t>(v & 0xFF); };
  // 8-bit samples; Y 2x2 with table 0, Cb and Cr 1x1 with table 1.
  PutSegment(out, o.sofMarker,
             {8, hi(height), lo(height), hi(width), lo(width), 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});

  const HuffmanSpec& dc0 = o.dcLuma ? *o.dcLuma : StdDcLuma();
  const HuffmanSpec& dc1 = o.dcChroma ? *o.dcChroma : StdDcChroma();
  if (!o.customDht.empty()) {
    for (const auto& p : o.customDht) PutSegment(out, 0xC4, p);
  } else if (o.dht == TablePacking::Separate) {
    const HuffmanSpec* tables[4] = {&dc0, &dc1, &StdAcLuma(), &StdAcChroma()};
    for (int i = 0; i < 4; ++i) {
      std::vector<uint8_t> p;
      AppendHuffman(p, i / 2, i % 2, *tables[i]);
      PutSegment(out, 0xC4, p);
    }
  } else if (o.dht == TablePacking::Combined) {
    std::vector<uint8_t> p;
    AppendHuffman(p, 0, 0, dc0);
    AppendHuffman(p, 0, 1, dc1);
    AppendHuffman(p, 1, 0, StdAcLuma());
    AppendHuffman(p, 1, 1, StdAcChroma());
    PutSegment(out, 0xC4, p);
  }

  for (const auto& s : o.extraSegments) PutSegment(out, s.marker, s.payload);

  PutSegment(out, 0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

// Orthonormal 8-point DCT-II basis with the JPEG scaling: C(u)/2 cos((2x+1)u pi/16).
struct DctBasis {
  double m[8][8];
  DctBasis() {
    const double pi = std::acos(-1.0);
    for (int u = 0; u < 8; ++u) {
      const double c = u == 0 ? std::sqrt(0.5) : 1.0;
      for (int x = 0; x < 8; ++x) m[u][x] = 0.5 * c * std::cos((2 * x + 1) * u * pi / 16.0);
    }
  }
};
const DctBasis kBasis;

// Forward DCT of a level-shifted 8x8 block (row-major samples) and
// quantisation; result in zigzag order.
void FdctQuantise(const double* samples, int stride, const QuantTable& q, CoefBlock& out) {
  double tmp[8][8];
  for (int y = 0; y < 8; ++y) {
    const double* row = samples + static_cast<ptrdiff_t>(y) * stride;
    for (int u = 0; u < 8; ++u) {
      double s = 0;
      for (int x = 0; x < 8; ++x) s += kBasis.m[u][x] * (row[x] - 128.0);
      tmp[y][u] = s;
    }
  }
  double coef[64];
  for (int u = 0; u < 8; ++u) {
    for (int v = 0; v < 8; ++v) {
      double s = 0;
      for (int y = 0; y < 8; ++y) s += kBasis.m[v][y] * tmp[y][u];
      coef[v * 8 + u] = s;
    }
  }
  for (int k = 0; k < 64; ++k) {
    const int n = kZigzagToNatural[static_cast<size_t>(k)];
    const double v = std::nearbyint(coef[n] / q[static_cast<size_t>(n)]);
    out[static_cast<size_t>(k)] = static_cast<int16_t>(std::clamp(v, -2047.0, 2047.0));
  }
}

}  // namespace

const std::array<uint8_t, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

RgbImage::RgbImage(int w, int h, uint8_t r, uint8_t g, uint8_t b)
    : width(std::max(w, 0)), height(std::max(h, 0)) {
  rgb.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
}

const HuffmanSpec& StdDcLuma() {
  static const HuffmanSpec s =
      MakeSpec({0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  return s;
}

const HuffmanSpec& StdDcChroma() {
  static const HuffmanSpec s =
      MakeSpec({0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  return s;
}

const HuffmanSpec& StdAcLuma() {
  static const HuffmanSpec s = MakeSpec(
      {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
      {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
       0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
       0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
       0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
       0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
       0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
       0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
       0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
       0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
       0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
       0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa});
  return s;
}

const HuffmanSpec& StdAcChroma() {
  static const HuffmanSpec s = MakeSpec(
      {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
      {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
       0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
       0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
       0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
       0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
       0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
       0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
       0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
       0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
       0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
       0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa});
  return s;
}

HuffmanCodes BuildHuffmanCodes(const HuffmanSpec& spec) {
  HuffmanCodes c;
  uint32_t code = 0;
  size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < spec.bits[static_cast<size_t>(len - 1)] && k < spec.values.size(); ++i, ++k) {
      const uint8_t sym = spec.values[k];
      c.code[sym] = static_cast<uint16_t>(code);
      c.length[sym] = static_cast<uint8_t>(len);
      ++code;
    }
    code <<= 1;
  }
  return c;
}

QuantTable QuantTableForQuality(int quality, bool chroma) {
  quality = std::clamp(quality, 1, 100);
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  const uint8_t* base = chroma ? kChromaQuant : kLumaQuant;
  QuantTable q {};
  for (size_t i = 0; i < 64; ++i) q[i] = static_cast<uint8_t>(std::clamp((base[i] * scale + 50) / 100, 1, 255));
  return q;
}

QuantTable LumaQuantFor(const JpegOptions& o) {
  return o.lumaQuant ? *o.lumaQuant : QuantTableForQuality(o.quality, false);
}

QuantTable ChromaQuantFor(const JpegOptions& o) {
  return o.chromaQuant ? *o.chromaQuant : QuantTableForQuality(o.quality, true);
}

// ---- Bit writer ------------------------------------------------------------

void JpegBitWriter::PutBits(uint32_t bits, int count) {
  if (count <= 0) return;
  count = std::min(count, 24);
  acc_ = (acc_ << count) | (bits & ((1u << count) - 1));
  nbits_ += count;
  Flush();
}

void JpegBitWriter::Flush() {
  while (nbits_ >= 8) {
    const uint8_t byte = static_cast<uint8_t>(acc_ >> (nbits_ - 8));
    out_.push_back(byte);
    if (byte == 0xFF) out_.push_back(0x00);
    nbits_ -= 8;
    acc_ &= (1u << nbits_) - 1;
  }
}

void JpegBitWriter::PutSymbol(const HuffmanCodes& codes, uint8_t symbol) {
  PutBits(codes.code[symbol], codes.length[symbol]);
}

int JpegBitWriter::Category(int v) {
  unsigned a = static_cast<unsigned>(v < 0 ? -v : v);
  int n = 0;
  while (a) {
    ++n;
    a >>= 1;
  }
  return n;
}

void JpegBitWriter::PutValue(int v, int category) {
  if (category <= 0) return;
  if (v < 0) v += (1 << category) - 1;
  PutBits(static_cast<uint32_t>(v), category);
}

void JpegBitWriter::PutBlock(const CoefBlock& zz, int& predictor, const HuffmanCodes& dc,
                             const HuffmanCodes& ac) {
  const int diff = std::clamp(zz[0] - predictor, -2047, 2047);
  predictor += diff;
  const int dcCat = Category(diff);
  PutSymbol(dc, static_cast<uint8_t>(dcCat));
  PutValue(diff, dcCat);
  int run = 0;
  for (size_t k = 1; k < 64; ++k) {
    const int v = std::clamp<int>(zz[k], -1023, 1023);
    if (v == 0) {
      ++run;
      continue;
    }
    while (run >= 16) {
      PutSymbol(ac, 0xF0);
      run -= 16;
    }
    const int cat = Category(v);
    PutSymbol(ac, static_cast<uint8_t>(run << 4 | cat));
    PutValue(v, cat);
    run = 0;
  }
  if (run > 0) PutSymbol(ac, 0x00);
}

void JpegBitWriter::PutRaw(const std::vector<uint8_t>& bytes) {
  if (nbits_ > 0) PutBits((1u << (8 - nbits_)) - 1, 8 - nbits_);
  out_.insert(out_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> JpegBitWriter::Finish() {
  if (nbits_ > 0) PutBits((1u << (8 - nbits_)) - 1, 8 - nbits_);
  std::vector<uint8_t> r;
  r.swap(out_);
  acc_ = 0;
  nbits_ = 0;
  return r;
}

// ---- Coefficients ------------------------------------------------------------

JpegCoefficients ZeroCoefficients(int width, int height) {
  JpegCoefficients c;
  c.width = width;
  c.height = height;
  c.mcuCols = (width + 15) / 16;
  c.mcuRows = (height + 15) / 16;
  const size_t mcus = static_cast<size_t>(c.mcuCols) * c.mcuRows;
  c.y.assign(mcus * 4, CoefBlock {});
  c.cb.assign(mcus, CoefBlock {});
  c.cr.assign(mcus, CoefBlock {});
  return c;
}

JpegCoefficients ComputeCoefficients(const RgbImage& image, const QuantTable& luma,
                                     const QuantTable& chroma) {
  JpegCoefficients c = ZeroCoefficients(image.width, image.height);
  if (image.width <= 0 || image.height <= 0) return c;
  const int w16 = c.mcuCols * 16;
  const int h16 = c.mcuRows * 16;
  const int cw = w16 / 2;
  const int ch = h16 / 2;
  std::vector<double> y(static_cast<size_t>(w16) * h16);
  std::vector<double> cbFull(y.size());
  std::vector<double> crFull(y.size());
  for (int py = 0; py < h16; ++py) {
    const int sy = std::min(py, image.height - 1);
    for (int px = 0; px < w16; ++px) {
      const uint8_t* p = image.Pixel(std::min(px, image.width - 1), sy);
      const double r = p[0], g = p[1], b = p[2];
      const size_t i = static_cast<size_t>(py) * w16 + px;
      y[i] = 0.299 * r + 0.587 * g + 0.114 * b;
      cbFull[i] = -0.168735892 * r - 0.331264108 * g + 0.5 * b + 128.0;
      crFull[i] = 0.5 * r - 0.418687589 * g - 0.081312411 * b + 128.0;
    }
  }
  std::vector<double> cb(static_cast<size_t>(cw) * ch);
  std::vector<double> cr(cb.size());
  for (int py = 0; py < ch; ++py) {
    for (int px = 0; px < cw; ++px) {
      const size_t a = static_cast<size_t>(2 * py) * w16 + 2 * px;
      const size_t o = static_cast<size_t>(py) * cw + px;
      cb[o] = 0.25 * (cbFull[a] + cbFull[a + 1] + cbFull[a + w16] + cbFull[a + w16 + 1]);
      cr[o] = 0.25 * (crFull[a] + crFull[a + 1] + crFull[a + w16] + crFull[a + w16 + 1]);
    }
  }
  for (int by = 0; by < 2 * c.mcuRows; ++by) {
    for (int bx = 0; bx < 2 * c.mcuCols; ++bx) {
      FdctQuantise(&y[static_cast<size_t>(by) * 8 * w16 + bx * 8], w16, luma, c.Y(bx, by));
    }
  }
  for (int my = 0; my < c.mcuRows; ++my) {
    for (int mx = 0; mx < c.mcuCols; ++mx) {
      const size_t at = static_cast<size_t>(my) * 8 * cw + mx * 8;
      FdctQuantise(&cb[at], cw, chroma, c.Cb(mx, my));
      FdctQuantise(&cr[at], cw, chroma, c.Cr(mx, my));
    }
  }
  return c;
}

std::vector<uint8_t> EncodeJpegCoefficients(const JpegCoefficients& c, const JpegOptions& o) {
  const HuffmanCodes dc0 = BuildHuffmanCodes(o.dcLuma ? *o.dcLuma : StdDcLuma());
  const HuffmanCodes dc1 = BuildHuffmanCodes(o.dcChroma ? *o.dcChroma : StdDcChroma());
  const HuffmanCodes ac0 = BuildHuffmanCodes(StdAcLuma());
  const HuffmanCodes ac1 = BuildHuffmanCodes(StdAcChroma());
  JpegBitWriter bw;
  int py = 0, pcb = 0, pcr = 0;
  const size_t needY = static_cast<size_t>(c.mcuCols) * c.mcuRows * 4;
  if (c.y.size() >= needY && c.cb.size() >= needY / 4 && c.cr.size() >= needY / 4) {
    const JpegCoefficients& m = c;
    for (int my = 0; my < c.mcuRows; ++my) {
      for (int mx = 0; mx < c.mcuCols; ++mx) {
        bw.PutBlock(m.Y(2 * mx, 2 * my), py, dc0, ac0);
        bw.PutBlock(m.Y(2 * mx + 1, 2 * my), py, dc0, ac0);
        bw.PutBlock(m.Y(2 * mx, 2 * my + 1), py, dc0, ac0);
        bw.PutBlock(m.Y(2 * mx + 1, 2 * my + 1), py, dc0, ac0);
        bw.PutBlock(m.Cb(mx, my), pcb, dc1, ac1);
        bw.PutBlock(m.Cr(mx, my), pcr, dc1, ac1);
      }
    }
  }
  return EncodeJpegWithScan(c.width, c.height, bw.Finish(), o);
}

std::vector<uint8_t> EncodeJpegWithScan(int width, int height, const std::vector<uint8_t>& scan,
                                        const JpegOptions& o) {
  std::vector<uint8_t> out;
  out.reserve(scan.size() + 1024);
  WriteHeaders(out, width, height, o);
  out.insert(out.end(), scan.begin(), scan.end());
  if (o.writeEoi) {
    out.push_back(0xFF);
    out.push_back(0xD9);
  }
  return out;
}

std::vector<uint8_t> EncodeJpeg(const RgbImage& image, const JpegOptions& o) {
  if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535 ||
      image.rgb.size() < static_cast<size_t>(image.width) * image.height * 3) {
    return {};
  }
  return EncodeJpegCoefficients(ComputeCoefficients(image, LumaQuantFor(o), ChromaQuantFor(o)), o);
}

// ---- Segment walking -----------------------------------------------------------

namespace {

struct SegmentSpan {
  uint8_t marker;
  size_t start;  // position of the 0xFF
  size_t end;    // one past the segment
};

bool HasNoLength(uint8_t m) { return m == 0xD8 || m == 0xD9 || m == 0x01 || (m >= 0xD0 && m <= 0xD7); }

std::vector<SegmentSpan> WalkSegments(const std::vector<uint8_t>& j) {
  std::vector<SegmentSpan> r;
  size_t pos = 0;
  while (pos + 1 < j.size() && j[pos] == 0xFF) {
    const uint8_t m = j[pos + 1];
    if (m == 0xFF || m == 0x00) break;
    if (HasNoLength(m)) {
      r.push_back({m, pos, pos + 2});
      pos += 2;
      continue;
    }
    if (pos + 3 >= j.size()) break;
    const size_t len = static_cast<size_t>(j[pos + 2]) << 8 | j[pos + 3];
    if (len < 2 || pos + 2 + len > j.size()) break;
    r.push_back({m, pos, pos + 2 + len});
    pos += 2 + len;
    if (m == 0xDA) break;
  }
  return r;
}

}  // namespace

std::vector<JpegSegment> ListJpegSegments(const std::vector<uint8_t>& jpeg) {
  std::vector<JpegSegment> r;
  for (const auto& s : WalkSegments(jpeg)) {
    JpegSegment seg;
    seg.marker = s.marker;
    if (!HasNoLength(s.marker)) {
      seg.payload.assign(jpeg.begin() + static_cast<std::ptrdiff_t>(s.start + 4),
                         jpeg.begin() + static_cast<std::ptrdiff_t>(s.end));
    }
    r.push_back(std::move(seg));
  }
  return r;
}

std::vector<uint8_t> ListJpegMarkers(const std::vector<uint8_t>& jpeg) {
  std::vector<uint8_t> r;
  for (const auto& s : WalkSegments(jpeg)) r.push_back(s.marker);
  return r;
}

bool InsertJpegSegment(std::vector<uint8_t>& jpeg, const JpegSegment& segment, uint8_t before) {
  const auto spans = WalkSegments(jpeg);
  size_t at = 0;
  bool haveSos = false;
  for (const auto& s : spans) {
    if (s.marker == 0xDA) haveSos = true;
  }
  if (!haveSos) return false;
  for (const auto& s : spans) {
    if (s.marker == before || s.marker == 0xDA) {
      at = s.start;
      break;
    }
  }
  std::vector<uint8_t> seg;
  PutSegment(seg, segment.marker, segment.payload);
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), seg.begin(), seg.end());
  return true;
}

int RemoveJpegSegments(std::vector<uint8_t>& jpeg, uint8_t marker) {
  const auto spans = WalkSegments(jpeg);
  int removed = 0;
  for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
    if (it->marker == marker && marker != 0xDA) {
      jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(it->start),
                 jpeg.begin() + static_cast<std::ptrdiff_t>(it->end));
      ++removed;
    }
  }
  return removed;
}

}  // namespace klv::sample
