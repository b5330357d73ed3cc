// The mapped stream reader: opening, windows and their edges, the start-code
// search, side packets and the seek to intra pictures.

#include "media/mpeg4/stream_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <numeric>

#include "m4v_test_util.h"

namespace klv {
namespace {

using m4vtest::BitWriter;
using m4vtest::TempFile;

constexpr uint32_t kMiB = 1u << 20;

std::vector<uint8_t> Headers() {
  BitWriter w;
  m4vtest::WriteHeaders(w, {});
  return w.Take();
}

// A small intra VOP for the 48 x 32 headers above.
std::vector<uint8_t> IntraVop() {
  BitWriter w;
  m4vtest::WriteVopHeader(w, {});
  for (int i = 0; i < 6; ++i) m4vtest::WriteFlatIntraMb(w);
  w.Stuff();
  return w.Take();
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& b) { to.insert(to.end(), b.begin(), b.end()); }

// A user-data unit of `total` bytes that the reader skips (type 0x90).
std::vector<uint8_t> Filler(size_t total) {
  const size_t length = total - 8;
  std::vector<uint8_t> p = {0, 0, 1, 0xB2, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0x90};
  p.resize(total, 0xFF);
  return p;
}

std::vector<uint8_t> AudioPacket(const std::vector<uint8_t>& audio, uint8_t lead) {
  const size_t n = audio.size();
  std::vector<uint8_t> p = {0, 0, 1, 0xB2, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0x01, lead};
  Append(p, audio);
  return p;
}

std::vector<uint8_t> TimePacket(uint32_t count, uint8_t shift) {
  return {0, 0, 1, 0xB2, 0x06, 0x00, 0x82, shift, 0, 0, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
          static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 7 + seed) | 0x40);  // never a prefix
  return v;
}

// Pads `s` with filler packets up to `offset` (at least 9 bytes to fill).
void PadTo(std::vector<uint8_t>& s, size_t offset) {
  while (s.size() < offset) {
    const size_t room = offset - s.size();
    Append(s, Filler(room > 65000 + 16 ? 65000 : room));
  }
  ASSERT_EQ(s.size(), offset);
}

class RecordingSink : public AudioSink {
 public:
  void PutAudioBytes(const uint8_t* data, size_t size) override {
    pieces.emplace_back(data, data + size);
  }
  std::vector<uint8_t> All() const {
    std::vector<uint8_t> all;
    for (const auto& p : pieces) Append(all, p);
    return all;
  }
  std::vector<std::vector<uint8_t>> pieces;
};

// --- opening ---------------------------------------------------------------------

TEST(StreamReaderOpen, FailedOpensReturnZeroAndLeaveNothingOpen) {
  TempFile empty(std::vector<uint8_t> {});
  TempFile junk(std::vector<uint8_t>(4096, 0x55));
  std::vector<uint8_t> wide = [] {
    BitWriter w;
    m4vtest::HeaderFields h;
    h.width = 81 * 16;  // wider than the predictor rows
    m4vtest::WriteHeaders(w, h);
    return w.Take();
  }();
  wide.resize(4096, 0xFF);
  TempFile tooWide(wide);
  struct Case {
    const char* what;
    std::string path;
  } cases[] = {
      {"missing file", empty.dir() + "/nothing.m4v"},
      {"empty file", empty.path()},
      {"a folder (its first window cannot be mapped)", empty.dir()},
      {"no headers", junk.path()},
      {"wider than 80 macroblocks", tooWide.path()},
  };
  for (const Case& c : cases) {
    StreamReader r;
    EXPECT_EQ(r.OpenStream(c.path), 0) << c.what;
    EXPECT_FALSE(r.IsOpen()) << c.what;
    EXPECT_TRUE(r.CloseStream()) << c.what;
  }
}

TEST(StreamReaderOpen, SizeInKibAndHeaderLength) {
  std::vector<uint8_t> s = Headers();
  const size_t headers = s.size();
  Append(s, IntraVop());
  {
    TempFile small(s);
    StreamReader r;
    EXPECT_EQ(r.OpenStream(small.path()), 0);  // below 1 KiB
    EXPECT_TRUE(r.IsOpen());
    EXPECT_EQ(r.HeaderLength(), headers);
    EXPECT_EQ(r.Layer().width, 48);
    EXPECT_EQ(r.Layer().mbHeight, 2);
  }
  PadTo(s, 5 * 1024 + 100);
  TempFile big(s);
  StreamReader r;
  EXPECT_EQ(r.OpenStream(big.path()), 5);
  ASSERT_TRUE(r.SkipBytes(700));
  ASSERT_TRUE(r.RewindStream());
  EXPECT_EQ(r.Position(), headers);
  EXPECT_EQ(r.NextStartCode(), 0x1B6);
  EXPECT_TRUE(r.CloseStream());
  EXPECT_FALSE(r.RewindStream());
}

// --- windows ---------------------------------------------------------------------

TEST(StreamReaderWindows, FileOfExactlyTwoWindows) {
  std::vector<uint8_t> s = Headers();
  PadTo(s, 2 * kMiB - 3);
  Append(s, {0x11, 0x22, 0x33});
  TempFile f(s);
  StreamReader r;
  ASSERT_GT(r.OpenStream(f.path()), 0);
  ASSERT_EQ(r.WindowSize(), kMiB);
  ASSERT_TRUE(r.SkipBytes(2 * kMiB - 3 - r.Position()));
  EXPECT_EQ(r.WindowOffset(), kMiB);
  EXPECT_EQ(r.WindowLength(), kMiB);
  uint32_t v = 0;
  EXPECT_TRUE(r.ReadBits(16, v));
  EXPECT_EQ(v, 0x1122u);
  // The last byte reads normally; stepping off it fails cleanly.
  EXPECT_EQ(*r.Cursor(), 0x33);
  EXPECT_FALSE(r.AdvanceByte());
  EXPECT_FALSE(r.HasView());
  EXPECT_FALSE(r.ReadBits(1, v));
  EXPECT_EQ(r.NextStartCode(), -1);
  EXPECT_TRUE(r.RewindStream());  // usable again
  EXPECT_EQ(r.WindowOffset(), 0u);
}

TEST(StreamReaderWindows, BitsAndBytesAcrossTheEdge) {
  std::vector<uint8_t> s = Headers();
  PadTo(s, kMiB - 2);
  Append(s, {0xAB, 0xCD, 0xEF, 0x01, 0x23});
  PadTo(s, kMiB + 64);
  TempFile f(s);
  StreamReader r;
  ASSERT_GT(r.OpenStream(f.path()), 0);
  ASSERT_TRUE(r.SkipBytes(kMiB - 2 - r.Position()));
  uint32_t v = 0;
  ASSERT_TRUE(r.ReadBits(4, v));
  EXPECT_EQ(v, 0xAu);
  // A peek across the edge restores the first window.
  EXPECT_TRUE(r.PeekBits(24, v));
  EXPECT_EQ(v, 0xBCDEF0u);
  EXPECT_EQ(r.WindowOffset(), 0u);
  EXPECT_EQ(r.Position(), kMiB - 2);
  uint8_t b[3];
  EXPECT_TRUE(r.PeekBytes(b, 3));
  EXPECT_EQ(r.WindowOffset(), 0u);
  EXPECT_EQ(b[2], 0xEF);
  ASSERT_TRUE(r.ReadBits(28, v));
  EXPECT_EQ(v, 0xBCDEF01u);
  EXPECT_EQ(r.WindowOffset(), kMiB);
  // Stepping back over the edge maps the first window again.
  ASSERT_TRUE(r.StepBackByte());
  ASSERT_TRUE(r.StepBackByte());
  ASSERT_TRUE(r.StepBackByte());
  EXPECT_EQ(r.WindowOffset(), 0u);
  EXPECT_EQ(*r.Cursor(), 0xCD);
  uint16_t le = 0;
  EXPECT_TRUE(r.ReadU16LE(le));
  EXPECT_EQ(le, 0xEFCDu);
}

TEST(StreamReaderWindows, SkipBytesLandsInLaterWindows) {
  std::vector<uint8_t> s = Headers();
  PadTo(s, 3 * kMiB + 5000);
  s[kMiB + 777] = 0x5A;
  s[3 * kMiB + 10] = 0xA5;
  // Refill the touched bytes' packets would be broken; the reader does not
  // care: only positions are checked here.
  TempFile f(s);
  StreamReader r;
  ASSERT_GT(r.OpenStream(f.path()), 0);
  const uint64_t start = r.Position();
  ASSERT_TRUE(r.SkipBytes(kMiB + 777 - start));
  EXPECT_EQ(r.WindowOffset(), kMiB);
  EXPECT_EQ(*r.Cursor(), 0x5A);
  ASSERT_TRUE(r.SkipBytes(2 * kMiB - 767));  // more than a whole window
  EXPECT_EQ(r.WindowOffset(), 3 * kMiB);
  EXPECT_EQ(*r.Cursor(), 0xA5);
  EXPECT_FALSE(r.SkipBytes(5000));  // at or past the end
  EXPECT_FALSE(r.HasView());
}

TEST(StreamReaderWindows, AudioPacketAcrossTheEdgeArrivesInTwoPiecesInOrder) {
  const std::vector<uint8_t> audio = Pattern(3000, 3);
  std::vector<uint8_t> s = Headers();
  PadTo(s, kMiB - 1000);
  Append(s, AudioPacket(audio, 0));
  Append(s, IntraVop());
  PadTo(s, kMiB + 8192);
  TempFile f(s);
  StreamReader r;
  RecordingSink sink;
  r.SetAudioSink(&sink);
  ASSERT_GT(r.OpenStream(f.path()), 0);
  ASSERT_TRUE(r.SkipBytes(kMiB - 1000 - r.Position()));
  int audioLength = -1;
  EXPECT_EQ(r.ReadSidePackets(false, true, &audioLength, nullptr), 0x1B6);
  EXPECT_EQ(audioLength, 3000);
  ASSERT_EQ(sink.pieces.size(), 2u);
  EXPECT_EQ(sink.pieces[0].size(), 1000u - 8u);
  EXPECT_EQ(sink.All(), audio);
}

TEST(StreamReaderWindows, LaterWindowThatCannotBeMapped) {
  std::vector<uint8_t> s = Headers();
  PadTo(s, 3 * 4096);
  TempFile f(s);
  StreamReader r;
  r.SetWindowSizeForTesting(4096);
  ASSERT_GT(r.OpenStream(f.path()), 0);
  r.File().FailMapsFrom(8192);
  EXPECT_TRUE(r.SkipBytes(5000 - r.Position()));
  EXPECT_FALSE(r.SkipBytes(4000));
  EXPECT_FALSE(r.LastError().empty());
  EXPECT_FALSE(r.HasView());
  EXPECT_EQ(r.SeekKeyFrame(9, 1, +1), -1);
  EXPECT_EQ(r.SeekKeyFrame(1, 1, +1), 0);  // window 0 still maps; no intra picture
}

// --- bits ----------------------------------------------------------------------------

TEST(StreamReaderBits, StuffingAndTheLastBitOfTheFile) {
  std::vector<uint8_t> s = Headers();
  const size_t h = s.size();
  Append(s, {0x7F, 0x80, 0xC3});
  StreamReader r;
  r.OpenStreamBuffer(s.data(), s.size());
  ASSERT_TRUE(r.IsOpen());
  EXPECT_EQ(r.HeaderLength(), h);
  // Aligned on 0x7F: a whole stuffing byte, and a 0x80 after it, are passed.
  r.AlignToByte();
  EXPECT_EQ(r.Position(), h + 2);
  uint8_t b[2];
  EXPECT_FALSE(r.PeekBytes(b, 1));  // a peek needs one byte more than it copies
  EXPECT_EQ(r.CountLeadingZeroBits(), 0);
  uint32_t v = 0;
  EXPECT_TRUE(r.ReadBits(7, v));
  EXPECT_EQ(v, 0x61u);
  EXPECT_EQ(r.CountLeadingZeroBits(), -1);  // the 1 is the file's last bit
  EXPECT_FALSE(r.ReadBits(1, v));           // reading the last bit steps off the end
  EXPECT_EQ(v, 1u);
  EXPECT_FALSE(r.HasView());
  EXPECT_FALSE(r.PeekBytes(b, 1));
  EXPECT_FALSE(r.StepBackByte());
}

struct StartCodeCase {
  const char* what;
  std::vector<uint8_t> before;  // bytes between the headers and 00 00 01 B6
  int code;
  int skipped;
  int bitOffset;  // bit position of the code inside its byte
};

TEST(StreamReaderStartCodes, SearchTable) {
  const StartCodeCase cases[] = {
      {"directly", {}, 0x1B6, 0, 0},
      {"two extra zero bytes", {0, 0}, 0x1B6, 0, 0},
      {"32 junk bytes", std::vector<uint8_t>(32, 0xFF), 0x1B6, 32, 0},
      {"33 junk bytes", std::vector<uint8_t>(33, 0xFF), -1, 0, 0},
      {"junk then zeros", {0xFF, 0x12, 0, 0}, 0x1B6, 2, 0},
  };
  for (const StartCodeCase& c : cases) {
    std::vector<uint8_t> s = Headers();
    const size_t h = s.size();
    Append(s, c.before);
    Append(s, {0, 0, 1, 0xB6, 0x10, 0x20, 0x30});
    StreamReader r;
    r.OpenStreamBuffer(s.data(), s.size());
    ASSERT_TRUE(r.IsOpen()) << c.what;
    EXPECT_EQ(r.NextStartCode(), c.code) << c.what;
    if (c.code < 0) continue;
    EXPECT_EQ(r.SkippedBytes(), c.skipped) << c.what;
    EXPECT_EQ(r.BitPosition(), (h + c.before.size()) * 8) << c.what;
  }
}

TEST(StreamReaderStartCodes, ZeroRunNotAMultipleOfEightLeavesTheReaderOffAlignment) {
  std::vector<uint8_t> s = Headers();
  // 27 zero bits, then 1 1011 0110 ...: a start code four bits into its byte.
  Append(s, {0x00, 0x00, 0x00, 0x1B, 0x60, 0x55});
  StreamReader r;
  r.OpenStreamBuffer(s.data(), s.size());
  ASSERT_TRUE(r.IsOpen());
  const uint64_t at = r.BitPosition();
  EXPECT_EQ(r.NextStartCode(), 0x1B6);
  EXPECT_EQ(r.BitPosition(), at + 4);
  EXPECT_NE(r.BitMask(), 0x80);
}

// --- side packets -------------------------------------------------------------------

TEST(StreamReaderSidePackets, TimeAudioOtherAndGroupOfVop) {
  const std::vector<uint8_t> a1 = Pattern(100, 1), a2 = Pattern(60, 9);
  std::vector<uint8_t> s = Headers();
  Append(s, TimePacket(1000000, 0));
  Append(s, AudioPacket(a1, 20));
  Append(s, Filler(40));
  Append(s, TimePacket(1000000, 2));
  Append(s, AudioPacket(a2, 70));  // a lead beyond the packet
  Append(s, {0, 0, 1, 0xB3, 0x12, 0x34, 0x5F, 0x00});  // group of VOP, stuffing
  Append(s, IntraVop());

  struct Case {
    bool firstOfStart, feedAudio;
    int audioLength;
    std::vector<uint8_t> audio;
  };
  std::vector<uint8_t> fed;
  Append(fed, std::vector<uint8_t>(a1.begin() + 20, a1.end()));
  const Case cases[] = {
      {true, true, 0, fed},  // a2's lead takes all its bytes
      {false, true, 60, [&] {
         std::vector<uint8_t> all = a1;
         Append(all, a2);
         return all;
       }()},
      {true, false, 0, {}},
      {false, false, 60, {}},
  };
  for (const Case& c : cases) {
    StreamReader r;
    RecordingSink sink;
    r.SetAudioSink(&sink);
    r.OpenStreamBuffer(s.data(), s.size());
    int audioLength = -1;
    uint32_t elapsed = 1;
    EXPECT_EQ(r.ReadSidePackets(c.firstOfStart, c.feedAudio, &audioLength, &elapsed), 0x1B6);
    EXPECT_EQ(audioLength, c.audioLength);
    EXPECT_EQ(elapsed, 48032u);  // ((1e6 * 249) >> 7) / 162 = 12008, shifted by 2
    EXPECT_EQ(sink.All(), c.audio);
  }
  // Nothing in front of a picture: no audio, no time.
  StreamReader r;
  std::vector<uint8_t> plain = Headers();
  Append(plain, IntraVop());
  r.OpenStreamBuffer(plain.data(), plain.size());
  int audioLength = 5;
  uint32_t elapsed = 5;
  EXPECT_EQ(r.ReadSidePackets(true, true, &audioLength, &elapsed), 0x1B6);
  EXPECT_EQ(audioLength, 0);
  EXPECT_EQ(elapsed, 0u);
}

TEST(StreamReaderSidePackets, AudioCutShortByTheEndHandsNothingOn) {
  std::vector<uint8_t> s = Headers();
  std::vector<uint8_t> packet = AudioPacket(Pattern(500, 2), 0);
  packet.resize(300);
  Append(s, packet);
  StreamReader r;
  RecordingSink sink;
  r.SetAudioSink(&sink);
  r.OpenStreamBuffer(s.data(), s.size());
  EXPECT_EQ(r.ReadSidePackets(false, true, nullptr, nullptr), -1);
  EXPECT_TRUE(sink.pieces.empty());
}

// --- seeking -----------------------------------------------------------------------

// Headers, fillers, a P-VOP at 2000, a time packet + intra VOP at 3 KiB, an
// intra VOP without time packet at 6000, fillers to 8 KiB.
std::vector<uint8_t> SeekStream() {
  std::vector<uint8_t> s = Headers();
  PadTo(s, 2000);
  Append(s, {0, 0, 1, 0xB6, 0x50});  // P-VOP: coding type 01
  PadTo(s, 3 * 1024);
  Append(s, TimePacket(5, 0));
  Append(s, IntraVop());
  PadTo(s, 6000);
  Append(s, IntraVop());
  PadTo(s, 8 * 1024);
  return s;
}

TEST(StreamReaderSeek, ForwardAndBackward) {
  const std::vector<uint8_t> s = SeekStream();
  TempFile f(s);
  struct Case {
    int position, unit, direction;
    int result;
    uint64_t landsOn;  // file position after the seek (when result > 0)
  } cases[] = {
      {3, 1, +1, 3, 3 * 1024},      // a time packet exactly at the target: stays on it
      {1, 1, +1, 3, 3 * 1024},      // forward past the P-VOP onto the time packet
      {4, 1, +1, 5, 6000},          // no time packet: the VOP start code itself
      {6, 1, +1, 0, 0},             // nothing ahead
      {7, 1, -1, 5, 6000},
      {5, 1, -1, 3, 3 * 1024},
      {0, 1, -1, 0, 0},             // backward from the start: nothing at offset 0
      {0, 16, +1, 0, 0},            // found at 3 KiB, which is 0 in units of 16 KiB
      {-5, 1, +1, 3, 3 * 1024},     // negative positions count as 0
  };
  for (const Case& c : cases) {
    StreamReader r;
    r.SetWindowSizeForTesting(4096);  // the searches cross window edges
    ASSERT_EQ(r.OpenStream(f.path()), 8);
    EXPECT_EQ(r.SeekKeyFrame(c.position, c.unit, c.direction), c.result)
        << c.position << " " << c.unit << " " << c.direction;
    if (c.result > 0) {
      EXPECT_EQ(r.Position(), c.landsOn);
      EXPECT_EQ(r.BitMask(), 0x80);
    }
  }
  StreamReader r;
  ASSERT_EQ(r.OpenStream(f.path()), 8);
  EXPECT_EQ(r.SeekKeyFrame(1, 0, +1), -1);
}

}  // namespace
}  // namespace klv
