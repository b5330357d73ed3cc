// Reconstruction arithmetic: the inverse transform, dequantiser steps and DC
// scalers, mismatch control.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "media/mpeg4/idct.h"
#include "media/mpeg4/reconstruct.h"

namespace klv::mpeg4 {
namespace {

TEST(InverseTransform, SimdAndPlainAgreeOnEveryKindOfBlock) {
  std::mt19937 rng(7);
  int mismatches = 0;
  for (int t = 0; t < 60000; ++t) {
    int16_t in[64] = {};
    const int kind = t % 4;
    for (int i = 0; i < 64; ++i) {
      switch (kind) {
        case 0:  // anything, including 16-bit overflow in every stage
          in[i] = static_cast<int16_t>(rng());
          break;
        case 1:  // sparse coefficients of real pictures
          if (rng() % 6 == 0) in[i] = static_cast<int16_t>((static_cast<int>(rng() % 2001) - 1000) * 8);
          break;
        case 2:  // a few large ones
          if (rng() % 16 == 0) in[i] = static_cast<int16_t>(static_cast<int>(rng() % 65536) - 32768);
          break;
        default:
          if (i == 0 || rng() % 20 == 0) in[i] = static_cast<int16_t>((static_cast<int>(rng() % 4096) - 2048) * 8);
      }
    }
    int16_t fast[64], plain[64];
    Idct8x8(in, fast);
    Idct8x8Reference(in, plain);
    mismatches += std::memcmp(fast, plain, sizeof fast) != 0;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(InverseTransform, DcBlocksAndMismatchControl) {
  int16_t out[64];
  // Dequantised DC 1024 alone: 128 everywhere; the mismatch 1 at 63 that
  // an even sum brings changes no sample.
  for (bool flip : {false, true}) {
    IdctDcOnly(1024 * 8, flip, out);
    for (int16_t v : out) ASSERT_EQ(v, 128);
  }
  // An inter block without coefficients becomes a lone 1 at 63: all zeros.
  int16_t in[64] = {};
  in[63] = 8;
  Idct8x8(in, out);
  for (int16_t v : out) ASSERT_EQ(v, 0);
  // The DC shortcut is the full transform of the same block, at any DC.
  for (int dc = -32768; dc < 32768; dc += 7) {
    for (bool flip : {false, true}) {
      int16_t block[64] = {};
      block[0] = static_cast<int16_t>(dc);
      block[63] = flip ? 8 : 0;
      int16_t want[64];
      Idct8x8Reference(block, want);
      IdctDcOnly(static_cast<int16_t>(dc), flip, out);
      ASSERT_EQ(std::memcmp(out, want, sizeof out), 0) << dc << " " << flip;
    }
  }
}

TEST(Dequantiser, StepsAndScalers) {
  // Table 7-1 DC scalers by quantiser.
  const int luma[32] = {0,  8,  8,  8,  8,  10, 12, 14, 16, 17, 18, 19, 20, 21, 22, 23,
                        24, 25, 26, 27, 28, 29, 30, 31, 32, 34, 36, 38, 40, 42, 44, 46};
  const int chroma[32] = {0,  8,  8,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14,
                          14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 20, 21, 22, 23, 24, 25};
  for (int q = 1; q <= 31; ++q) {
    EXPECT_EQ(LumaDcScaler(q), luma[q]) << q;
    EXPECT_EQ(ChromaDcScaler(q), chroma[q]) << q;
  }
  Dequantiser d;
  d.PrepareDequantiser(3);
  EXPECT_EQ(d.intraSteps[0], 3);   // 8 * 3 * 100 / 800
  EXPECT_EQ(d.intraSteps[1], 6);   // 17 * 3 / 8 = 6.375
  EXPECT_EQ(d.intraSteps[63], 16);  // 45 * 3 / 8
  EXPECT_EQ(d.interSteps[0], 6);
  EXPECT_EQ(d.interSteps[63], 12);  // 33 * 3 / 8
  EXPECT_EQ(d.lumaDcScaler, 8);
  d.PrepareDequantiser(31);
  EXPECT_EQ(d.intraSteps[63], 174);
  EXPECT_EQ(d.chromaDcScaler, 25);
}

}  // namespace
}  // namespace klv::mpeg4
