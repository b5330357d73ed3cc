#include "media/jpeg/jpeg_tables.h"

#include "media/jpeg/jpeg_decoder.h"

namespace klv {

const int32_t kJpegPrescale[64] = {
    128, 92,  92,  98,  67,  98,  109, 71,  71,  109, 128, 78,  75,  78,  128, 163,
    92,  83,  83,  92,  163, 237, 117, 98,  93,  98,  117, 237, 464, 171, 125, 109,
    109, 125, 171, 464, 334, 181, 139, 128, 139, 181, 334, 355, 201, 163, 163, 201,
    355, 395, 237, 207, 237, 395, 464, 301, 301, 464, 590, 437, 590, 857, 857, 1682};

namespace jpeg {

const StdHuffTable kStdDcLuma = {
    {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
    12};

const StdHuffTable kStdDcChroma = {
    {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
    12};

const StdHuffTable kStdAcLuma = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51,
     0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1,
     0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18,
     0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
     0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57,
     0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
     0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92,
     0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
     0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
     0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8,
     0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2,
     0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa},
    162};

const StdHuffTable kStdAcChroma = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07,
     0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09,
     0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25,
     0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38,
     0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56,
     0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74,
     0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
     0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
     0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
     0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6,
     0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2,
     0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa},
    162};

#define KLV_ZZ_CM(n) static_cast<uint8_t>(((n) % 8) * 8 + (n) / 8)
const uint8_t kZigzagToColumnMajor[64] = {
    KLV_ZZ_CM(0),  KLV_ZZ_CM(1),  KLV_ZZ_CM(8),  KLV_ZZ_CM(16), KLV_ZZ_CM(9),  KLV_ZZ_CM(2),
    KLV_ZZ_CM(3),  KLV_ZZ_CM(10), KLV_ZZ_CM(17), KLV_ZZ_CM(24), KLV_ZZ_CM(32), KLV_ZZ_CM(25),
    KLV_ZZ_CM(18), KLV_ZZ_CM(11), KLV_ZZ_CM(4),  KLV_ZZ_CM(5),  KLV_ZZ_CM(12), KLV_ZZ_CM(19),
    KLV_ZZ_CM(26), KLV_ZZ_CM(33), KLV_ZZ_CM(40), KLV_ZZ_CM(48), KLV_ZZ_CM(41), KLV_ZZ_CM(34),
    KLV_ZZ_CM(27), KLV_ZZ_CM(20), KLV_ZZ_CM(13), KLV_ZZ_CM(6),  KLV_ZZ_CM(7),  KLV_ZZ_CM(14),
    KLV_ZZ_CM(21), KLV_ZZ_CM(28), KLV_ZZ_CM(35), KLV_ZZ_CM(42), KLV_ZZ_CM(49), KLV_ZZ_CM(56),
    KLV_ZZ_CM(57), KLV_ZZ_CM(50), KLV_ZZ_CM(43), KLV_ZZ_CM(36), KLV_ZZ_CM(29), KLV_ZZ_CM(22),
    KLV_ZZ_CM(15), KLV_ZZ_CM(23), KLV_ZZ_CM(30), KLV_ZZ_CM(37), KLV_ZZ_CM(44), KLV_ZZ_CM(51),
    KLV_ZZ_CM(58), KLV_ZZ_CM(59), KLV_ZZ_CM(52), KLV_ZZ_CM(45), KLV_ZZ_CM(38), KLV_ZZ_CM(31),
    KLV_ZZ_CM(39), KLV_ZZ_CM(46), KLV_ZZ_CM(53), KLV_ZZ_CM(60), KLV_ZZ_CM(61), KLV_ZZ_CM(54),
    KLV_ZZ_CM(47), KLV_ZZ_CM(55), KLV_ZZ_CM(62), KLV_ZZ_CM(63)};
#undef KLV_ZZ_CM

#define KLV_ROW(n) static_cast<uint8_t>((n) / 8)
#define KLV_COL(n) static_cast<uint8_t>((n) % 8)
#define KLV_ZZ_LIST(F)                                                                     \
  F(0), F(1), F(8), F(16), F(9), F(2), F(3), F(10), F(17), F(24), F(32), F(25), F(18),     \
      F(11), F(4), F(5), F(12), F(19), F(26), F(33), F(40), F(48), F(41), F(34), F(27),    \
      F(20), F(13), F(6), F(7), F(14), F(21), F(28), F(35), F(42), F(49), F(56), F(57),    \
      F(50), F(43), F(36), F(29), F(22), F(15), F(23), F(30), F(37), F(44), F(51), F(58),  \
      F(59), F(52), F(45), F(38), F(31), F(39), F(46), F(53), F(60), F(61), F(54), F(47),  \
      F(55), F(62), F(63)
const uint8_t kZigzagRow[64] = {KLV_ZZ_LIST(KLV_ROW)};
const uint8_t kZigzagCol[64] = {KLV_ZZ_LIST(KLV_COL)};
#undef KLV_ROW
#undef KLV_COL

#define KLV_INFO(n) static_cast<uint32_t>((((n) % 8) * 8 + (n) / 8) | (1u << (8 + (n) / 8)) | (1u << (16 + (n) % 8)))
const uint32_t kZigzagInfo[64] = {KLV_ZZ_LIST(KLV_INFO)};
#undef KLV_INFO
#undef KLV_ZZ_LIST

namespace {

// Canonical codes of a standard table (code space order).
void BuildLut16(const StdHuffTable& t, uint16_t* lut) {
  for (int i = 0; i < 65536; ++i) lut[i] = 0;
  uint32_t code = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int n = 0; n < t.bits[len - 1]; ++n, ++k) {
      const uint32_t first = code << (16 - len);
      const uint32_t count = 1u << (16 - len);
      for (uint32_t i = 0; i < count; ++i)
        lut[first + i] = static_cast<uint16_t>((len << 8) | t.values[k]);
      ++code;
    }
    code <<= 1;
  }
}

uint32_t MakeFast(uint32_t kind, int used, int codeLen, int run, int value) {
  return kind | (static_cast<uint32_t>(used) << 2) | (static_cast<uint32_t>(codeLen) << 7) |
         (static_cast<uint32_t>(run) << 12) | (static_cast<uint32_t>(static_cast<uint16_t>(value)) << 16);
}

void BuildFast(const uint16_t* lut16, uint32_t* fast) {
  constexpr int kShift = 16 - kAcFastBits;
  for (int i = 0; i < (1 << kAcFastBits); ++i) {
    // Usable only when the top kAcFastBits bits decide the code (and the
    // magnitude, for a coefficient).
    const uint32_t first = static_cast<uint32_t>(i) << kShift;
    const uint16_t e = lut16[first];
    const int len = e >> 8;
    const int run = (e >> 4) & 15;
    const int size = e & 15;
    if (e == 0 || len > kAcFastBits || len + size > kAcFastBits) {
      fast[i] = MakeFast(kAcSlow, 0, 0, 0, 0);
    } else if (size == 0) {
      fast[i] = MakeFast(run == 15 ? kAcZrl : kAcEob, len, len, run, 0);
    } else {
      const uint32_t bits = (static_cast<uint32_t>(i) >> (kAcFastBits - len - size)) & ((1u << size) - 1);
      fast[i] = MakeFast(kAcCoef, len + size, len, run, JpegDecoder::Extend(static_cast<int>(bits), size));
    }
  }
}

struct AcPair {
  AcTables t[2];
  AcPair() {
    BuildLut16(kStdAcLuma, t[0].lut16);
    BuildLut16(kStdAcChroma, t[1].lut16);
    BuildFast(t[0].lut16, t[0].fast);
    BuildFast(t[1].lut16, t[1].fast);
  }
};

void BuildSkip(const uint16_t* lut16, uint16_t* skip) {
  constexpr int n = kAcSkipBits;
  for (uint32_t i = 0; i < (1u << n); ++i) {
    int used = 0;
    int k = 1;
    bool ends = false;
    while (!ends) {
      // The next 16 bits as far as they are known (unknown bits read 0).
      const uint32_t window = ((i << (16 - n)) << used) & 0xFFFF;
      const uint16_t e = lut16[window];
      const int len = e >> 8;
      const int run = (e >> 4) & 15;
      const int size = e & 15;
      if (e == 0 || used + len + size > n) break;  // not decided by these bits
      if (size != 0) {
        if (k + run > 63) break;  // the exact loop reports the error
        used += len + size;
        k += run + 1;
        ends = k >= 64;
      } else if (run == 15) {
        used += len;
        k += 16;
        ends = k >= 64;
      } else {
        used += len;
        ends = true;
      }
    }
    skip[i] = static_cast<uint16_t>(used | (k << 5) | (ends ? 0x1000 : 0));
  }
}

struct SkipPair {
  AcSkipTable t[2];
  SkipPair() {
    const AcTables& luma = AcLookup(0);
    const AcTables& chroma = AcLookup(1);
    BuildSkip(luma.lut16, t[0].e);
    BuildSkip(chroma.lut16, t[1].e);
  }
};

}  // namespace

const AcSkipTable& AcSkip(int chroma) {
  static const SkipPair pair;
  return pair.t[chroma != 0 ? 1 : 0];
}

const AcTables& AcLookup(int chroma) {
  static const AcPair pair;
  return pair.t[chroma != 0 ? 1 : 0];
}

}  // namespace jpeg
}  // namespace klv
