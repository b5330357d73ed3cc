// The bit reader, DC/AC decoding, the IDCT and the header walk, each rule on
// its own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jpeg/jpeg_reference.h"
#include "jpeg/jpeg_test_support.h"
#include "media/jpeg/jpeg_decoder.h"
#include "platform/diagnostics.h"

namespace klv {
namespace {

using jpegtest::BlockWriter;
using jpegtest::Segment;

TEST(JpegBits, StuffedFfReadsAsOneByte) {
  JpegDecoder d;
  const uint8_t data[] = {0xFF, 0x00, 0x12, 0x34};
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.Peek16(), 0xFF12u);
  EXPECT_EQ(d.GetBits(8), 0xFFu);
  EXPECT_EQ(d.BytesRead(), 1u);
  EXPECT_EQ(d.GetBits(4), 0x1u);
  EXPECT_EQ(d.BytesRead(), 2u);
  EXPECT_EQ(d.GetBits(12), 0x234u);
  EXPECT_EQ(d.JpegError(), 0);
}

TEST(JpegBits, MarkerStopsWhenItsFirstBitIsNeeded) {
  JpegDecoder d;
  const uint8_t data[] = {0xA5, 0xFF, 0xD9, 0x00};
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.Peek16(), 0xA5FFu);  // the look-ahead does not see markers
  EXPECT_EQ(d.GetBits(8), 0xA5u);
  EXPECT_EQ(d.JpegError(), 0);
  EXPECT_EQ(d.Get1Bit(), 1);  // from the marker's 0xFF
  EXPECT_EQ(d.JpegError(), 0xD9);
  EXPECT_EQ(d.BytesRead(), 2u);
  // The code byte is read as data next.
  EXPECT_EQ(d.GetBits(7), 0x7Fu);
  EXPECT_EQ(d.GetBits(8), 0xD9u);
}

TEST(JpegBits, GetBitsOnAMarkerReturnsZeroAndKeepsTheByte) {
  JpegDecoder d;
  const uint8_t data[] = {0xF0, 0xFF, 0xD0};
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.GetBits(4), 0xFu);
  EXPECT_EQ(d.GetBits(8), 0u);
  EXPECT_EQ(d.JpegError(), 0xD0);
  EXPECT_EQ(d.BytesRead(), 2u);
  EXPECT_EQ(d.GetBits(8), 0xFFu);
  EXPECT_EQ(d.BytesRead(), 2u);
}

TEST(JpegBits, EndOfDataActsAsEoi) {
  JpegDecoder d;
  const uint8_t data[] = {0x12, 0xFF};  // a lone 0xFF at the end is a marker too
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.GetBits(8), 0x12u);
  EXPECT_EQ(d.GetBits(3), 0u);
  EXPECT_EQ(d.JpegError(), 0xD9);
  d.StartBits(data, 1);
  EXPECT_EQ(d.GetBits(8), 0x12u);
  EXPECT_EQ(d.JpegError(), 0);
  EXPECT_EQ(d.Peek16(), 0xFFFFu);
  EXPECT_EQ(d.Get1Bit(), 1);
  EXPECT_EQ(d.JpegError(), 0xD9);
  d.StartBits(nullptr, 0);
  EXPECT_EQ(d.DecodeDcDiff(0), 0);
  EXPECT_EQ(d.JpegError(), 0xD9);
}

TEST(JpegBits, ExtendFollowsFigureF12) {
  struct Case {
    int v, s, want;
  } cases[] = {{0, 0, 0}, {0, 1, -1}, {1, 1, 1}, {0, 3, -7}, {3, 3, -4}, {4, 3, 4}, {7, 3, 7},
               {0, 11, -2047}, {1024, 11, 1024}, {5, 12, 5}, {0, 15, 0}};
  for (const Case& c : cases) EXPECT_EQ(JpegDecoder::Extend(c.v, c.s), c.want) << c.v << "," << c.s;
}

// Decodes one block written by the BlockWriter.
struct OneBlock {
  JpegDecoder d;
  std::vector<uint8_t> bytes;
  int32_t block[64];
  int dc = 0, last = 0;
  OneBlock(bool chroma, BlockWriter& w) {
    bytes = w.bits.Finish();
    d.StartBits(bytes.data(), bytes.size());
    dc = d.DecodeDcDiff(chroma ? 1 : 0);
    for (int& v : *reinterpret_cast<int(*)[64]>(block)) v = 77;
    last = d.DecodeAc(block, chroma);
  }
};

TEST(JpegAc, EobFirstGivesOne) {
  for (bool chroma : {false, true}) {
    BlockWriter w;
    w.Block(chroma, -5);
    OneBlock b(chroma, w);
    EXPECT_EQ(b.dc, -5);
    EXPECT_EQ(b.last, 1);
    for (int k = 1; k < 64; ++k) EXPECT_EQ(b.block[k], 0);
    EXPECT_EQ(b.d.JpegError(), 0);
  }
}

TEST(JpegAc, CoefficientsAndRuns) {
  BlockWriter w;
  w.Block(false, 100, {{1, 3}, {2, -1}, {20, 500}, {63, -1023}});
  OneBlock b(false, w);
  EXPECT_EQ(b.dc, 100);
  EXPECT_EQ(b.last, 63);
  EXPECT_EQ(b.block[1], 3);
  EXPECT_EQ(b.block[2], -1);
  EXPECT_EQ(b.block[20], 500);
  EXPECT_EQ(b.block[63], -1023);
  EXPECT_EQ(b.block[19], 0);
  EXPECT_EQ(b.d.JpegError(), 0);
}

TEST(JpegAc, FourZrlsEndTheBlockQuietly) {
  for (bool chroma : {false, true}) {
    BlockWriter w;
    w.PutValue(JpegDecoder().Huff(0, chroma ? 1 : 0), 0, 0);
    for (int i = 0; i < 4; ++i) w.PutSymbol(JpegDecoder().Huff(1, chroma ? 1 : 0), 0xF0);
    w.PutValue(JpegDecoder().Huff(0, chroma ? 1 : 0), 0, 9);  // next block's DC
    OneBlock b(chroma, w);
    EXPECT_EQ(b.last, 1);
    EXPECT_EQ(b.d.JpegError(), 0);
    EXPECT_EQ(b.d.DecodeDcDiff(chroma ? 1 : 0), 9);  // nothing after the fourth ZRL was eaten
  }
}

TEST(JpegAc, RunPast63IsAnError) {
  BlockWriter w;
  const JpegDecoder fresh;
  w.PutValue(fresh.Huff(0, 0), 0, 0);
  for (int i = 0; i < 3; ++i) w.PutSymbol(fresh.Huff(1, 0), 0xF0);  // k = 49
  w.PutValue(fresh.Huff(1, 0), 15, 1);                                // k = 64
  OneBlock b(false, w);
  EXPECT_EQ(b.last, 0);
  EXPECT_EQ(b.d.JpegError(), 255);
}

TEST(JpegAc, PatternWithoutCodeEndsTheBlockWithoutConsuming) {
  JpegDecoder d;
  const uint8_t data[] = {0x3F, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};  // DC 00 (size 0), then all ones
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.DecodeDcDiff(0), 0);
  int32_t block[64] = {};
  EXPECT_EQ(d.DecodeAc(block, false), 1);
  EXPECT_EQ(d.JpegError(), 0);
  EXPECT_EQ(d.BytesRead(), 1u);  // only the two DC bits were used
  EXPECT_EQ(d.GetBits(6), 0x3Fu);
  JpegDecoder s;
  s.StartBits(data, sizeof data);
  s.DecodeDcDiff(0);
  s.SkipAc(false);
  EXPECT_EQ(s.BytesRead(), 1u);
  EXPECT_EQ(s.GetBits(6), 0x3Fu);
}

TEST(JpegDc, CodesLongerThan16BitsAreAnError) {
  JpegDecoder d;
  // All-ones never matches the standard luma DC table.
  const uint8_t data[] = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
  d.StartBits(data, sizeof data);
  EXPECT_EQ(d.DecodeDcDiff(0), 0);
  EXPECT_EQ(d.JpegError(), 255);
  EXPECT_EQ(d.BytesRead(), 2u);
}

// --- IDCT ----------------------------------------------------------------------

TEST(JpegIdct, DcOnlyBlockGivesFloorOfDqOver8) {
  for (int q : {1, 2, 7, 16, 255})
    for (int dc : {-2047, -100, -9, -1, 0, 1, 5, 13, 1023}) {
      int32_t block[64] = {}, out[64];
      block[0] = dc * q * kJpegPrescale[0];
      JpegDecoder::Idct(block, out);
      const int want = static_cast<int>(std::floor(dc * q / 8.0));
      for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], want) << dc << " q " << q;
    }
}

TEST(JpegIdct, MatchesTheShiftChainsOnRandomBlocks) {
  uint32_t rng = 1;
  auto next = [&rng]() { return rng = rng * 1103515245u + 12345u; };
  for (int n = 0; n < 2000; ++n) {
    int32_t block[64] = {}, out[64], want[64];
    const int count = 1 + next() % 64;
    for (int i = 0; i < count; ++i) {
      const int k = static_cast<int>(next() % 64);
      // Mostly camera-sized values, sometimes huge ones that wrap.
      block[k] = n % 10 == 0 ? static_cast<int32_t>(next())
                             : (static_cast<int32_t>(next() % 4001) - 2000) * kJpegPrescale[k];
    }
    JpegDecoder::Idct(block, out);
    ref::Idct(block, want);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], want[i]) << n;
  }
}

// --- header walk ---------------------------------------------------------------

std::vector<uint8_t> Dht(int tcth, const std::vector<uint8_t>& counts, const std::vector<uint8_t>& symbols) {
  std::vector<uint8_t> p{static_cast<uint8_t>(tcth)};
  p.insert(p.end(), counts.begin(), counts.end());
  p.insert(p.end(), symbols.begin(), symbols.end());
  return p;
}

TEST(JpegHeaders, DhtLoadsOneTablePerSegment) {
  // A segment with four tables: only the first (DC 1) is loaded.
  std::vector<uint8_t> counts(16, 0);
  counts[1] = 2;  // two 2-bit codes
  std::vector<uint8_t> p = Dht(0x01, counts, {4, 5});
  for (int t : {0x00, 0x10, 0x11}) {
    const std::vector<uint8_t> more = Dht(t, counts, {6, 7});
    p.insert(p.end(), more.begin(), more.end());
  }
  std::vector<uint8_t> f = jpegtest::Soi();
  Segment(f, 0xC4, p);
  JpegDecoder d;
  const JpegDecoder fresh;
  EXPECT_EQ(d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(d.Huff(0, 1).BITS[2], 2);
  EXPECT_EQ(d.Huff(0, 1).HUFFVAL[0], 4);
  EXPECT_EQ(d.Huff(0, 1).MAXCODE[2], 1);
  EXPECT_EQ(d.Huff(0, 1).MAXCODE[1], -1);
  EXPECT_TRUE(d.Huff(0, 0) == fresh.Huff(0, 0));
  EXPECT_TRUE(d.Huff(1, 0) == fresh.Huff(1, 0));
  EXPECT_TRUE(d.Huff(1, 1) == fresh.Huff(1, 1));
}

TEST(JpegHeaders, BadDhtSegmentsAreIgnored) {
  std::vector<uint8_t> big(16, 0);
  big[15] = 255;
  big[14] = 2;  // 257 symbols
  const std::vector<std::vector<uint8_t>> bad = {
      Dht(0x20, std::vector<uint8_t>(16, 0), {}),                           // class 2
      Dht(0x02, std::vector<uint8_t>(16, 0), {}),                           // id 2
      Dht(0x00, big, std::vector<uint8_t>(257, 1)),                         // too many symbols
      Dht(0x00, std::vector<uint8_t>{0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1}),  // short
  };
  for (const auto& p : bad) {
    std::vector<uint8_t> f = jpegtest::Soi();
    Segment(f, 0xC4, p);
    JpegDecoder d;
    const JpegDecoder fresh;
    d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
    for (int c = 0; c < 2; ++c)
      for (int id = 0; id < 2; ++id) EXPECT_TRUE(d.Huff(c, id) == fresh.Huff(c, id)) << c << id;
  }
}

TEST(JpegHeaders, DhtOfExactly256SymbolsIsLoaded) {
  std::vector<uint8_t> counts(16, 0);
  counts[14] = 1;
  counts[15] = 255;  // 256 symbols: the most a table holds
  std::vector<uint8_t> symbols(256);
  for (int i = 0; i < 256; ++i) symbols[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i);
  std::vector<uint8_t> f = jpegtest::Soi();
  Segment(f, 0xC4, Dht(0x11, counts, symbols));
  JpegDecoder d;
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(d.Huff(1, 1).BITS[15], 1);
  EXPECT_EQ(d.Huff(1, 1).BITS[16], 255);
  EXPECT_EQ(d.Huff(1, 1).HUFFVAL[0], 255);
  EXPECT_EQ(d.Huff(1, 1).HUFFVAL[255], 0);
}

TEST(JpegHeaders, DqtOneTablePerSegmentIdsAboveTwoSkipped) {
  std::vector<uint8_t> two = jpegtest::DqtPayload(1, 3);
  const std::vector<uint8_t> second = jpegtest::DqtPayload(0, 9);
  two.insert(two.end(), second.begin(), second.end());
  std::vector<uint8_t> f = jpegtest::Soi();
  Segment(f, 0xDB, two);
  Segment(f, 0xDB, jpegtest::DqtPayload(3, 5));
  std::vector<uint8_t> sixteen(129);
  sixteen[0] = 0x12;  // 16-bit entries, table 2
  for (int k = 0; k < 64; ++k) sixteen[1 + 2 * k] = 1, sixteen[2 + 2 * k] = static_cast<uint8_t>(k);
  Segment(f, 0xDB, sixteen);
  JpegDecoder d;
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(d.Quant().dcQuant[1], 3);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(d.Quant().multiplier[1][k], 3 * kJpegPrescale[k]);
  EXPECT_EQ(d.Quant().dcQuant[0], 0);
  EXPECT_EQ(d.Quant().multiplier[0][5], 0);
  EXPECT_EQ(d.Quant().dcQuant[2], 256);
  EXPECT_EQ(d.Quant().multiplier[2][63], (256 + 63) * kJpegPrescale[63]);
}

TEST(JpegHeaders, WalkResults) {
  const std::vector<uint8_t> sos = jpegtest::SosPayload();
  struct Case {
    const char* name;
    std::vector<uint8_t> frame;
    int want;
  };
  auto frame = [](std::initializer_list<std::pair<int, std::vector<uint8_t>>> segs) {
    std::vector<uint8_t> f = jpegtest::Soi();
    for (const auto& [m, p] : segs) Segment(f, m, p);
    f.push_back(0x12);
    return f;
  };
  std::vector<Case> cases = {
      {"no SOI", {0xFF, 0xD9, 0xFF, 0xDA}, -1},
      {"empty", {}, -1},
      {"SOI only", {0xFF, 0xD8}, 0},
      {"SOS", frame({{0xDA, sos}}), 2 + 2 + 12},
      {"app0 app4 app5 com dri before SOS",
       frame({{0xE0, {'J', 'F', 'I', 'F', 0}}, {0xE4, std::vector<uint8_t>(32, 1)}, {0xE5, {0x81}},
              {0xFE, {'h', 'i'}}, {0xDD, {0, 0}}, {0xDA, sos}}),
       2 + 9 + 36 + 5 + 6 + 6 + 14},
      {"SOF2 rejected", frame({{0xC2, jpegtest::Sof0Payload(16, 16)}, {0xDA, sos}}), 0},
      {"DAC rejected", frame({{0xCC, {0, 0}}, {0xDA, sos}}), 0},
      {"second SOI rejected", frame({{0xD8, {}}, {0xDA, sos}}), 0},
      {"SOF0 with five components", frame({{0xC0, {8, 0, 16, 0, 16, 5}}, {0xDA, sos}}), 0},
  };
  // A byte other than 0xFF where a marker is due.
  std::vector<uint8_t> junk = jpegtest::Soi();
  junk.push_back(0x00);
  cases.push_back({"junk", junk, 0});
  // Segments past byte 4096 are not looked for.
  std::vector<uint8_t> far = jpegtest::Soi();
  Segment(far, 0xE0, std::vector<uint8_t>(4094, 0));  // ends at 4100
  Segment(far, 0xDA, sos);
  cases.push_back({"SOS beyond 4096", far, 0});
  std::vector<uint8_t> near = jpegtest::Soi();
  Segment(near, 0xE0, std::vector<uint8_t>(4088, 0));  // ends at 4094
  Segment(near, 0xDA, sos);
  near.push_back(0);
  cases.push_back({"SOS starting at 4094", near, 4094 + 14});
  for (const Case& c : cases) {
    JpegDecoder d;
    JpegFrameInfo fi;
    JpegScanInfo si;
    EXPECT_EQ(d.ParseHeaders(c.frame.data(), c.frame.size(), &fi, &si, nullptr, nullptr), c.want) << c.name;
  }
}

TEST(JpegHeaders, SegmentsRunningPastTheFrameEndTheWalk) {
  std::vector<uint8_t> f = jpegtest::Soi();
  Segment(f, 0xDA, jpegtest::SosPayload());
  JpegDecoder d;
  EXPECT_EQ(d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr), 16);
  for (size_t cut = 0; cut < f.size(); ++cut) {
    std::vector<uint8_t> part(f.begin(), f.begin() + static_cast<long>(cut));  // exact-size copy for ASan
    EXPECT_LE(d.ParseHeaders(part.data(), part.size(), nullptr, nullptr, nullptr, nullptr), 0) << cut;
  }
  // A DQT whose table lies beyond the frame is not loaded.
  std::vector<uint8_t> q = jpegtest::Soi();
  Segment(q, 0xDB, jpegtest::DqtPayload(0, 7));
  q.pop_back();
  d.ParseHeaders(q.data(), q.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(d.Quant().dcQuant[0], 0);
}

TEST(JpegHeaders, FrameAndScanInfo) {
  std::vector<uint8_t> f = jpegtest::Soi();
  Segment(f, 0xC0, jpegtest::Sof0Payload(632, 472));
  Segment(f, 0xDA, jpegtest::SosPayload());
  JpegDecoder d;
  JpegFrameInfo fi;
  JpegScanInfo si;
  ASSERT_GT(d.ParseHeaders(f.data(), f.size(), &fi, &si, nullptr, nullptr), 0);
  EXPECT_EQ(fi.precision, 8);
  EXPECT_EQ(fi.width, 632);
  EXPECT_EQ(fi.height, 472);
  EXPECT_EQ(fi.components, 3);
  EXPECT_EQ(fi.comp[0].h, 2);
  EXPECT_EQ(fi.comp[0].v, 2);
  EXPECT_EQ(fi.comp[1].tq, 1);
  EXPECT_EQ(si.length, 12);
  EXPECT_EQ(si.components, 3);
  EXPECT_EQ(si.comp[1].td, 1);
  EXPECT_EQ(si.comp[2].ta, 1);
  EXPECT_EQ(si.se, 63);
}

class FakeSink : public DiagnosticsSink {
 public:
  bool visible = true;
  std::vector<std::string> lines;
  bool Visible() const override { return visible; }
  void AddLine(std::string_view line) override { lines.emplace_back(line); }
};

std::vector<uint8_t> CameraHead(bool rtcd) {
  std::vector<uint8_t> f = jpegtest::Soi();
  std::vector<uint8_t> rec(32);
  for (int i = 0; i < 32; ++i) rec[i] = static_cast<uint8_t>(i * 3);
  Segment(f, 0xE4, rec);
  Segment(f, 0xE5, {0x81, 0x00});
  std::vector<uint8_t> com = {'T', 0x78, 0x56, 0x34, 0x12, 0xCD, 0xAB};
  if (rtcd) {
    com.insert(com.end(), {'R', 'T', 'C', 'D'});
    for (int i = 0; i < 32; ++i) com.push_back(static_cast<uint8_t>(0xA0 + i * 7));
  }
  Segment(f, 0xFE, com);
  Segment(f, 0xDA, jpegtest::SosPayload());
  return f;
}

TEST(JpegCamera, RecordTimeStampAndEventByte) {
  const std::vector<uint8_t> f = CameraHead(false);
  JpegDecoder d;
  FrameTimeStamp ts;
  const uint8_t* event = nullptr;
  ASSERT_GT(d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, &ts, &event), 0);
  EXPECT_TRUE(d.RecordPresent());
  EXPECT_EQ(d.Record().Expo(), 6 | (9 << 8));
  EXPECT_EQ(d.Record().PhysExp(), 78 | (81 << 8));
  EXPECT_EQ(ts.low, 0x12345678u);
  EXPECT_EQ(ts.high, 0xABCD);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event[0], 0x81);
  // The next walk clears what the frame does not carry.
  std::vector<uint8_t> plain = jpegtest::Soi();
  Segment(plain, 0xDA, jpegtest::SosPayload());
  d.ParseHeaders(plain.data(), plain.size(), nullptr, nullptr, &ts, &event);
  EXPECT_FALSE(d.RecordPresent());
  EXPECT_FALSE(ts.NonZero());
  EXPECT_EQ(event, nullptr);
}

TEST(JpegCamera, RtcDumpLines) {
  const std::vector<uint8_t> f = CameraHead(true);
  FakeSink sink;
  DecoderFlags flags;
  JpegDecoder d;
  d.SetFlags(&flags);
  d.SetDiagnostics(&sink);
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(sink.lines.empty());  // flag off
  flags.bDumpRTCData = true;
  sink.visible = false;
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(sink.lines.empty());  // window hidden
  sink.visible = true;
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], "A0 A7 AE B5 BC C3 CA D1 D8 DF E6 ED F4 FB 02 09 ");
  EXPECT_EQ(sink.lines[1], "10 17 1E 25 2C 33 3A 41 48 4F 56 5D 64 6B 72 79 ");
  // Without "RTCD" nothing is dumped.
  sink.lines.clear();
  const std::vector<uint8_t> g = CameraHead(false);
  d.ParseHeaders(g.data(), g.size(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(sink.lines.empty());
}

TEST(JpegCamera, FrameInterval) {
  JpegDecoder d;
  struct Step {
    int index;
    uint32_t low;
    int want;
  } steps[] = {{0, 100, -1},  {1, 150, 500},   {2, 160, 100}, {5, 900, -1},
               {6, 1000, 1000}, {4, 10, -1}, {5, 5, -50}};
  for (const Step& s : steps) {
    d.UpdateFrameInterval(s.index, FrameTimeStamp{s.low, 0});
    EXPECT_EQ(d.FrameIntervalMs(), s.want) << s.index;
  }
}

}  // namespace
}  // namespace klv
