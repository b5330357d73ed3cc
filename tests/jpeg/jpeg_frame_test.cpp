// Whole frames: the MCU grid, reconstruction, colour output and failure
// behaviour, with frames built by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "jpeg/jpeg_reference.h"
#include "jpeg/jpeg_test_support.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {
namespace {

using jpegtest::FlatEntropy;
using jpegtest::HandFrame;
using jpegtest::Segment;

struct Decoded {
  JpegDecoder d;
  FramePicture pic;
  JpegDecodeResult result;
  Decoded(int width, int height, const std::vector<uint8_t>& frame, const DecoderFlags* flags = nullptr) {
    d.SetFlags(flags);
    EXPECT_TRUE(d.AllocatePlanes(width, height));
    EXPECT_TRUE(pic.Create(width, height));
    result = d.DecodeFrame(frame.data(), frame.size(), pic, 0);
  }
  const uint8_t* Px(int x, int y) const { return pic.Row(y) + 3 * x; }
};

TEST(JpegFrame, UniformGreyGivesEqualChannels) {
  for (int dc : {-100, -3, 0, 5, 64}) {
    Decoded f(48, 32, HandFrame(48, 32, 4, FlatEntropy(48, 32, dc, 0, 0)));
    ASSERT_TRUE(f.result.Ok());
    const int want = static_cast<int>(std::floor(dc * 4 / 8.0)) + 128;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 48; ++x) {
        ASSERT_EQ(f.Px(x, y)[0], want);
        ASSERT_EQ(f.Px(x, y)[1], want);
        ASSERT_EQ(f.Px(x, y)[2], want);
      }
    EXPECT_EQ(f.d.PlaneY()[0], want);
  }
}

TEST(JpegFrame, LumaAndChromaClampInsteadOfWrapping) {
  struct Case {
    int dc, cb, cr;
    uint8_t b, g, r;
  } cases[] = {
      {2000, 0, 0, 255, 255, 255},        // luma far above 255
      {-2000, 0, 0, 0, 0, 0},             // and far below 0
      // Chroma far out of range: Cb', Cr' clamp to 0/255, and R, B clamp
      // (306 -> 255, -98 -> 0), not wrap.
      {0, 2000, -2000, 255, 175, 0},
      {0, -2000, 2000, 0, 82, 255},
  };
  for (const Case& c : cases) {
    Decoded f(16, 16, HandFrame(16, 16, 8, FlatEntropy(16, 16, c.dc, c.cb, c.cr)));
    ASSERT_TRUE(f.result.Ok());
    const uint8_t* px = f.Px(7, 9);
    EXPECT_EQ(px[0], c.b) << c.dc << " " << c.cb << " " << c.cr;
    EXPECT_EQ(px[1], c.g);
    EXPECT_EQ(px[2], c.r);
  }
  // The chroma planes keep their unclamped values.
  Decoded f(16, 16, HandFrame(16, 16, 8, FlatEntropy(16, 16, 0, 2000, -2000)));
  EXPECT_EQ(f.d.PlaneCb()[0], 2000);
  EXPECT_EQ(f.d.PlaneCr()[63], -2000);
}

TEST(JpegFrame, ColourUsesTheTablesWithTruncation) {
  // Cb and Cr planes of -1 give Cb' = Cr' = 127: R = Y + trunc(-2871/2048) = Y - 1.
  Decoded f(16, 16, HandFrame(16, 16, 8, FlatEntropy(16, 16, 0, -1, -1)));
  ASSERT_TRUE(f.result.Ok());
  EXPECT_EQ(f.d.PlaneCb()[0], -1);
  const uint8_t* px = f.Px(0, 0);
  EXPECT_EQ(px[2], 128 - 1);  // R
  EXPECT_EQ(px[1], 128 + 1);  // G: trunc((705 + 1463) / 2048) = 1
  EXPECT_EQ(px[0], 128 - 1);  // B: trunc(-3629 / 2048) = -1
}

TEST(JpegFrame, ForceBwShowsLumaOnly) {
  DecoderFlags flags;
  flags.bForceBW = true;
  Decoded f(16, 16, HandFrame(16, 16, 8, FlatEntropy(16, 16, 40, 300, -200)), &flags);
  ASSERT_TRUE(f.result.Ok());
  EXPECT_EQ(f.Px(3, 3)[0], 168);
  EXPECT_EQ(f.Px(3, 3)[1], 168);
  EXPECT_EQ(f.Px(3, 3)[2], 168);
}

TEST(JpegFrame, McuGridFollowsThePictureSize) {
  struct Case {
    int w, h, mcus;
  } cases[] = {{640, 480, 40 * 30}, {1280, 720, 80 * 45}, {632, 472, 40 * 30}, {8, 8, 1}};
  for (const Case& c : cases) {
    // Exactly enough blocks decodes; one MCU fewer runs into the EOI.
    const std::vector<uint8_t> full = FlatEntropy(c.w, c.h, 10, 0, 0);
    {
      Decoded f(c.w, c.h, HandFrame(c.w, c.h, 2, full));
      EXPECT_TRUE(f.result.Ok()) << c.w << "x" << c.h;
      EXPECT_EQ(f.d.PlaneWidth16(), (c.w + 15) / 16 * 16);
      EXPECT_EQ(f.d.PlaneHeight16() / 16 * f.d.PlaneWidth16() / 16, c.mcus);
    }
    jpegtest::BlockWriter w;
    for (int i = 0; i < c.mcus - 1; ++i)
      for (int b = 0; b < 6; ++b) w.Block(b >= 4, 0);
    Decoded f(c.w, c.h, HandFrame(c.w, c.h, 2, w.bits.Finish()));
    EXPECT_EQ(f.result.status, JpegStatus::kEntropyError) << c.w << "x" << c.h;
    EXPECT_EQ(f.d.JpegError(), 0xD9);
  }
}

TEST(JpegFrame, NarrowPictureConvertsOnlyItsColumns) {
  // 632 wide: planes of stride 640; a wider picture shows that columns past
  // 632 are never written.
  jpegtest::BlockWriter w;
  for (int i = 0; i < 40 * 2; ++i) {
    // Only the right-hand blocks of the last MCU column (x 632..639) are brighter.
    int diffs[4] = {0, 0, 0, 0};
    if (i % 40 == 39) diffs[1] = 50, diffs[2] = -50, diffs[3] = 50;
    if (i % 40 == 0 && i > 0) diffs[0] = -50;
    for (int b = 0; b < 4; ++b) w.Block(false, diffs[b]);
    w.Block(true, 0);
    w.Block(true, 0);
  }
  const std::vector<uint8_t> frame = HandFrame(632, 32, 8, w.bits.Finish());
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(632, 32));
  EXPECT_EQ(d.PlaneWidth16(), 640);
  FramePicture wide;
  ASSERT_TRUE(wide.Create(640, 32));
  std::fill(wide.Bits(), wide.Bits() + wide.SizeBytes(), 0xEE);
  ASSERT_TRUE(d.DecodeFrame(frame.data(), frame.size(), wide, 0).Ok());
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(wide.Row(y)[631 * 3], 128);
    EXPECT_EQ(wide.Row(y)[632 * 3], 0xEE) << y;  // the block at 632..639 is brighter, not shown
    EXPECT_EQ(d.PlaneY()[y * 640 + 635], 128 + 50);
  }
}

TEST(JpegFrame, FailedDecodeLeavesThePictureUntouched) {
  const std::vector<uint8_t> good = HandFrame(64, 48, 8, FlatEntropy(64, 48, 30, 10, -10));
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(64, 48));
  FramePicture pic;
  ASSERT_TRUE(pic.Create(64, 48));
  ASSERT_TRUE(d.DecodeFrame(good.data(), good.size(), pic, 0).Ok());
  const std::vector<uint8_t> before(pic.Bits(), pic.Bits() + pic.SizeBytes());
  // Truncated: EOI inside the data; then cut without EOI; then no SOS at all.
  const std::vector<uint8_t> other = HandFrame(64, 48, 8, FlatEntropy(64, 48, -60, 0, 0));
  std::vector<uint8_t> eoi(other.begin(), other.begin() + static_cast<long>(other.size() - 8));
  eoi.push_back(0xFF);
  eoi.push_back(0xD9);
  std::vector<uint8_t> cut(other.begin(), other.begin() + static_cast<long>(other.size() - 8));
  std::vector<uint8_t> noSos(other.begin(), other.begin() + 100);
  for (const auto* f : {&eoi, &cut}) {
    const JpegDecodeResult r = d.DecodeFrame(f->data(), f->size(), pic, 1);
    EXPECT_EQ(r.status, JpegStatus::kEntropyError);
    EXPECT_GT(r.bytesRead, 0u);
    EXPECT_EQ(d.JpegError(), 0xD9);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), pic.Bits()));
  }
  EXPECT_EQ(d.DecodeFrame(noSos.data(), noSos.size(), pic, 2).status, JpegStatus::kNoScan);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), pic.Bits()));
}

TEST(JpegFrame, CameraSegmentsBeforeTheTablesDecodeNormally) {
  std::vector<uint8_t> head;
  Segment(head, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  Segment(head, 0xE4, std::vector<uint8_t>(32, 7));
  Segment(head, 0xE5, {0x01});
  Segment(head, 0xFE, {'T', 1, 0, 0, 0, 0, 0});
  const std::vector<uint8_t> frame = HandFrame(32, 32, 8, FlatEntropy(32, 32, 16, 0, 0), head);
  Decoded f(32, 32, frame);
  EXPECT_TRUE(f.result.Ok());
  EXPECT_EQ(f.Px(31, 31)[1], 128 + 16);
  EXPECT_TRUE(f.d.RecordPresent());
  EXPECT_EQ(f.d.TimeStamp().low, 1u);
  // The same frame as progressive is rejected.
  std::vector<uint8_t> sof2 = frame;
  for (size_t i = 0; i + 1 < sof2.size(); ++i)
    if (sof2[i] == 0xFF && sof2[i + 1] == 0xC0) sof2[i + 1] = 0xC2;
  Decoded g(32, 32, sof2);
  EXPECT_EQ(g.result.status, JpegStatus::kNoScan);
}

TEST(JpegFrame, TablesPersistAcrossFrames) {
  // The first frame carries the DQT; the second has none and uses it.
  const std::vector<uint8_t> first = HandFrame(16, 16, 16, FlatEntropy(16, 16, 8, 0, 0));
  std::vector<uint8_t> second = jpegtest::Soi();
  Segment(second, 0xC0, jpegtest::Sof0Payload(16, 16));
  Segment(second, 0xDA, jpegtest::SosPayload());
  const std::vector<uint8_t> e = FlatEntropy(16, 16, 4, 0, 0);
  second.insert(second.end(), e.begin(), e.end());
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(16, 16));
  FramePicture pic;
  ASSERT_TRUE(pic.Create(16, 16));
  // Before any DQT every multiplier is zero: flat mid-grey.
  ASSERT_TRUE(d.DecodeFrame(second.data(), second.size(), pic, 0).Ok());
  EXPECT_EQ(pic.Row(0)[0], 128);
  ASSERT_TRUE(d.DecodeFrame(first.data(), first.size(), pic, 1).Ok());
  EXPECT_EQ(pic.Row(0)[0], 128 + 16);
  ASSERT_TRUE(d.DecodeFrame(second.data(), second.size(), pic, 2).Ok());
  EXPECT_EQ(pic.Row(0)[0], 128 + 8);
}

TEST(JpegFrame, AcDhtChangesNothing) {
  // A DHT replacing the luma AC table with nonsense: decoding still uses the
  // standard AC codes.
  std::vector<uint8_t> head;
  std::vector<uint8_t> p(17, 0);
  p[0] = 0x10;
  p[2] = 2;
  p.push_back(0x00);
  p.push_back(0x11);
  Segment(head, 0xC4, p);
  jpegtest::BlockWriter w;
  w.Block(false, 10, {{1, 20}, {5, -7}});
  for (int b = 0; b < 3; ++b) w.Block(false, 0, {{2, 3}});
  w.Block(true, 4, {{1, 2}});
  w.Block(true, -4);
  const std::vector<uint8_t> entropy = w.bits.Finish();
  Decoded with(16, 16, HandFrame(16, 16, 8, entropy, head));
  Decoded without(16, 16, HandFrame(16, 16, 8, entropy));
  ASSERT_TRUE(with.result.Ok());
  ASSERT_TRUE(without.result.Ok());
  EXPECT_TRUE(std::equal(with.pic.Bits(), with.pic.Bits() + with.pic.SizeBytes(), without.pic.Bits()));
  EXPECT_EQ(with.d.Huff(1, 0).BITS[2], 2);
}

TEST(JpegFrame, PlaneAllocationLimits) {
  JpegDecoder d;
  EXPECT_FALSE(d.AllocatePlanes(0, 10));
  EXPECT_FALSE(d.AllocatePlanes(8193, 10));
  EXPECT_FALSE(d.AllocatePlanes(10, -1));
  EXPECT_TRUE(d.AllocatePlanes(1, 1));
  EXPECT_EQ(d.PlaneWidth16(), 16);
  EXPECT_EQ(d.PlaneHeight16(), 16);
  EXPECT_EQ(d.PlaneY()[255], 0);
  // No planes: a frame cannot be decoded.
  d.ReleasePlanes();
  const std::vector<uint8_t> frame = HandFrame(16, 16, 8, FlatEntropy(16, 16, 8, 0, 0));
  FramePicture pic;
  ASSERT_TRUE(pic.Create(16, 16));
  EXPECT_EQ(d.DecodeFrame(frame.data(), frame.size(), pic, 0).status, JpegStatus::kNoPlanes);
}

}  // namespace
}  // namespace klv
