// Picture decoding with hand-made streams: intra DC, escapes, not-coded
// macroblocks, vectors and their prediction, stuffing, dquant, failures.
// Codes are written from the standard's tables as bit strings.

#include "media/mpeg4/mpeg4_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "m4v_test_util.h"
#include "media/mpeg4/idct.h"

namespace klv {
namespace {

using m4vtest::BitWriter;

// Motion vector difference magnitudes 0..32 (Table B-12), sign separate.
const char* const kMvdCode[33] = {
    "1",           "01",          "001",         "0001",         "000011",       "0000101",     "0000100",
    "0000011",     "000001011",   "000001010",   "000001001",    "0000010001",   "0000010000",  "0000001111",
    "0000001110",  "0000001101",  "0000001100",  "0000001011",   "0000001010",   "0000001001",  "0000001000",
    "0000000111",  "0000000110",  "0000000101",  "0000000100",   "00000000111",  "00000000110", "00000000101",
    "00000000100", "00000000011", "00000000010", "000000000011", "000000000010",
};

void WriteMvd(BitWriter& w, int d, int fcode) {
  const int rSize = fcode - 1;
  if (d == 0) {
    w.Code("1");
    return;
  }
  const int m = std::abs(d);
  const int index = rSize == 0 ? m : ((m - 1) >> rSize) + 1;
  w.Code(kMvdCode[index]);
  w.Put(d < 0 ? 1 : 0, 1);
  if (rSize > 0) w.Put(static_cast<uint32_t>((m - 1) & ((1 << rSize) - 1)), rSize);
}

// An inter macroblock without coefficients (MCBPC "1", CBPY 1111 for
// pattern 0) and vector difference (x, y).
void WriteInterMb(BitWriter& w, int x, int y, int fcode) {
  w.Code("0 1 11");
  WriteMvd(w, x, fcode);
  WriteMvd(w, y, fcode);
}

struct Stream {
  BitWriter w;
  explicit Stream(int width, int height) {
    m4vtest::HeaderFields h;
    h.width = width;
    h.height = height;
    m4vtest::WriteHeaders(w, h);
  }
  void FlatIntraVop(int mbs, int quant = 8) {
    m4vtest::VopFields v;
    v.quant = quant;
    m4vtest::WriteVopHeader(w, v);
    for (int i = 0; i < mbs; ++i) m4vtest::WriteFlatIntraMb(w);
    w.Stuff();
  }
  std::vector<uint8_t> bytes;
  const std::vector<uint8_t>& Finish() {
    bytes = w.Take();
    return bytes;
  }
};

// Reference content with a distinct value at every sample.
uint8_t PatternY(int x, int y) { return static_cast<uint8_t>(x * 5 + y * 3 + 7); }
uint8_t PatternU(int x, int y) { return static_cast<uint8_t>(x * 11 + y * 7 + 40); }
uint8_t PatternV(int x, int y) { return static_cast<uint8_t>(200 - x * 3 - y * 13); }

void FillOutputWithPattern(Mpeg4Decoder& d) {
  mpeg4::Picture& p = d.stores().outputPicture();
  for (int y = 0; y < p.y.height; ++y) {
    for (int x = 0; x < p.y.width; ++x) p.y.Row(y)[x] = PatternY(x, y);
  }
  for (int y = 0; y < p.u.height; ++y) {
    for (int x = 0; x < p.u.width; ++x) {
      p.u.Row(y)[x] = PatternU(x, y);
      p.v.Row(y)[x] = PatternV(x, y);
    }
  }
}

// What a macroblock shows for whole-pixel luma displacement (dx, dy): the
// reference pattern extended without end beyond the picture's edges, chroma
// at half the displacement with two- or four-sample sums, no rounding term.
struct Model {
  int width, height;  // whole macroblocks
  uint8_t Y(int x, int y) const { return PatternY(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)); }
  uint8_t C(bool u, int x, int y) const {
    x = std::clamp(x, 0, width / 2 - 1);
    y = std::clamp(y, 0, height / 2 - 1);
    return u ? PatternU(x, y) : PatternV(x, y);
  }
  void Expect(const m4vtest::Planes& p, int mbx, int mby, int dx, int dy, const char* what) const {
    int bad = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const int px = mbx * 16 + x, py = mby * 16 + y;
        bad += p.y[static_cast<size_t>(py) * p.width + px] != Y(px + dx, py + dy);
      }
    const int hx = dx & 1, hy = dy & 1;
    for (int c = 0; c < 2; ++c)
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const int cx = mbx * 8 + x + (dx >> 1), cy = mby * 8 + y + (dy >> 1);
          const bool u = c == 0;
          int want;
          if (hx && hy) {
            want = (C(u, cx, cy) + C(u, cx + 1, cy) + C(u, cx, cy + 1) + C(u, cx + 1, cy + 1)) >> 2;
          } else if (hx) {
            want = (C(u, cx, cy) + C(u, cx + 1, cy)) >> 1;
          } else if (hy) {
            want = (C(u, cx, cy) + C(u, cx, cy + 1)) >> 1;
          } else {
            want = C(u, cx, cy);
          }
          const std::vector<uint8_t>& plane = u ? p.u : p.v;
          bad += plane[static_cast<size_t>(mby * 8 + y) * (p.width / 2) + mbx * 8 + x] != want;
        }
    EXPECT_EQ(bad, 0) << what << ": macroblock " << mbx << "," << mby << " displacement " << dx << "," << dy;
  }
};

// Decodes the first picture of `s`, puts the pattern in as its result (so it
// becomes the reference) and decodes the next one.
int DecodeAgainstPattern(Mpeg4Decoder& d, const std::vector<uint8_t>& s, const DecoderFlags* flags = nullptr) {
  d.SetFlags(flags);
  d.OpenStreamBuffer(s.data(), s.size());
  EXPECT_TRUE(d.IsOpen());
  d.DecodeNextFrame();
  EXPECT_TRUE(d.lastPictureDecoded());
  FillOutputWithPattern(d);
  return d.DecodeNextFrame().position;
}

// --- intra -------------------------------------------------------------------------

TEST(IntraPictures, DcOfTheDefaultPredictionGives128) {
  for (int quant : {2, 8, 20, 31}) {
    Stream s(48, 32);
    s.FlatIntraVop(6, quant);
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    d.OpenStreamBuffer(b.data(), b.size());
    d.DecodeNextFrame();
    ASSERT_TRUE(d.lastPictureDecoded()) << quant;
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    // Every prediction is 1024 (or a value near it the scaler reproduces).
    const int scaler = mpeg4::LumaDcScaler(quant);
    const int dc = (1024 + scaler / 2) / scaler * scaler;
    int16_t in[64] = {};
    in[0] = static_cast<int16_t>(dc * 8);
    if (dc % 2 == 0) in[63] = 8;
    int16_t want[64];
    mpeg4::Idct8x8Reference(in, want);
    EXPECT_EQ(p.y[0], want[0]) << quant;
    EXPECT_EQ(p.y[17 * 48 + 40], want[8]) << quant;
    // Scalers that divide 1024 give it back exactly: 128 at every sample.
    if (quant <= 8) {
      EXPECT_TRUE(std::all_of(p.y.begin(), p.y.end(), [](uint8_t v) { return v == 128; })) << quant;
    }
    if (quant <= 4) {
      EXPECT_TRUE(std::all_of(p.u.begin(), p.u.end(), [](uint8_t v) { return v == 128; })) << quant;
    }
  }
}

TEST(IntraPictures, EscapeType3Levels) {
  struct Case {
    uint32_t raw;
    int level;
  } cases[] = {{0x001, 1}, {0xFFF, -1}, {0x800, -2048}, {0x7FF, 2047}, {0x010, 16}};
  for (const Case& c : cases) {
    Stream s(16, 16);
    m4vtest::WriteVopHeader(s.w, {});
    s.w.Code("1 0 00010");  // intra, no AC prediction, only Y0 coded
    s.w.Code("011");        // Y0 DC size 0
    s.w.Code("0000011 11 1 000000 1");  // escape type 3: last 1, run 0, marker
    s.w.Put(c.raw, 12);
    s.w.Code("1");
    s.w.Code("011 011 011 11 11");
    s.w.Stuff();
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    d.OpenStreamBuffer(b.data(), b.size());
    d.DecodeNextFrame();
    ASSERT_TRUE(d.lastPictureDecoded()) << c.raw;
    // Raster position 1 (horizontal frequency 1), intra step 17 at quantiser 8.
    const int32_t v = c.level * 17;
    int16_t in[64] = {};
    in[0] = 1024 * 8;
    in[8] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v) << 3));
    if ((1024 + v) % 2 == 0) in[63] = 8;
    int16_t want[64];
    mpeg4::Idct8x8Reference(in, want);
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    for (int i = 0; i < 64; ++i) {
      ASSERT_EQ(p.y[static_cast<size_t>(i / 8 * 16 + i % 8)], std::clamp<int>(want[i], 0, 255)) << c.raw << " at " << i;
    }
    // A positive first horizontal frequency is brighter on the left.
    if (c.level == 1) {
      EXPECT_GT(p.y[0], p.y[7]);
    }
    if (c.level == -1) {
      EXPECT_LT(p.y[0], p.y[7]);
    }
  }
}

TEST(IntraPictures, DquantMovesOnlyTheRunningQuantiser) {
  // intra_dc_vlc_thr 1: the DC-size code only below quantiser 13. The VOP's
  // quantiser 12 goes to 14 with the first macroblock's dquant, so no block
  // after it has a DC-size code; the DC scaler stays that of 12 (20).
  Stream s(32, 16);
  m4vtest::VopFields v;
  v.dcThreshold = 1;
  v.quant = 12;
  m4vtest::WriteVopHeader(s.w, v);
  s.w.Code("0001 0 0011 11");  // intra + dquant (+2), no AC prediction, no coded block
  s.w.Code("1 0 0011");        // intra, no coded block, no DC codes either
  s.w.Stuff();
  const auto& b = s.Finish();
  Mpeg4Decoder d;
  d.OpenStreamBuffer(b.data(), b.size());
  const DecodedFrame f = d.DecodeNextFrame();
  ASSERT_TRUE(f.decoded);
  EXPECT_EQ(f.quantiser, 14);
  // (1024 + 10) / 20 * 20 = 1020 everywhere (chroma: (1024 + 6) / 12 * 12).
  int16_t in[64] = {};
  in[0] = 1020 * 8;
  in[63] = 8;
  int16_t want[64];
  mpeg4::Idct8x8Reference(in, want);
  const m4vtest::Planes p = m4vtest::OutputPlanes(d);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(p.y[static_cast<size_t>(i / 8 * 32 + 16 + i % 8)], want[i]);
}

TEST(IntraPictures, RunningQuantiserStaysWithin1And31) {
  struct Case {
    int quant;
    const char* dquant;
    int after;
  } cases[] = {{31, "11", 31}, {30, "11", 31}, {1, "01", 1}, {2, "00", 1}, {8, "10", 10}};
  for (const Case& c : cases) {
    Stream s(32, 16);
    m4vtest::VopFields v;
    v.quant = c.quant;
    v.dcThreshold = 7;  // DC never coded apart: the same syntax at any quantiser
    m4vtest::WriteVopHeader(s.w, v);
    s.w.Code("0001 0 0011");
    s.w.Code(c.dquant);
    s.w.Code("0001 0 0011");
    s.w.Code(c.dquant);
    s.w.Stuff();
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    d.OpenStreamBuffer(b.data(), b.size());
    const DecodedFrame f = d.DecodeNextFrame();
    EXPECT_TRUE(f.decoded) << c.quant;
    EXPECT_EQ(f.quantiser, c.after) << c.quant << " " << c.dquant;
  }
}

TEST(IntraPictures, StuffingIsNotAMacroblock) {
  Stream s(48, 32);
  m4vtest::WriteVopHeader(s.w, {});
  for (int i = 0; i < 6; ++i) {
    if (i == 2) s.w.Code("000000001");
    if (i == 4) s.w.Code("000000001 000000001");
    m4vtest::WriteFlatIntraMb(s.w);
  }
  s.w.Stuff();
  const auto& b = s.Finish();
  Mpeg4Decoder d;
  d.OpenStreamBuffer(b.data(), b.size());
  d.DecodeNextFrame();
  ASSERT_TRUE(d.lastPictureDecoded());
  EXPECT_EQ(d.macroblocks().macroblockCount, 6);
  const m4vtest::Planes p = m4vtest::OutputPlanes(d);
  EXPECT_TRUE(std::all_of(p.y.begin(), p.y.end(), [](uint8_t v) { return v == 128; }));
}

TEST(IntraPictures, MalformedBlocksFailThePicture) {
  struct Case {
    const char* what;
    std::function<void(BitWriter&)> y0;
  } cases[] = {
      {"run past 63", [](BitWriter& w) { w.Code("011 0000011 11 0 111110 1 000000000001 1 0000011 11 1 000001 1 000000000001 1"); }},
      {"missing first marker", [](BitWriter& w) { w.Code("011 0000011 11 1 000000 0 000000000001 1"); }},
      {"missing second marker", [](BitWriter& w) { w.Code("011 0000011 11 1 000000 1 000000000001 0"); }},
      {"no code and no escape", [](BitWriter& w) { w.Code("011 0000000000000"); }},
      {"DC size above 9", [](BitWriter& w) { w.Code("000000001 0000000000 1"); }},
      {"DC marker missing", [](BitWriter& w) { w.Code("00000001 100000000 0"); }},
  };
  for (const Case& c : cases) {
    Stream s(16, 16);
    m4vtest::WriteVopHeader(s.w, {});
    s.w.Code("1 0 00010");
    c.y0(s.w);
    s.w.Code("011 011 011 11 11");
    s.w.Put(0xFFFFFFFF, 32);
    s.w.Stuff();
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    d.OpenStreamBuffer(b.data(), b.size());
    EXPECT_EQ(d.DecodeNextFrame().position, -1) << c.what;
    EXPECT_FALSE(d.lastPictureDecoded()) << c.what;
  }
}

TEST(IntraPictures, LastMacroblockEndingOnTheFilesLastBitFails) {
  // A 16 x 16 picture whose flat macroblock ends exactly on a byte boundary:
  // the header is 32 + 2 + 1 + 1 + 4 + 1 + 1 + 3 + 5 = 50 bits, the
  // macroblock 1 + 1 + 4 + 12 + 4 = 22 bits, together 72 bits from the start
  // code. Ending the file there makes the last read fail.
  Stream s(16, 16);
  m4vtest::WriteVopHeader(s.w, {});
  m4vtest::WriteFlatIntraMb(s.w);
  ASSERT_EQ(s.w.BitCount() % 8, 0u);
  std::vector<uint8_t> cut = s.Finish();
  Mpeg4Decoder d;
  d.OpenStreamBuffer(cut.data(), cut.size());
  EXPECT_EQ(d.DecodeNextFrame().position, -1);
  EXPECT_FALSE(d.lastPictureDecoded());
  std::vector<uint8_t> stuffed = cut;
  stuffed.push_back(0x7F);
  d.OpenStreamBuffer(stuffed.data(), stuffed.size());
  d.DecodeNextFrame();
  EXPECT_TRUE(d.lastPictureDecoded());
}

// --- inter -------------------------------------------------------------------------

TEST(InterPictures, AllNotCodedReproducesTheReference) {
  for (bool forceBw : {false, true}) {
    Stream s(48, 32);
    s.FlatIntraVop(6);
    m4vtest::VopFields v;
    v.type = 1;
    m4vtest::WriteVopHeader(s.w, v);
    s.w.Code("111111");
    s.w.Stuff();
    const auto& b = s.Finish();
    DecoderFlags flags;
    flags.bForceBW = forceBw;
    Mpeg4Decoder d;
    DecodeAgainstPattern(d, b, &flags);
    ASSERT_TRUE(d.lastPictureDecoded());
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    const Model m {48, 32};
    if (!forceBw) {
      for (int i = 0; i < 6; ++i) m.Expect(p, i % 3, i / 3, 0, 0, "not coded");
    } else {
      EXPECT_EQ(p.y[5 * 48 + 9], PatternY(9, 5));
      EXPECT_TRUE(std::all_of(p.u.begin(), p.u.end(), [](uint8_t c) { return c == 128; }));
      EXPECT_TRUE(std::all_of(p.v.begin(), p.v.end(), [](uint8_t c) { return c == 128; }));
    }
  }
}

// Per macroblock: coded vector difference, or not coded.
struct MbSpec {
  bool coded;
  int x, y;
};

struct VectorCase {
  const char* what;
  int width, height, fcode;
  std::vector<MbSpec> mbs;
  std::vector<std::pair<int, int>> shown;  // whole-pixel displacement each macroblock shows
};

TEST(InterPictures, VectorsTheirPredictionAndTheEdges) {
  const VectorCase cases[] = {
      {"+1 half pixel moves nothing", 48, 16, 1, {{false, 0, 0}, {true, 1, 0}, {false, 0, 0}}, {{0, 0}, {0, 0}, {0, 0}}},
      {"+3 moves luma 1 pixel, chroma half", 48, 16, 1, {{false, 0, 0}, {true, 3, 0}, {false, 0, 0}},
       {{0, 0}, {1, 0}, {0, 0}}},
      {"r_size 1: index 2 residual 1 is 4", 48, 16, 2, {{false, 0, 0}, {true, 4, 0}, {false, 0, 0}},
       {{0, 0}, {2, 0}, {0, 0}}},
      {"first macroblock predicts 0, then the left one", 48, 16, 1, {{true, 2, 0}, {true, 0, 0}, {true, 0, 0}},
       {{1, 0}, {1, 0}, {0, 0}}},  // the last column drops a positive x
      {"negative x in the first column applies as 0", 48, 16, 1, {{true, -2, 0}, {true, 0, 0}, {true, 0, 0}},
       {{0, 0}, {-1, 0}, {-1, 0}}},
      {"y in a single row applies as 0", 48, 16, 1, {{true, 0, 4}, {true, 0, -8}, {false, 0, 0}},
       {{0, 0}, {0, 0}, {0, 0}}},
      {"odd negative: chroma at -1 with half samples", 48, 32, 1,
       {{false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {true, -2, -6}, {false, 0, 0}},
       {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {-1, -3}, {0, 0}}},
      // Second row: candidates left, above and above-right; the median.
      {"median of three", 48, 32, 1,
       {{true, 2, 2}, {true, 4, 0}, {true, -8, 2}, {true, 0, 0}, {true, 0, 0}, {true, 0, 0}},
       // First row: (2,2), then left-predicted (6,2) and (-2,4). Second row
       // (the last: positive y drops): a missing left counts as 0, median
       // (0,2,6)/(0,2,2) = (2,2); median (2,6,-2)/(2,2,4) = (2,2); a missing
       // above-right counts as 0, median (2,-2,0)/(2,4,0) = (0,2).
       {{1, 1}, {3, 1}, {-1, 2}, {1, 0}, {1, 0}, {0, 0}}},
      // A vector far outside the picture reads the edge samples (interior
      // macroblock of a 3 x 3 picture).
      {"far outside", 48, 48, 4,
       {{false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {false, 0, 0}, {true, -200, 200}, {false, 0, 0},
        {false, 0, 0}, {false, 0, 0}, {false, 0, 0}},
       {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {-100, 100}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}},
  };
  for (const VectorCase& c : cases) {
    Stream s(c.width, c.height);
    s.FlatIntraVop(static_cast<int>(c.mbs.size()));
    m4vtest::VopFields v;
    v.type = 1;
    v.fcode = c.fcode;
    m4vtest::WriteVopHeader(s.w, v);
    for (const MbSpec& mb : c.mbs) {
      if (mb.coded) {
        WriteInterMb(s.w, mb.x, mb.y, c.fcode);
      } else {
        s.w.Code("1");
      }
    }
    s.w.Stuff();
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    DecodeAgainstPattern(d, b);
    ASSERT_TRUE(d.lastPictureDecoded()) << c.what;
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    const Model m {c.width, c.height};
    const int mbw = c.width / 16;
    for (size_t i = 0; i < c.shown.size(); ++i) {
      m.Expect(p, static_cast<int>(i) % mbw, static_cast<int>(i) / mbw, c.shown[i].first, c.shown[i].second, c.what);
    }
  }
}

TEST(InterPictures, EveryVectorDifferenceCode) {
  // The middle macroblock of a row of three with difference +-m (f code 1)
  // shows the reference moved by m / 2 whole pixels.
  for (int m = 0; m <= 32; ++m) {
    for (int sign : {1, -1}) {
      Stream s(48, 16);
      s.FlatIntraVop(3);
      m4vtest::VopFields v;
      v.type = 1;
      m4vtest::WriteVopHeader(s.w, v);
      s.w.Code("1");
      WriteInterMb(s.w, sign * m, 0, 1);
      s.w.Code("1");
      s.w.Stuff();
      const auto& b = s.Finish();
      Mpeg4Decoder d;
      DecodeAgainstPattern(d, b);
      ASSERT_TRUE(d.lastPictureDecoded()) << m;
      const Model model {48, 16};
      model.Expect(m4vtest::OutputPlanes(d), 1, 0, sign * m / 2, 0, "difference");
    }
  }
}

TEST(InterPictures, EveryMacroblockTypeAndChromaPattern) {
  // MCBPC of P-VOPs by type (0 inter, 1 inter + dquant, 3 intra, 4 intra +
  // dquant) and chroma pattern; each coded chroma block carries one event
  // (last, run 0, level +1), so a misread pattern loses the stream.
  const char* const mcbpc[5][4] = {
      {"1", "0011", "0010", "000101"},
      {"011", "0000111", "0000110", "000000101"},
      {nullptr, nullptr, nullptr, nullptr},
      {"00011", "00000100", "00000011", "0000011"},
      {"000100", "000000100", "000000011", "000000010"},
  };
  for (int type : {0, 1, 3, 4}) {
    for (int cbpc = 0; cbpc < 4; ++cbpc) {
      const bool intra = type >= 3;
      Stream s(16, 16);
      s.FlatIntraVop(1);
      m4vtest::VopFields v;
      v.type = 1;
      m4vtest::WriteVopHeader(s.w, v);
      s.w.Code("0");
      s.w.Code(mcbpc[type][cbpc]);
      if (intra) s.w.Code("0");  // no AC prediction
      s.w.Code(intra ? "0011" : "11");  // no luma block coded
      if (type == 1 || type == 4) s.w.Code("10");  // dquant +1
      if (!intra) s.w.Code("1 1");  // vector (0, 0)
      for (int b = 0; b < 6; ++b) {
        if (intra) s.w.Code(b < 4 ? "011" : "11");  // DC size 0
        if (b >= 4 && (cbpc >> (5 - b)) & 1) s.w.Code(intra ? "0111 0" : "0111 0");
      }
      s.w.Stuff();
      const auto& bytes = s.Finish();
      Mpeg4Decoder d;
      d.OpenStreamBuffer(bytes.data(), bytes.size());
      d.DecodeNextFrame();
      FillOutputWithPattern(d);
      const DecodedFrame f = d.DecodeNextFrame();
      ASSERT_TRUE(f.decoded) << type << " " << cbpc;
      EXPECT_EQ(f.quantiser, type == 1 || type == 4 ? 9 : 8) << type << " " << cbpc;
      // A coded chroma block's single coefficient changes its plane.
      const m4vtest::Planes p = m4vtest::OutputPlanes(d);
      const bool uChanged = intra ? p.u[0] != 128 : p.u[0] != PatternU(0, 0);
      const bool vChanged = intra ? p.v[0] != 128 : p.v[0] != PatternV(0, 0);
      EXPECT_EQ(uChanged, (cbpc & 2) != 0) << type << " " << cbpc;
      EXPECT_EQ(vChanged, (cbpc & 1) != 0) << type << " " << cbpc;
    }
  }
}

TEST(InterPictures, PicturesThatWriteNothingKeepTheReference) {
  // A VOP that is not coded, then a B-VOP: neither is decodable and neither
  // replaces the reference; an all-not-coded P-VOP after them shows it.
  Stream s(32, 16);
  s.FlatIntraVop(2);
  m4vtest::VopFields notCoded;
  notCoded.type = 1;
  notCoded.coded = 0;
  m4vtest::WriteVopHeader(s.w, notCoded);
  s.w.Stuff();
  m4vtest::VopFields bvop;
  bvop.type = 2;
  m4vtest::WriteVopHeader(s.w, bvop);
  s.w.Code("1 1");
  s.w.Stuff();
  m4vtest::VopFields p;
  p.type = 1;
  m4vtest::WriteVopHeader(s.w, p);
  s.w.Code("11");
  s.w.Stuff();
  const auto& b = s.Finish();
  Mpeg4Decoder d;
  EXPECT_EQ(DecodeAgainstPattern(d, b), -1);
  EXPECT_EQ(d.DecodeNextFrame().position, -1);
  d.DecodeNextFrame();
  ASSERT_TRUE(d.lastPictureDecoded());
  const Model m {32, 16};
  const m4vtest::Planes out = m4vtest::OutputPlanes(d);
  m.Expect(out, 0, 0, 0, 0, "after two undecodable pictures");
  m.Expect(out, 1, 0, 0, 0, "after two undecodable pictures");
}

TEST(InterPictures, ToolsTheCameraLacksFailCleanly) {
  struct Case {
    const char* what;
    const char* mb;
  } cases[] = {
      {"four vectors", "0 010 11 1 1 1 1 1 1 1 1"},
      {"intra with AC prediction", "0 00011 1 0011"},
  };
  for (const Case& c : cases) {
    Stream s(32, 16);
    s.FlatIntraVop(2);
    m4vtest::VopFields v;
    v.type = 1;
    m4vtest::WriteVopHeader(s.w, v);
    s.w.Code(c.mb);
    s.w.Code("1");
    s.w.Stuff();
    const auto& b = s.Finish();
    Mpeg4Decoder d;
    EXPECT_EQ(DecodeAgainstPattern(d, b), -1) << c.what;
    EXPECT_EQ(d.macroblocks().macroblockCount, 0) << c.what;
  }
}

}  // namespace
}  // namespace klv
