// Constant tables of the camera's MPEG-4 decoder: the ISO/IEC 14496-2 variable
// length codes (macroblock type and chroma pattern, luma pattern, motion
// vector differences, intra DC sizes, transform coefficients), the escape
// limits, the zigzag scan and the default weighting matrices. The lookup
// tables the macroblock decoder uses are built from these lists once, at
// compile time; a code that is not in a list is "no code" there too.

#include "media/mpeg4/vlc_tables.h"

#include <cstddef>

namespace klv::mpeg4 {

// --- code lists ------------------------------------------------------------
// Codes are written as bit strings, most significant bit first.

// MCBPC in I-VOPs, index cbpc * 4 + k (k = 1 intra, 2 intra with dquant);
// index 0 is stuffing. Unused indices have no code.
extern constexpr VlcCode kMcbpcIntra[16] = {
    {"000000001"}, {"1"}, {"0001"}, {""},
    {""}, {"001"}, {"000001"}, {""},
    {""}, {"010"}, {"000010"}, {""},
    {""}, {"011"}, {"000011"}, {""},
};

// MCBPC in P-VOPs, index cbpc * 8 + type (0 inter, 1 inter + dquant, 2 four
// vectors, 3 intra, 4 intra + dquant); index 5 is stuffing.
extern constexpr VlcCode kMcbpcInter[32] = {
    {"1"},       {"011"},       {"010"},      {"00011"},    {"000100"},    {"000000001"}, {""}, {""},
    {"0011"},    {"0000111"},   {"0000101"},  {"00000100"}, {"000000100"}, {""},          {""}, {""},
    {"0010"},    {"0000110"},   {"0000100"},  {"00000011"}, {"000000011"}, {""},          {""}, {""},
    {"000101"},  {"000000101"}, {"00000101"}, {"0000011"},  {"000000010"}, {""},          {""}, {""},
};

// CBPY, indexed by the pattern of an intra macroblock (inter: 15 - index).
extern constexpr VlcCode kCbpy[16] = {
    {"0011"}, {"00101"}, {"00100"}, {"1001"}, {"00011"}, {"0111"}, {"000010"}, {"1011"},
    {"00010"}, {"000011"}, {"0101"}, {"1010"}, {"0100"}, {"1000"}, {"0110"}, {"11"},
};

// Motion vector difference magnitudes 0..32; a sign bit follows all but 0.
extern constexpr VlcCode kMvd[33] = {
    {"1"},            {"01"},           {"001"},          {"0001"},
    {"000011"},       {"0000101"},      {"0000100"},      {"0000011"},
    {"000001011"},    {"000001010"},    {"000001001"},    {"0000010001"},
    {"0000010000"},   {"0000001111"},   {"0000001110"},   {"0000001101"},
    {"0000001100"},   {"0000001011"},   {"0000001010"},   {"0000001001"},
    {"0000001000"},   {"0000000111"},   {"0000000110"},   {"0000000101"},
    {"0000000100"},   {"00000000111"},  {"00000000110"},  {"00000000101"},
    {"00000000100"},  {"00000000011"},  {"00000000010"},  {"000000000011"},
    {"000000000010"},
};

// Intra DC sizes 0..12, luminance and chrominance.
extern constexpr VlcCode kDcSizeLuma[13] = {
    {"011"}, {"11"}, {"10"}, {"010"}, {"001"}, {"0001"}, {"00001"}, {"000001"},
    {"0000001"}, {"00000001"}, {"000000001"}, {"0000000001"}, {"00000000001"},
};
extern constexpr VlcCode kDcSizeChroma[13] = {
    {"11"}, {"10"}, {"01"}, {"001"}, {"0001"}, {"00001"}, {"000001"}, {"0000001"},
    {"00000001"}, {"000000001"}, {"0000000001"}, {"00000000001"}, {"000000000001"},
};

// Transform coefficients {code, last, run, level}, sorted by code length. The
// sign bit that follows each code is not part of it; neither is the escape
// code 0000011.
extern constexpr TcoefCode kTcoefIntra[kTcoefCount] = {
    {"10", 0, 0, 1},
    {"110", 0, 0, 2},
    {"1111", 0, 0, 3},
    {"1110", 0, 1, 1},
    {"0111", 1, 0, 1},
    {"01101", 0, 0, 4},
    {"01100", 0, 0, 5},
    {"01011", 0, 2, 1},
    {"010101", 0, 0, 6},
    {"010100", 0, 1, 2},
    {"010011", 0, 0, 7},
    {"010010", 0, 0, 8},
    {"010001", 0, 3, 1},
    {"010000", 0, 4, 1},
    {"001111", 1, 1, 1},
    {"001110", 1, 2, 1},
    {"001101", 0, 5, 1},
    {"001100", 1, 0, 2},
    {"0010111", 0, 0, 9},
    {"0010110", 0, 1, 3},
    {"0010101", 0, 2, 2},
    {"0010100", 0, 7, 1},
    {"0010011", 1, 5, 1},
    {"0010010", 0, 6, 1},
    {"0010001", 1, 3, 1},
    {"0010000", 1, 4, 1},
    {"00011111", 0, 0, 10},
    {"00011110", 0, 0, 11},
    {"00011101", 0, 0, 12},
    {"00011100", 0, 1, 4},
    {"00011011", 0, 3, 2},
    {"00011010", 1, 9, 1},
    {"00011001", 0, 8, 1},
    {"00011000", 0, 9, 1},
    {"00010111", 0, 10, 1},
    {"00010110", 1, 0, 3},
    {"00010101", 1, 6, 1},
    {"00010100", 1, 7, 1},
    {"00010011", 1, 8, 1},
    {"000100101", 0, 0, 13},
    {"000100100", 0, 0, 14},
    {"000100011", 0, 0, 15},
    {"000100010", 0, 4, 2},
    {"000100001", 0, 0, 16},
    {"000100000", 0, 1, 5},
    {"000011111", 0, 1, 6},
    {"000011110", 0, 2, 3},
    {"000011101", 0, 3, 3},
    {"000011100", 0, 5, 2},
    {"000011011", 0, 6, 2},
    {"000011010", 0, 7, 2},
    {"000011001", 0, 11, 1},
    {"000011000", 0, 12, 1},
    {"000010111", 1, 0, 4},
    {"000010110", 1, 1, 2},
    {"000010101", 1, 10, 1},
    {"000010100", 1, 11, 1},
    {"000010011", 1, 12, 1},
    {"000010010", 1, 13, 1},
    {"000010001", 1, 14, 1},
    {"0000100001", 0, 0, 17},
    {"0000100000", 0, 0, 18},
    {"0000001111", 0, 0, 19},
    {"0000001110", 0, 0, 20},
    {"0000001101", 0, 1, 7},
    {"0000001100", 0, 2, 4},
    {"0000001011", 0, 3, 4},
    {"0000001010", 0, 4, 3},
    {"0000001001", 0, 8, 2},
    {"0000001000", 0, 5, 3},
    {"0000000111", 0, 13, 1},
    {"0000000110", 1, 0, 5},
    {"0000000101", 1, 1, 3},
    {"0000000100", 1, 2, 2},
    {"00000100111", 1, 16, 1},
    {"00000100110", 1, 15, 1},
    {"00000100101", 1, 4, 2},
    {"00000100100", 1, 3, 2},
    {"00000100011", 0, 9, 2},
    {"00000100010", 0, 1, 8},
    {"00000100001", 0, 0, 24},
    {"00000100000", 0, 0, 23},
    {"00000000111", 0, 0, 21},
    {"00000000110", 0, 0, 22},
    {"00000000101", 1, 0, 6},
    {"00000000100", 1, 0, 7},
    {"000001011111", 1, 20, 1},
    {"000001011110", 1, 19, 1},
    {"000001011101", 1, 18, 1},
    {"000001011100", 1, 17, 1},
    {"000001011011", 1, 6, 2},
    {"000001011010", 1, 5, 2},
    {"000001011001", 1, 0, 8},
    {"000001011000", 0, 14, 1},
    {"000001010111", 0, 7, 3},
    {"000001010110", 0, 2, 5},
    {"000001010101", 0, 1, 10},
    {"000001010100", 0, 6, 3},
    {"000001010011", 0, 1, 9},
    {"000001010010", 0, 0, 27},
    {"000001010001", 0, 0, 26},
    {"000001010000", 0, 0, 25},
};

extern constexpr TcoefCode kTcoefInter[kTcoefCount] = {
    {"10", 0, 0, 1},
    {"110", 0, 1, 1},
    {"1111", 0, 0, 2},
    {"1110", 0, 2, 1},
    {"0111", 1, 0, 1},
    {"01101", 0, 3, 1},
    {"01100", 0, 4, 1},
    {"01011", 0, 5, 1},
    {"010101", 0, 0, 3},
    {"010100", 0, 1, 2},
    {"010011", 0, 6, 1},
    {"010010", 0, 7, 1},
    {"010001", 0, 8, 1},
    {"010000", 0, 9, 1},
    {"001111", 1, 1, 1},
    {"001110", 1, 2, 1},
    {"001101", 1, 3, 1},
    {"001100", 1, 4, 1},
    {"0010111", 0, 0, 4},
    {"0010110", 0, 10, 1},
    {"0010101", 0, 11, 1},
    {"0010100", 0, 12, 1},
    {"0010011", 1, 5, 1},
    {"0010010", 1, 6, 1},
    {"0010001", 1, 7, 1},
    {"0010000", 1, 8, 1},
    {"00011111", 0, 0, 5},
    {"00011110", 0, 1, 3},
    {"00011101", 0, 2, 2},
    {"00011100", 0, 13, 1},
    {"00011011", 0, 14, 1},
    {"00011010", 1, 9, 1},
    {"00011001", 1, 10, 1},
    {"00011000", 1, 11, 1},
    {"00010111", 1, 12, 1},
    {"00010110", 1, 13, 1},
    {"00010101", 1, 14, 1},
    {"00010100", 1, 15, 1},
    {"00010011", 1, 16, 1},
    {"000100101", 0, 0, 6},
    {"000100100", 0, 0, 7},
    {"000100011", 0, 3, 2},
    {"000100010", 0, 4, 2},
    {"000100001", 0, 15, 1},
    {"000100000", 0, 16, 1},
    {"000011111", 0, 17, 1},
    {"000011110", 0, 18, 1},
    {"000011101", 0, 19, 1},
    {"000011100", 0, 20, 1},
    {"000011011", 0, 21, 1},
    {"000011010", 0, 22, 1},
    {"000011001", 1, 0, 2},
    {"000011000", 1, 17, 1},
    {"000010111", 1, 18, 1},
    {"000010110", 1, 19, 1},
    {"000010101", 1, 20, 1},
    {"000010100", 1, 21, 1},
    {"000010011", 1, 22, 1},
    {"000010010", 1, 23, 1},
    {"000010001", 1, 24, 1},
    {"0000100001", 0, 0, 8},
    {"0000100000", 0, 0, 9},
    {"0000001111", 0, 1, 4},
    {"0000001110", 0, 2, 3},
    {"0000001101", 0, 3, 3},
    {"0000001100", 0, 5, 2},
    {"0000001011", 0, 6, 2},
    {"0000001010", 0, 7, 2},
    {"0000001001", 0, 8, 2},
    {"0000001000", 0, 9, 2},
    {"0000000111", 1, 25, 1},
    {"0000000110", 1, 26, 1},
    {"0000000101", 1, 27, 1},
    {"0000000100", 1, 28, 1},
    {"00000100111", 1, 32, 1},
    {"00000100110", 1, 31, 1},
    {"00000100101", 1, 30, 1},
    {"00000100100", 1, 29, 1},
    {"00000100011", 0, 24, 1},
    {"00000100010", 0, 23, 1},
    {"00000100001", 0, 1, 5},
    {"00000100000", 0, 0, 12},
    {"00000000111", 0, 0, 10},
    {"00000000110", 0, 0, 11},
    {"00000000101", 1, 0, 3},
    {"00000000100", 1, 1, 2},
    {"000001011111", 1, 40, 1},
    {"000001011110", 1, 39, 1},
    {"000001011101", 1, 38, 1},
    {"000001011100", 1, 37, 1},
    {"000001011011", 1, 36, 1},
    {"000001011010", 1, 35, 1},
    {"000001011001", 1, 34, 1},
    {"000001011000", 1, 33, 1},
    {"000001010111", 0, 26, 1},
    {"000001010110", 0, 25, 1},
    {"000001010101", 0, 10, 2},
    {"000001010100", 0, 6, 3},
    {"000001010011", 0, 5, 3},
    {"000001010010", 0, 4, 3},
    {"000001010001", 0, 2, 4},
    {"000001010000", 0, 1, 6},
};

// Escape limits: largest level coded for a run (LMAX) and largest run coded
// for a level (RMAX), by last.
const uint8_t kLmaxIntra0[15] = {27, 10, 5, 4, 3, 3, 3, 3, 2, 2, 1, 1, 1, 1, 1};
const uint8_t kLmaxIntra1[21] = {8, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
const uint8_t kLmaxInter0[27] = {12, 6, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1,
                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
const uint8_t kLmaxInter1[41] = {3, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
// RMAX by level - 1.
const uint8_t kRmaxIntra0[27] = {14, 9, 7, 3, 2, 1, 1, 1, 1, 1, 0, 0, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kRmaxIntra1[8] = {20, 6, 1, 0, 0, 0, 0, 0};
const uint8_t kRmaxInter0[12] = {26, 10, 6, 2, 1, 1, 0, 0, 0, 0, 0, 0};
const uint8_t kRmaxInter1[3] = {40, 1, 0};

const EscapeLimits kEscapeIntra = {{kLmaxIntra0, kLmaxIntra1}, {15, 21},
                                   {kRmaxIntra0, kRmaxIntra1}, {27, 8}};
const EscapeLimits kEscapeInter = {{kLmaxInter0, kLmaxInter1}, {27, 41},
                                   {kRmaxInter0, kRmaxInter1}, {12, 3}};

// Default weighting matrices, raster order.
const uint8_t kDefaultIntraMatrix[64] = {
    8,  17, 18, 19, 21, 23, 25, 27, 17, 18, 19, 21, 23, 25, 27, 28,
    20, 21, 22, 23, 24, 26, 28, 30, 21, 22, 23, 24, 26, 28, 30, 32,
    22, 23, 24, 26, 28, 30, 32, 35, 23, 24, 26, 28, 30, 32, 35, 38,
    25, 26, 28, 30, 32, 35, 38, 41, 27, 28, 30, 32, 35, 38, 41, 45,
};
const uint8_t kDefaultInterMatrix[64] = {
    16, 17, 18, 19, 20, 21, 22, 23, 17, 18, 19, 20, 21, 22, 23, 24,
    18, 19, 20, 21, 22, 23, 24, 25, 19, 20, 21, 22, 23, 24, 26, 27,
    20, 21, 22, 23, 25, 26, 27, 28, 21, 22, 23, 24, 26, 27, 28, 30,
    22, 23, 24, 26, 27, 28, 30, 31, 23, 24, 25, 27, 28, 30, 31, 33,
};

// --- lookup tables ---------------------------------------------------------

namespace {

template <int Bits, std::size_t N>
constexpr std::array<VlcEntry, 1u << Bits> BuildLut(const VlcCode (&codes)[N]) {
  std::array<VlcEntry, 1u << Bits> lut {};
  // Shorter codes first, list order within a length: the bit-by-bit search's
  // first match.
  for (int len = 1; len <= Bits; ++len) {
    for (std::size_t i = 0; i < N; ++i) {
      if (CodeLength(codes[i].bits) != len) continue;
      const uint32_t first = CodeValue(codes[i].bits) << (Bits - len);
      for (uint32_t j = 0; j < (1u << (Bits - len)); ++j) {
        VlcEntry& e = lut[first + j];
        if (e.length == 0) e = {static_cast<uint8_t>(i), static_cast<uint8_t>(len)};
      }
    }
  }
  return lut;
}

constexpr std::array<TcoefEntry, 1u << kTcoefBits> BuildTcoefLut(const TcoefCode (&codes)[kTcoefCount]) {
  std::array<TcoefEntry, 1u << kTcoefBits> lut {};
  for (int len = 2; len <= kTcoefBits; ++len) {
    for (const TcoefCode& c : codes) {
      if (CodeLength(c.bits) != len) continue;
      const uint32_t first = CodeValue(c.bits) << (kTcoefBits - len);
      for (uint32_t j = 0; j < (1u << (kTcoefBits - len)); ++j) {
        TcoefEntry& e = lut[first + j];
        if (e.length == 0) e = {static_cast<uint8_t>(len), c.run, c.level, c.last};
      }
    }
  }
  return lut;
}

constexpr std::array<TcoefShortEntry, 1u << kTcoefShortBits> BuildTcoefShort(
    const std::array<TcoefEntry, 1u << kTcoefBits>& full) {
  std::array<TcoefShortEntry, 1u << kTcoefShortBits> lut {};
  for (uint32_t i = 0; i < (1u << kTcoefShortBits); ++i) {
    const TcoefEntry& e = full[i << (kTcoefBits - kTcoefShortBits)];
    if (e.length == 0 || e.length + 1 > kTcoefShortBits) continue;
    const bool negative = ((i >> (kTcoefShortBits - 1 - e.length)) & 1) != 0;
    lut[i] = {static_cast<uint8_t>(e.length + 1), e.run, static_cast<int8_t>(negative ? -e.level : e.level), e.last};
  }
  return lut;
}

}  // namespace

extern constexpr std::array<VlcEntry, 1u << kMcbpcBits> kMcbpcIntraLut = BuildLut<kMcbpcBits>(kMcbpcIntra);
extern constexpr std::array<VlcEntry, 1u << kMcbpcBits> kMcbpcInterLut = BuildLut<kMcbpcBits>(kMcbpcInter);
extern constexpr std::array<VlcEntry, 1u << kCbpyBits> kCbpyLut = BuildLut<kCbpyBits>(kCbpy);
extern constexpr std::array<VlcEntry, 1u << kMvdBits> kMvdLut = BuildLut<kMvdBits>(kMvd);
extern constexpr std::array<VlcEntry, 1u << kDcLumaBits> kDcLumaLut = BuildLut<kDcLumaBits>(kDcSizeLuma);
extern constexpr std::array<VlcEntry, 1u << kDcChromaBits> kDcChromaLut = BuildLut<kDcChromaBits>(kDcSizeChroma);
extern constexpr std::array<TcoefEntry, 1u << kTcoefBits> kTcoefIntraLut = BuildTcoefLut(kTcoefIntra);
extern constexpr std::array<TcoefEntry, 1u << kTcoefBits> kTcoefInterLut = BuildTcoefLut(kTcoefInter);
extern constexpr std::array<TcoefShortEntry, 1u << kTcoefShortBits> kTcoefIntraShort = BuildTcoefShort(kTcoefIntraLut);
extern constexpr std::array<TcoefShortEntry, 1u << kTcoefShortBits> kTcoefInterShort = BuildTcoefShort(kTcoefInterLut);

}  // namespace klv::mpeg4
