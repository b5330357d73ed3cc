#pragma once
// Constant tables of the camera's MPEG-4 decoder (vlc_data.cpp) and the
// lookup tables built from them.
//
// The camera's software reads a code bit by bit, comparing after each bit the
// codes of that length. The lookup tables give the same answers in one step:
// indexed by the next N bits (N = the longest code), an entry holds the code's
// length and value, or length 0 where the bit-by-bit search finds no code.

#include <array>
#include <cstdint>

#include "media/common/arith.h"

namespace klv::mpeg4 {

struct VlcCode {
  const char* bits;  // "" where the index has no code
};

struct TcoefCode {
  const char* bits;
  uint8_t last;
  uint8_t run;
  uint8_t level;
};

struct EscapeLimits {
  const uint8_t* lmax[2];  // by last, indexed by run
  uint8_t lmaxCount[2];
  const uint8_t* rmax[2];  // by last, indexed by level - 1
  uint8_t rmaxCount[2];
};

inline constexpr int kTcoefCount = 102;

// Macroblock types, as the low bits of an MCBPC entry of a P-VOP give them;
// an I-VOP's entries map onto the two intra types.
enum MacroblockType : int {
  kMbInter = 0,
  kMbInterQ = 1,       // with a quantiser change
  kMbInter4V = 2,      // four vectors: the camera cannot decode it
  kMbIntra = 3,
  kMbIntraQ = 4,       // with a quantiser change
  kMbStuffing = 5,
};

extern const VlcCode kMcbpcIntra[16];
extern const VlcCode kMcbpcInter[32];
extern const VlcCode kCbpy[16];
extern const VlcCode kMvd[33];
extern const VlcCode kDcSizeLuma[13];
extern const VlcCode kDcSizeChroma[13];
extern const TcoefCode kTcoefIntra[kTcoefCount];
extern const TcoefCode kTcoefInter[kTcoefCount];
extern const EscapeLimits kEscapeIntra;
extern const EscapeLimits kEscapeInter;
extern const uint8_t kDefaultIntraMatrix[64];
extern const uint8_t kDefaultInterMatrix[64];

// Longest code of each list (the width of its lookup index).
inline constexpr int kMcbpcBits = 9;
inline constexpr int kCbpyBits = 6;
inline constexpr int kMvdBits = 12;
inline constexpr int kDcLumaBits = 11;
inline constexpr int kDcChromaBits = 12;
inline constexpr int kTcoefBits = 12;
// The coefficient search of the camera compares up to this many bits.
inline constexpr int kTcoefSearchBits = 13;
inline constexpr int kEscapeBits = 7;
inline constexpr uint32_t kEscapeCode = 0x03;  // 0000011

struct VlcEntry {
  uint8_t value;
  uint8_t length;  // 0: no code
};

struct TcoefEntry {
  uint8_t length;  // 0: no code (escape or invalid)
  uint8_t run;
  uint8_t level;
  uint8_t last;
};

extern const std::array<VlcEntry, 1u << kMcbpcBits> kMcbpcIntraLut;
extern const std::array<VlcEntry, 1u << kMcbpcBits> kMcbpcInterLut;
extern const std::array<VlcEntry, 1u << kCbpyBits> kCbpyLut;
extern const std::array<VlcEntry, 1u << kMvdBits> kMvdLut;
extern const std::array<VlcEntry, 1u << kDcLumaBits> kDcLumaLut;
extern const std::array<VlcEntry, 1u << kDcChromaBits> kDcChromaLut;
extern const std::array<TcoefEntry, 1u << kTcoefBits> kTcoefIntraLut;
extern const std::array<TcoefEntry, 1u << kTcoefBits> kTcoefInterLut;

// First look at the next kTcoefShortBits bits: codes short enough to fit
// with their sign bit, the sign already applied. Longer codes, escapes and
// gaps have length 0 here and go to the full tables above.
inline constexpr int kTcoefShortBits = 11;
struct TcoefShortEntry {
  uint8_t length;  // code and sign bit; 0: look in the full table
  uint8_t run;
  int8_t level;
  uint8_t last;
};
extern const std::array<TcoefShortEntry, 1u << kTcoefShortBits> kTcoefIntraShort;
extern const std::array<TcoefShortEntry, 1u << kTcoefShortBits> kTcoefInterShort;

// Length of a code string and its value.
constexpr int CodeLength(const char* bits) {
  int n = 0;
  while (bits[n] != '\0') ++n;
  return n;
}
constexpr uint32_t CodeValue(const char* bits) {
  uint32_t v = 0;
  for (int i = 0; bits[i] != '\0'; ++i) v = (v << 1) | static_cast<uint32_t>(bits[i] == '1');
  return v;
}

}  // namespace klv::mpeg4
