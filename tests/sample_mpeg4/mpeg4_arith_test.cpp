// The camera's picture arithmetic as the sample writer mirrors it, and the
// writer's code tables.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/mpeg4_recon.h"
#include "support/mpeg4_tables.h"

namespace klv::sample::mpeg4 {
namespace {

TEST(Mpeg4Arith, DcScalersAndSteps) {
  struct Row { int qp, luma, chroma; };
  for (const Row& r : {Row {1, 8, 8}, Row {4, 8, 8}, Row {5, 10, 9}, Row {8, 16, 10}, Row {9, 17, 11},
                       Row {24, 32, 18}, Row {25, 34, 19}, Row {31, 46, 25}}) {
    EXPECT_EQ(LumaDcScaler(r.qp), r.luma) << r.qp;
    EXPECT_EQ(ChromaDcScaler(r.qp), r.chroma) << r.qp;
  }
  const StepTables q1 = MakeStepTables(1), q31 = MakeStepTables(31);
  EXPECT_EQ(q1.intra[1], 2);    // 17 * 1 / 8
  EXPECT_EQ(q1.inter[0], 2);    // 16 * 1 / 8
  EXPECT_EQ(q31.intra[63], 174);  // 45 * 31 / 8
  EXPECT_EQ(q31.inter[63], 127);  // 33 * 31 / 8
}

TEST(Mpeg4Arith, IntraDcOnlyBlockIsFlat) {
  // Dequantised DC 1024 without AC: 128 everywhere; the mismatch flip of
  // position 63 changes no sample.
  std::array<int, 64> levels {}, deq {}, out {};
  levels[0] = 128;
  Dequantise(levels, true, 8, MakeStepTables(4), deq);
  EXPECT_EQ(deq[0], 1024);
  EXPECT_EQ(deq[63], 1);
  ASSERT_TRUE(InverseTransform(deq, out));
  for (int v : out) EXPECT_EQ(v, 128);
}

TEST(Mpeg4Arith, EmptyInterBlockStaysZero) {
  std::array<int, 64> levels {}, deq {}, out {};
  Dequantise(levels, false, 0, MakeStepTables(8), deq);
  for (size_t i = 0; i < 63; ++i) EXPECT_EQ(deq[i], 0);
  EXPECT_EQ(deq[63], 1);
  ASSERT_TRUE(InverseTransform(deq, out));
  for (int v : out) EXPECT_EQ(v, 0);
}

TEST(Mpeg4Arith, InterDequantisationRoundsNegativeDown) {
  // T = 3 (non-intra weight 24 at QP 1): ((2 * 1 + 1) * 3) >> 1 = 4, and the
  // arithmetic shift makes -1 give -5.
  std::array<int, 64> levels {}, deq {};
  const StepTables steps = MakeStepTables(1);
  ASSERT_EQ(steps.inter[15], 3);
  levels[15] = 1;
  levels[7] = -1;  // weight 23 -> T 2: (-3 * 2) >> 1 = -3
  Dequantise(levels, false, 0, steps, deq);
  EXPECT_EQ(deq[15], 4);
  EXPECT_EQ(deq[7], -3);
  levels[15] = -1;
  Dequantise(levels, false, 0, steps, deq);
  EXPECT_EQ(deq[15], -5);
}

TEST(Mpeg4Arith, InverseTransformIsAnIdct) {
  // Within one step of a double-precision inverse DCT for moderate blocks.
  const double pi = std::acos(-1.0);
  uint32_t seed = 7;
  for (int trial = 0; trial < 50; ++trial) {
    std::array<int, 64> in {}, out {};
    for (size_t i = 0; i < 64; ++i) {
      seed = seed * 1664525u + 1013904223u;
      in[i] = i < 16 || seed % 5 == 0 ? static_cast<int>(seed >> 26) - 32 : 0;
    }
    in[0] = 200;
    ASSERT_TRUE(InverseTransform(in, out));
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        double s = 0;
        for (int v = 0; v < 8; ++v) {
          for (int u = 0; u < 8; ++u) {
            const double cu = u ? 1 : std::sqrt(0.5), cv = v ? 1 : std::sqrt(0.5);
            s += cu * cv * in[static_cast<size_t>(v * 8 + u)] * std::cos((2 * x + 1) * u * pi / 16) *
                 std::cos((2 * y + 1) * v * pi / 16);
          }
        }
        EXPECT_NEAR(out[static_cast<size_t>(y * 8 + x)], s / 4, 1.01) << trial;
      }
    }
  }
}

TEST(Mpeg4Arith, InverseTransformReportsSixteenBitOverflow) {
  std::array<int, 64> in {}, out {};
  in[0] = 2040;
  in[1] = 2040;
  in[8] = 2040;
  EXPECT_FALSE(InverseTransform(in, out));
}

TEST(Mpeg4Arith, LumaDisplacementRules) {
  struct Row { int vx, vy, mbx, mby, dx, dy; };
  // 4 x 3 macroblocks.
  for (const Row& r : {Row {1, 0, 1, 1, 0, 0}, Row {3, 0, 1, 1, 1, 0}, Row {-3, -5, 1, 1, -1, -2},
                       Row {-8, 6, 0, 1, 0, 3}, Row {8, -6, 3, 1, 0, -3}, Row {-4, -40, 2, 0, -2, 0},
                       Row {40, 40, 2, 2, 20, 0}, Row {-9, 9, 0, 2, 0, 0}}) {
    EXPECT_EQ(LumaDisplacement(r.vx, r.vy, r.mbx, r.mby, 4, 3), (Displacement {r.dx, r.dy}))
        << r.vx << "," << r.vy << " at " << r.mbx << "," << r.mby;
  }
  EXPECT_TRUE(DisplacementInside({-16, -16}, 1, 1, 64, 48));
  EXPECT_FALSE(DisplacementInside({-17, 0}, 1, 1, 64, 48));
  EXPECT_FALSE(DisplacementInside({0, 1}, 1, 2, 64, 48));
}

TEST(Mpeg4Arith, ChromaInterpolationHasNoRoundingTerm) {
  YuvPicture ref = YuvPicture::Make(32, 32, 100);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      ref.U(x, y) = static_cast<uint8_t>(10 + x + 2 * y);  // x step 1, y step 2
      ref.V(x, y) = static_cast<uint8_t>(200 - x);
    }
  }
  MacroblockSamples p {};
  PredictMacroblock(ref, 0, 0, {1, 0}, p);  // half a chroma sample right
  EXPECT_EQ(p[4][0], (10 + 11) >> 1);       // 10, where rounding would give 11
  EXPECT_EQ(p[5][0], (200 + 199) >> 1);
  PredictMacroblock(ref, 0, 0, {1, 1}, p);
  EXPECT_EQ(p[4][0], (10 + 11 + 12 + 13) >> 2);  // 11, where rounding would give 12
  PredictMacroblock(ref, 0, 0, {2, 3}, p);       // (1, 1.5) chroma samples
  EXPECT_EQ(p[4][0], (10 + 1 + 2 + 10 + 1 + 4) >> 1);
  EXPECT_EQ(p[0][0], 100);
}

// ---- code tables

struct Code {
  uint32_t code;
  int length;
};

std::string Bits(Code c) {
  std::string s;
  for (int i = c.length - 1; i >= 0; --i) s += ((c.code >> i) & 1) ? '1' : '0';
  return s;
}

// No code is a prefix of another, and the code space is not over-full.
void ExpectPrefixFree(const std::vector<Code>& codes, const char* name) {
  double kraft = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    kraft += std::ldexp(1.0, -codes[i].length);
    for (size_t j = 0; j < codes.size(); ++j) {
      if (i == j) continue;
      const std::string a = Bits(codes[i]), b = Bits(codes[j]);
      EXPECT_FALSE(b.compare(0, a.size(), a) == 0 && a.size() <= b.size()) << name << ": " << a << " / " << b;
    }
  }
  EXPECT_LE(kraft, 1.0) << name;
}

TEST(Mpeg4Tables, VariableLengthCodesArePrefixFree) {
  std::vector<Code> intraMcbpc {{kMcbpcStuffing.code, kMcbpcStuffing.length}}, interMcbpc = intraMcbpc;
  for (const auto& row : kMcbpcIntra) {
    for (Vlc v : row) intraMcbpc.push_back({v.code, v.length});
  }
  for (const auto& row : kMcbpcInter) {
    for (Vlc v : row) interMcbpc.push_back({v.code, v.length});
  }
  ExpectPrefixFree(intraMcbpc, "MCBPC I");
  ExpectPrefixFree(interMcbpc, "MCBPC P");
  std::vector<Code> cbpy, mvd, dcl, dcc;
  for (Vlc v : kCbpy) cbpy.push_back({v.code, v.length});
  for (Vlc v : kMvd) mvd.push_back({v.code, v.length});
  for (Vlc v : kDcSizeLuma) dcl.push_back({v.code, v.length});
  for (Vlc v : kDcSizeChroma) dcc.push_back({v.code, v.length});
  ExpectPrefixFree(cbpy, "CBPY");
  ExpectPrefixFree(mvd, "MVD");
  ExpectPrefixFree(dcl, "DC size luma");
  ExpectPrefixFree(dcc, "DC size chroma");
  for (bool intra : {true, false}) {
    std::vector<Code> coef {{kTcoefEscape.code, kTcoefEscape.length}};
    for (bool last : {false, true}) {
      for (int run = 0; run < 64; ++run) {
        for (int level = 1; level <= TcoefLmax(intra, last, run); ++level) {
          const Vlc v = TcoefCode(intra, last, run, level);
          ASSERT_GT(v.length, 0);
          coef.push_back({static_cast<uint32_t>(v.code << 1), v.length + 1});  // with its sign bit
          coef.push_back({static_cast<uint32_t>(v.code << 1 | 1), v.length + 1});
        }
      }
    }
    EXPECT_EQ(coef.size(), 1 + 2 * 102u) << intra;
    ExpectPrefixFree(coef, intra ? "TCOEF intra" : "TCOEF inter");
  }
}

TEST(Mpeg4Tables, EscapeLimits) {
  auto lmax = [](bool intra, bool last) {
    std::vector<int> v;
    for (int run = 0; TcoefLmax(intra, last, run) > 0; ++run) v.push_back(TcoefLmax(intra, last, run));
    return v;
  };
  auto rmax = [](bool intra, bool last) {
    std::vector<int> v;
    for (int level = 1; TcoefRmax(intra, last, level) >= 0; ++level) v.push_back(TcoefRmax(intra, last, level));
    return v;
  };
  EXPECT_EQ(lmax(true, false), (std::vector<int> {27, 10, 5, 4, 3, 3, 3, 3, 2, 2, 1, 1, 1, 1, 1}));
  EXPECT_EQ(lmax(true, true), (std::vector<int> {8, 3, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(lmax(false, false).size(), 27u);
  EXPECT_EQ(lmax(false, false)[0], 12);
  EXPECT_EQ(lmax(false, false)[3], 3);
  EXPECT_EQ(lmax(false, false)[7], 2);
  EXPECT_EQ(lmax(false, false)[11], 1);
  EXPECT_EQ(lmax(false, true).size(), 41u);
  EXPECT_EQ(rmax(true, false), (std::vector<int> {14, 9, 7, 3, 2, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                  0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rmax(true, true), (std::vector<int> {20, 6, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rmax(false, false), (std::vector<int> {26, 10, 6, 2, 1, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rmax(false, true), (std::vector<int> {40, 1, 0}));
}

TEST(Mpeg4Tables, ScansArePermutations) {
  for (const auto* scan : {&kZigzag, &kAlternateHorizontal, &kAlternateVertical}) {
    std::array<int, 64> seen {};
    for (uint8_t p : *scan) ++seen[p];
    for (int n : seen) EXPECT_EQ(n, 1);
  }
}

}  // namespace
}  // namespace klv::sample::mpeg4
