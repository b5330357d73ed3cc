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
  // Three reserved zero bytes follow the event byte: general decoders refuse
  // APPn segments shorter than four payload bytes.
  if (o.eventByte) PutSegment(out, 0xE5, {*o.eventByte, 0, 0, 0});

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

// One 8-point forward DCT in the factorisation of Arai, Agui and Nakajima:
// out[u] = DCT[u] * 2 * sqrt(2) * s[u] with s[0] = 1/sqrt(2)... folded into
// the divisors below (kAanScale), so no precision is lost.
inline void Aan8(float* d, int step) {
  const float t0 = d[0] + d[7 * step], t7 = d[0] - d[7 * step];
  const float t1 = d[step] + d[6 * step], t6 = d[step] - d[6 * step];
  const float t2 = d[2 * step] + d[5 * step], t5 = d[2 * step] - d[5 * step];
  const float t3 = d[3 * step] + d[4 * step], t4 = d[3 * step] - d[4 * step];
  // Even part.
  float a = t0 + t3, b = t1 + t2;
  const float c = t1 - t2, e = t0 - t3;
  d[0] = a + b;
  d[4 * step] = a - b;
  const float z1 = (c + e) * 0.707106781f;
  d[2 * step] = e + z1;
  d[6 * step] = e - z1;
  // Odd part.
  a = t4 + t5;
  b = t5 + t6;
  const float f = t6 + t7;
  const float z5 = (a - f) * 0.382683433f;
  const float z2 = 0.541196100f * a + z5;
  const float z4 = 1.306562965f * f + z5;
  const float z3 = b * 0.707106781f;
  const float z11 = t7 + z3, z13 = t7 - z3;
  d[5 * step] = z13 + z2;
  d[3 * step] = z13 - z2;
  d[step] = z11 + z4;
  d[7 * step] = z11 - z4;
}

// The AAN outputs are the JPEG DCT scaled by 8 * s[u] * s[v], s[0] = 1,
// s[k] = sqrt(2) cos(k pi / 16).
struct AanScale {
  float s[8];
  AanScale() {
    const double pi = std::acos(-1.0);
    s[0] = 1.0f;
    for (int k = 1; k < 8; ++k) s[k] = static_cast<float>(std::sqrt(2.0) * std::cos(k * pi / 16.0));
  }
};
const AanScale kAan;

// Forward DCT of an 8x8 block of level-shifted samples (row-major with the
// given stride) and quantisation; result in zigzag order.
void FdctQuantise(const float* samples, int stride, const float* reciprocals, CoefBlock& out) {
  float blk[64];
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) blk[y * 8 + x] = samples[static_cast<ptrdiff_t>(y) * stride + x];
    Aan8(&blk[y * 8], 1);
  }
  for (int x = 0; x < 8; ++x) Aan8(&blk[x], 8);
  // Nearest integer, halves away from zero; branch-free so that it vectorises.
  int16_t q[64];
  for (int n = 0; n < 64; ++n) {
    const float v = std::clamp(blk[n] * reciprocals[n], -2047.0f, 2047.0f);
    q[n] = static_cast<int16_t>(v + std::copysign(0.5f, v));
  }
  for (int k = 0; k < 64; ++k) out[static_cast<size_t>(k)] = q[kZigzagToNatural[static_cast<size_t>(k)]];
}

// 1 / (quantiser times the AAN output scale), natural order.
std::array<float, 64> Reciprocals(const QuantTable& q) {
  std::array<float, 64> d {};
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      const size_t n = static_cast<size_t>(v * 8 + u);
      d[n] = static_cast<float>(1.0 / (q[n] * double {kAan.s[u]} * kAan.s[v] * 8.0));
    }
  }
  return d;
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

HuffmanCodes BuildHuffmanCodes(const HuffmanSpec& plan) {
  HuffmanCodes c;
  uint32_t code = 0;
  size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < plan.bits[static_cast<size_t>(len - 1)] && k < plan.values.size(); ++i, ++k) {
      const uint8_t sym = plan.values[k];
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

std::vector<uint8_t> DhtPayload(int tableClass, int id, const HuffmanSpec& plan) {
  std::vector<uint8_t> p;
  AppendHuffman(p, tableClass & 15, id & 15, plan);
  return p;
}

std::vector<uint8_t> DqtPayload(int id, const QuantTable& naturalOrder) {
  std::vector<uint8_t> p;
  AppendQuant(p, id & 15, naturalOrder);
  return p;
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
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() < static_cast<size_t>(image.width) * image.height * 3) {
    return c;
  }
  // One MCU row at a time: 16 luma rows and 8 rows of each chroma plane,
  // padded on the right and at the bottom by repeating the last pixel. Samples
  // are level-shifted (Y - 128; Cb and Cr are centred on 0 already).
  const auto lumaDiv = Reciprocals(luma);
  const auto chromaDiv = Reciprocals(chroma);
  const int w16 = c.mcuCols * 16;
  const int cw = w16 / 2;
  std::vector<float> y(static_cast<size_t>(w16) * 16);
  std::vector<float> cb(static_cast<size_t>(cw) * 8), cr(cb.size());
  std::vector<float> rgb(static_cast<size_t>(w16) * 3 * 16);
  for (int my = 0; my < c.mcuRows; ++my) {
    for (int r = 0; r < 16; ++r) {
      const int sy = std::min(my * 16 + r, image.height - 1);
      float* dst = &rgb[static_cast<size_t>(r) * w16 * 3];
      const uint8_t* src = image.Pixel(0, sy);
      for (int x = 0; x < image.width * 3; ++x) dst[x] = src[x];
      for (int x = image.width; x < w16; ++x) {
        for (int k = 0; k < 3; ++k) dst[x * 3 + k] = dst[(image.width - 1) * 3 + k];
      }
      float* yrow = &y[static_cast<size_t>(r) * w16];
      for (int x = 0; x < w16; ++x) {
        yrow[x] = 0.299f * dst[3 * x] + 0.587f * dst[3 * x + 1] + 0.114f * dst[3 * x + 2] - 128.0f;
      }
    }
    // Chroma of the 2x2 average (the conversion is linear, so this equals
    // averaging the converted samples).
    for (int r = 0; r < 8; ++r) {
      const float* a = &rgb[static_cast<size_t>(2 * r) * w16 * 3];
      const float* b = a + static_cast<size_t>(w16) * 3;
      for (int x = 0; x < cw; ++x) {
        const int i = 6 * x;
        const float R = 0.25f * (a[i] + a[i + 3] + b[i] + b[i + 3]);
        const float G = 0.25f * (a[i + 1] + a[i + 4] + b[i + 1] + b[i + 4]);
        const float B = 0.25f * (a[i + 2] + a[i + 5] + b[i + 2] + b[i + 5]);
        cb[static_cast<size_t>(r) * cw + x] = -0.168735892f * R - 0.331264108f * G + 0.5f * B;
        cr[static_cast<size_t>(r) * cw + x] = 0.5f * R - 0.418687589f * G - 0.081312411f * B;
      }
    }
    for (int mx = 0; mx < c.mcuCols; ++mx) {
      for (int k = 0; k < 4; ++k) {
        const int dx = (k & 1) * 8, dy = (k >> 1) * 8;
        FdctQuantise(&y[static_cast<size_t>(dy) * w16 + mx * 16 + dx], w16, lumaDiv.data(),
                     c.Y(2 * mx + (k & 1), 2 * my + (k >> 1)));
      }
      FdctQuantise(&cb[static_cast<size_t>(mx) * 8], cw, chromaDiv.data(), c.Cb(mx, my));
      FdctQuantise(&cr[static_cast<size_t>(mx) * 8], cw, chromaDiv.data(), c.Cr(mx, my));
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
