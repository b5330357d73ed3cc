#include <gtest/gtest.h>

#include "sample/turbo.h"
#include "support/jpeg_encoder.h"
#include "support/scene.h"

namespace klv::sample {
namespace {

using test::Psnr;
using test::TurboDecode;
using test::TurboEncode;

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
  std::vector<uint8_t> r;
  for (int x : v) r.push_back(static_cast<uint8_t>(x));
  return r;
}

const JpegSegment* Find(const std::vector<JpegSegment>& s, uint8_t marker, int nth = 0) {
  for (const auto& x : s) {
    if (x.marker == marker && nth-- == 0) return &x;
  }
  return nullptr;
}

RgbImage ScenePicture(int w, int h, int frame = 3) {
  SceneSpec plan;
  plan.objects.push_back({ShapeKind::Car, 0, 9, w * 0.3, h * 0.7, w * 0.8, h * 0.7, w / 4, h / 6, 180, 30, 30});
  return Scene(plan, w, h).Render(frame);
}

// The independent decoder reproduces our pictures: at least 35 dB at quality
// 75 on the scenes, and as good as libjpeg-turbo's own encoding of the same
// picture at any size (small pictures are dominated by the object's edges).
TEST(JpegEncoder, DecodesWithLibjpegTurboAtGoodPsnr) {
  struct Case {
    int w, h, quality;
    double minPsnr;
  } cases[] = {{640, 480, 75, 38.0}, {320, 240, 75, 35.0}, {320, 240, 50, 33.5},
               {100, 75, 90, 32.0},  {33, 17, 75, 28.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " q" << c.quality);
    const RgbImage pic = ScenePicture(c.w, c.h);
    JpegOptions o;
    o.quality = c.quality;
    const auto dec = TurboDecode(EncodeJpeg(pic, o));
    ASSERT_TRUE(dec.has_value());
    EXPECT_EQ(dec->width, c.w);
    EXPECT_EQ(dec->height, c.h);
    const double psnr = Psnr(pic, *dec);
    EXPECT_GE(psnr, c.minPsnr);
    const auto theirs = TurboDecode(TurboEncode(pic, c.quality));
    ASSERT_TRUE(theirs.has_value());
    EXPECT_GE(psnr, Psnr(pic, *theirs) - 0.2);
  }
}

// Without DHT libjpeg-turbo falls back to its own copy of the Annex K tables:
// the same pixels prove our four tables are the standard ones.
TEST(JpegEncoder, HuffmanTablesMatchLibjpegTurbosStandardTables) {
  const RgbImage pic = ScenePicture(160, 96);
  JpegOptions with, without;
  without.dht = TablePacking::Omit;
  const auto a = TurboDecode(EncodeJpeg(pic, with));
  const auto b = TurboDecode(EncodeJpeg(pic, without));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->rgb, b->rgb);
}

// Our quality scaling and K.1/K.2 tables equal libjpeg-turbo's DQT output.
TEST(JpegEncoder, QuantTablesMatchLibjpegTurbo) {
  const RgbImage pic(16, 16, 90, 90, 90);
  for (int q : {1, 10, 50, 75, 95, 100}) {
    SCOPED_TRACE(q);
    const auto theirs = ListJpegSegments(TurboEncode(pic, q));
    JpegOptions o;
    o.quality = q;
    const auto ours = ListJpegSegments(EncodeJpeg(pic, o));
    for (int t = 0; t < 2; ++t) {
      const JpegSegment* a = Find(theirs, 0xDB, t);
      const JpegSegment* b = Find(ours, 0xDB, t);
      ASSERT_TRUE(a && b);
      EXPECT_EQ(a->payload, b->payload) << "table " << t;
    }
  }
}

TEST(JpegEncoder, CustomDcTablesAreUsedForCodingAndWritten) {
  // All twelve DC categories as 4-bit codes: a valid table unlike K.3/K.4.
  HuffmanSpec flat;
  flat.bits[3] = 12;
  for (int i = 0; i < 12; ++i) flat.values.push_back(static_cast<uint8_t>(i));
  const RgbImage pic = ScenePicture(96, 64);
  JpegOptions std, custom;
  custom.dcLuma = flat;
  custom.dcChroma = flat;
  const auto jpeg = EncodeJpeg(pic, custom);
  const auto segs = ListJpegSegments(jpeg);
  const JpegSegment* dht = Find(segs, 0xC4, 0);
  ASSERT_TRUE(dht);
  EXPECT_EQ(dht->payload[0], 0x00);
  EXPECT_EQ(dht->payload[4], 12);
  const auto a = TurboDecode(EncodeJpeg(pic, std));
  const auto b = TurboDecode(jpeg);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->rgb, b->rgb);
}

// The segment options give exactly the segments asked for, in the camera's order.
TEST(JpegEncoder, SegmentOptionsWriteExactlyTheSegmentsAsked) {
  const RgbImage pic(40, 24, 10, 200, 30);
  CameraRecordBytes rec {};
  for (size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<uint8_t>(i + 1);
  struct Case {
    const char* name;
    std::function<void(JpegOptions&)> set;
    std::vector<uint8_t> markers;
  } cases[] = {
      {"plain", [](JpegOptions&) {}, Bytes({0xD8, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA})},
      {"camera",
       [&](JpegOptions& o) {
         o.cameraRecord = rec;
         o.timeStamp = 1;
         o.eventByte = 0x81;
       },
       Bytes({0xD8, 0xE4, 0xFE, 0xE5, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA})},
      {"jfif combined",
       [&](JpegOptions& o) {
         o.jfif = true;
         o.cameraRecord = rec;
         o.dqt = TablePacking::Combined;
         o.dht = TablePacking::Combined;
       },
       Bytes({0xD8, 0xE0, 0xE4, 0xDB, 0xC0, 0xC4, 0xDA})},
      {"no tables",
       [](JpegOptions& o) {
         o.dqt = TablePacking::Omit;
         o.dht = TablePacking::Omit;
         o.eventByte = 0;
       },
       Bytes({0xD8, 0xE5, 0xC0, 0xDA})},
      {"custom dht, extra, sof2",
       [](JpegOptions& o) {
         o.customDht = {Bytes({0x21}), Bytes({0x00})};
         o.extraSegments = {{0xDD, Bytes({0, 4})}};
         o.sofMarker = 0xC2;
       },
       Bytes({0xD8, 0xDB, 0xDB, 0xC2, 0xC4, 0xC4, 0xDD, 0xDA})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JpegOptions o;
    c.set(o);
    const auto jpeg = EncodeJpeg(pic, o);
    EXPECT_EQ(ListJpegMarkers(jpeg), c.markers);
    ASSERT_GE(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
    EXPECT_EQ(jpeg.back(), 0xD9);
  }
}

TEST(JpegEncoder, SegmentPayloadsHoldTheGivenValues) {
  JpegOptions o;
  o.cameraRecord = CameraRecordBytes {};
  for (size_t i = 0; i < 32; ++i) (*o.cameraRecord)[i] = static_cast<uint8_t>(0xC0 + i);
  o.timeStamp = 0x123456789ABCull;
  o.eventByte = 0x80;
  o.dqt = TablePacking::Combined;
  o.dht = TablePacking::Combined;
  const auto segs = ListJpegSegments(EncodeJpeg(RgbImage(16, 16), o));
  EXPECT_EQ(Find(segs, 0xE4)->payload, std::vector<uint8_t>(o.cameraRecord->begin(), o.cameraRecord->end()));
  // "T", low 32 bits little-endian, high 16 bits little-endian.
  EXPECT_EQ(Find(segs, 0xFE)->payload, Bytes({'T', 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(Find(segs, 0xE5)->payload, Bytes({0x80, 0, 0, 0}));
  // Two 8-bit tables, ids 0 and 1; four Huffman tables in DC0, DC1, AC0, AC1 order.
  const auto& dqt = Find(segs, 0xDB)->payload;
  ASSERT_EQ(dqt.size(), 130u);
  EXPECT_EQ(dqt[0], 0x00);
  EXPECT_EQ(dqt[65], 0x01);
  const auto& dht = Find(segs, 0xC4)->payload;
  ASSERT_EQ(dht.size(), 4u * 17 + 12 + 12 + 162 + 162);
  EXPECT_EQ(dht[0], 0x00);
  EXPECT_EQ(dht[17 + 12], 0x01);
  EXPECT_EQ(dht[2 * 17 + 24], 0x10);
  EXPECT_EQ(dht[3 * 17 + 24 + 162], 0x11);

  o.rtcd = RtcBlock {};
  (*o.rtcd)[31] = 0xEE;
  const auto com = Find(ListJpegSegments(EncodeJpeg(RgbImage(16, 16), o)), 0xFE)->payload;
  ASSERT_EQ(com.size(), 43u);
  EXPECT_EQ(std::string(com.begin() + 7, com.begin() + 11), "RTCD");
  EXPECT_EQ(com[42], 0xEE);
}

TEST(JpegEncoder, SegmentEditingHelpers) {
  auto jpeg = EncodeJpeg(RgbImage(16, 16), JpegOptions {});
  ASSERT_TRUE(InsertJpegSegment(jpeg, {0xFE, Bytes({'x'})}, 0xC0));
  EXPECT_EQ(ListJpegMarkers(jpeg), Bytes({0xD8, 0xDB, 0xDB, 0xFE, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA}));
  EXPECT_EQ(RemoveJpegSegments(jpeg, 0xC4), 4);
  EXPECT_EQ(ListJpegMarkers(jpeg), Bytes({0xD8, 0xDB, 0xDB, 0xFE, 0xC0, 0xDA}));
  EXPECT_TRUE(TurboDecode(jpeg).has_value());
}

TEST(JpegEncoder, BitWriterStuffsAndPads) {
  JpegBitWriter w;
  w.PutBits(0xFF, 8);
  w.PutBits(0x1, 2);
  EXPECT_EQ(w.Finish(), Bytes({0xFF, 0x00, 0x7F}));
  EXPECT_EQ(JpegBitWriter::Category(0), 0);
  EXPECT_EQ(JpegBitWriter::Category(-1), 1);
  EXPECT_EQ(JpegBitWriter::Category(1023), 10);
  // -3 in category 2 is sent as 00 (the ones' complement of 3).
  w.PutValue(-3, 2);
  w.PutValue(2, 2);
  EXPECT_EQ(w.Finish(), Bytes({0x2F}));
}

// Hand-made coefficients: a DC-only picture decodes flat, at the level asked.
TEST(JpegEncoder, CoefficientLevelEncoding) {
  JpegCoefficients c = ZeroCoefficients(48, 32);
  EXPECT_EQ(c.mcuCols, 3);
  EXPECT_EQ(c.mcuRows, 2);
  for (auto& b : c.y) b[0] = 5;  // +5 * q / 8 over the mid level
  QuantTable ones;
  ones.fill(8);
  JpegOptions o;
  o.lumaQuant = ones;
  o.chromaQuant = ones;
  const auto dec = TurboDecode(EncodeJpegCoefficients(c, o));
  ASSERT_TRUE(dec);
  for (uint8_t v : dec->rgb) ASSERT_EQ(v, 133);
}

}  // namespace
}  // namespace klv::sample
