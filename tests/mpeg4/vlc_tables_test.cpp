// The code tables: each is a prefix code of the known size, the coefficient
// events are exactly those the escape limits (a separate table of the
// standard) describe, and the one-step lookups give what the camera's
// bit-by-bit search gives, "no code" included.

#include "media/mpeg4/vlc_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace klv::mpeg4 {
namespace {

std::vector<std::string> Codes(const VlcCode* list, int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.emplace_back(list[i].bits);
  return v;
}
std::vector<std::string> Codes(const TcoefCode* list) {
  std::vector<std::string> v;
  for (int i = 0; i < kTcoefCount; ++i) v.emplace_back(list[i].bits);
  return v;
}

// Sum of 2^(maxLen - length) over the codes (the share of the code space in
// units of 2^-maxLen); false when one code is a prefix of another.
bool PrefixCode(const std::vector<std::string>& codes, int maxLen, uint64_t* share) {
  *share = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (codes[i].empty()) continue;
    *share += uint64_t {1} << (maxLen - static_cast<int>(codes[i].size()));
    for (size_t j = 0; j < codes.size(); ++j) {
      if (i != j && !codes[j].empty() && codes[j].compare(0, codes[i].size(), codes[i]) == 0) return false;
    }
  }
  return true;
}

TEST(CodeTables, PrefixCodesOfTheKnownSize) {
  struct Case {
    const char* what;
    std::vector<std::string> codes;
    int maxLen;
    uint64_t share;  // all but the unused prefixes (all-zero codes, start-code safety)
  } cases[] = {
      {"MCBPC I", Codes(kMcbpcIntra, 16), 9, 505},
      {"MCBPC P", Codes(kMcbpcInter, 32), 9, 511},
      {"CBPY", Codes(kCbpy, 16), 6, 62},
      {"DC size luma", Codes(kDcSizeLuma, 13), 11, 2047},
      {"DC size chroma", Codes(kDcSizeChroma, 13), 12, 4095},
  };
  for (const Case& c : cases) {
    uint64_t share = 0;
    EXPECT_TRUE(PrefixCode(c.codes, c.maxLen, &share)) << c.what;
    EXPECT_EQ(share, c.share) << c.what;
  }
  // Vector differences: magnitude codes, a sign bit after all but 0.
  std::vector<std::string> mvd;
  for (int m = 0; m <= 32; ++m) {
    mvd.push_back(std::string(kMvd[m].bits) + (m ? "0" : ""));
    if (m) mvd.push_back(std::string(kMvd[m].bits) + "1");
  }
  uint64_t share = 0;
  EXPECT_TRUE(PrefixCode(mvd, 13, &share));
  EXPECT_EQ(share, 8188u);
  // Coefficients with their sign bits, and the escape.
  for (const TcoefCode* table : {kTcoefIntra, kTcoefInter}) {
    std::vector<std::string> codes;
    for (const std::string& c : Codes(table)) {
      codes.push_back(c + "0");
      codes.push_back(c + "1");
    }
    codes.push_back("0000011");
    EXPECT_TRUE(PrefixCode(codes, 13, &share));
    EXPECT_EQ(share, 8176u);  // 1022 / 1024
  }
}

TEST(CodeTables, CoefficientEventsAreThoseOfTheEscapeLimits) {
  const struct {
    const TcoefCode* table;
    const EscapeLimits& limits;
  } tables[] = {{kTcoefIntra, kEscapeIntra}, {kTcoefInter, kEscapeInter}};
  for (const auto& t : tables) {
    std::set<std::tuple<int, int, int>> coded, implied;
    size_t lastLength = 0;
    for (int i = 0; i < kTcoefCount; ++i) {
      const TcoefCode& c = t.table[i];
      EXPECT_TRUE(coded.insert({c.last, c.run, c.level}).second) << c.bits;
      EXPECT_GE(std::string(c.bits).size(), lastLength) << "sorted by length: " << c.bits;
      lastLength = std::string(c.bits).size();
    }
    for (int last = 0; last < 2; ++last) {
      for (int run = 0; run < t.limits.lmaxCount[last]; ++run) {
        for (int level = 1; level <= t.limits.lmax[last][run]; ++level) implied.insert({last, run, level});
      }
      // RMAX(level) is the longest run coded with that level.
      for (int level = 1; level <= t.limits.rmaxCount[last]; ++level) {
        int longest = -1;
        for (int run = 0; run < t.limits.lmaxCount[last]; ++run) {
          if (t.limits.lmax[last][run] >= level) longest = run;
        }
        EXPECT_EQ(t.limits.rmax[last][level - 1], longest) << last << " " << level;
      }
    }
    EXPECT_EQ(coded, implied);
  }
}

// The camera's search: one bit at a time, comparing the codes of that
// length after each bit, giving up after `giveUp` bits.
int Search(const std::vector<std::string>& codes, uint32_t bits, int width, int from, int giveUp, int* length) {
  std::string read;
  for (int n = 1; n <= giveUp; ++n) {
    read.push_back(((bits >> (width - n)) & 1) ? '1' : '0');
    if (n < from) continue;
    for (size_t i = 0; i < codes.size(); ++i) {
      if (codes[i] == read) {
        *length = n;
        return static_cast<int>(i);
      }
    }
  }
  return -1;
}

TEST(CodeTables, LookupsGiveTheBitByBitSearchsAnswer) {
  struct Case {
    const char* what;
    std::vector<std::string> codes;
    const VlcEntry* lut;
    int bits;
  } cases[] = {
      {"MCBPC I", Codes(kMcbpcIntra, 16), kMcbpcIntraLut.data(), kMcbpcBits},
      {"MCBPC P", Codes(kMcbpcInter, 32), kMcbpcInterLut.data(), kMcbpcBits},
      {"CBPY", Codes(kCbpy, 16), kCbpyLut.data(), kCbpyBits},
      {"MVD", Codes(kMvd, 33), kMvdLut.data(), kMvdBits},
      {"DC luma", Codes(kDcSizeLuma, 13), kDcLumaLut.data(), kDcLumaBits},
      {"DC chroma", Codes(kDcSizeChroma, 13), kDcChromaLut.data(), kDcChromaBits},
  };
  for (const Case& c : cases) {
    for (uint32_t v = 0; v < (1u << c.bits); ++v) {
      int length = 0;
      const int want = Search(c.codes, v, c.bits, 1, c.bits, &length);
      const VlcEntry e = c.lut[v];
      ASSERT_EQ(e.length == 0 ? -1 : e.value, want) << c.what << " " << v;
      if (want >= 0) {
        ASSERT_EQ(e.length, length) << c.what << " " << v;
      }
    }
  }
  for (const TcoefCode* table : {kTcoefIntra, kTcoefInter}) {
    const auto& lut = table == kTcoefIntra ? kTcoefIntraLut : kTcoefInterLut;
    const std::vector<std::string> codes = Codes(table);
    for (uint32_t v = 0; v < (1u << kTcoefSearchBits); ++v) {
      int length = 0;
      const int want = Search(codes, v, kTcoefSearchBits, 2, kTcoefSearchBits, &length);
      const TcoefEntry e = lut[v >> (kTcoefSearchBits - kTcoefBits)];
      if (want < 0) {
        ASSERT_EQ(e.length, 0) << v;
        continue;
      }
      ASSERT_EQ(e.length, length) << v;
      ASSERT_EQ(e.run, table[want].run) << v;
      ASSERT_EQ(e.level, table[want].level) << v;
      ASSERT_EQ(e.last, table[want].last) << v;
    }
  }
}

}  // namespace
}  // namespace klv::mpeg4
