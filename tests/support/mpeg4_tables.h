#pragma once
// Constant tables of the MPEG-4 simple-profile syntax as the sample writer
// needs them for encoding: variable-length codes (as {code, length}), scans
// and the default weighting matrices.

#include <array>
#include <cstdint>

namespace klv::sample::mpeg4 {

struct Vlc {
  uint16_t code = 0;
  uint8_t length = 0;  // 0: no code
};

// Start codes (the byte after 00 00 01).
inline constexpr uint8_t kVisualObjectSequence = 0xB0;
inline constexpr uint8_t kUserData = 0xB2;
inline constexpr uint8_t kGroupOfVop = 0xB3;
inline constexpr uint8_t kVisualObject = 0xB5;
inline constexpr uint8_t kVop = 0xB6;
inline constexpr uint8_t kVideoObject = 0x00;       // 0x00 .. 0x1F
inline constexpr uint8_t kVideoObjectLayer = 0x20;  // 0x20 .. 0x2F

// Macroblock types as the camera numbers them.
enum MbType : int {
  kMbInter = 0,
  kMbInterQ = 1,
  kMbInter4V = 2,
  kMbIntra = 3,
  kMbIntraQ = 4,
};

// MCBPC of I-VOPs: [mbType - 3][cbpc]; stuffing separately.
extern const Vlc kMcbpcIntra[2][4];
// MCBPC of P-VOPs: [mbType][cbpc] for types 0 .. 4.
extern const Vlc kMcbpcInter[5][4];
inline constexpr Vlc kMcbpcStuffing {1, 9};  // 0000 0000 1, both tables

// CBPY by the intra pattern (Y0 is bit 3); inter macroblocks send 15 - cbpy.
extern const Vlc kCbpy[16];
// Motion vector difference magnitudes 0 .. 32 (sign bit follows when not 0).
extern const Vlc kMvd[33];
// Intra DC size 0 .. 12, luminance and chrominance.
extern const Vlc kDcSizeLuma[13];
extern const Vlc kDcSizeChroma[13];

inline constexpr Vlc kTcoefEscape {3, 7};  // 0000 011

// Transform coefficient codes, looked up by (last, run, |level|). Empty Vlc
// (length 0) when the combination has no code of its own.
Vlc TcoefCode(bool intra, bool last, int run, int level);
// Largest |level| with a code for (last, run), 0 when the run has none.
int TcoefLmax(bool intra, bool last, int run);
// Largest run with a code for (last, |level|), -1 when the level has none.
int TcoefRmax(bool intra, bool last, int level);

// Scans: scan position -> raster position.
extern const std::array<uint8_t, 64> kZigzag;
extern const std::array<uint8_t, 64> kAlternateHorizontal;
extern const std::array<uint8_t, 64> kAlternateVertical;

// Default weighting matrices, raster order.
extern const std::array<uint8_t, 64> kDefaultIntraMatrix;
extern const std::array<uint8_t, 64> kDefaultInterMatrix;

}  // namespace klv::sample::mpeg4
