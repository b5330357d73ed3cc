#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "sample/turbo.h"
#include "support/movie_builder.h"

namespace klv::sample {
namespace {

std::vector<uint8_t> FrameBytes(const CameraMovie& m, int i) {
  const size_t at = m.layout.frameChunk[static_cast<size_t>(i)] + 8;
  return std::vector<uint8_t>(m.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              m.bytes.begin() + static_cast<std::ptrdiff_t>(at + m.layout.frameSize[static_cast<size_t>(i)]));
}

const JpegSegment* Find(const std::vector<JpegSegment>& s, uint8_t marker) {
  for (const auto& x : s) {
    if (x.marker == marker) return &x;
  }
  return nullptr;
}

uint64_t StampOf(const JpegSegment& com) {
  uint64_t v = 0;
  for (int i = 6; i >= 1; --i) v = v << 8 | com.payload[static_cast<size_t>(i)];
  return v;
}

// The camera's reduced picture of a frame: one luma value per 8x8 block from
// the quantised DC coefficient, clamp(q * dc / 8 + 128).
std::vector<int> ReducedLuma(const MovieSpec& plan, int frame) {
  const QuantTable lq = LumaQuantFor(plan.jpeg);
  const auto c = ComputeCoefficients(MoviePicture(plan, frame), lq, ChromaQuantFor(plan.jpeg));
  const int w8 = (plan.width + 7) / 8, h8 = (plan.height + 7) / 8;
  std::vector<int> r;
  for (int by = 0; by < h8; ++by) {
    for (int bx = 0; bx < w8; ++bx) r.push_back(std::clamp(lq[0] * c.Y(bx, by)[0] / 8 + 128, 0, 255));
  }
  return r;
}

int MaxDiff(const std::vector<int>& a, const std::vector<int>& b) {
  int m = 0;
  for (size_t i = 0; i < a.size(); ++i) m = std::max(m, std::abs(a[i] - b[i]));
  return m;
}

TEST(CameraTime, StampsCountTenMillisecondsSince2004) {
  EXPECT_EQ(TimeStampFromDate(2004, 1, 1, 0, 0, 1), 100u);
  EXPECT_EQ(TimeStampFromDate(2004, 1, 2), 8640000u);
  EXPECT_EQ(TimeStampFromDate(2003, 12, 31), 0u);
  // 2004 and 2008 are leap years: 366 + 365 * 3 + 31 + 28 days to 2008-02-29.
  EXPECT_EQ(TimeStampFromDate(2008, 2, 29, 12, 30, 15, 42),
            (366 + 365 * 3 + 59) * 8640000ull + 12 * 360000ull + 30 * 6000 + 1500 + 42);
  CalendarTime t;
  ASSERT_TRUE(DateFromTimeStamp(TimeStampFromDate(2010, 12, 31, 23, 59, 58, 7), &t));
  EXPECT_EQ(t.year, 2010);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 58);
  EXPECT_EQ(t.centisecond, 7);
}

TEST(MovieBuilder, FramesCarryStampsRecordsAndEventBytes) {
  MovieSpec plan;
  plan.width = 48;
  plan.height = 32;
  plan.frames = 6;
  plan.scale = 5;
  plan.rate = 75;
  plan.timeStampStart = TimeStampFromDate(2009, 12, 31, 23, 59, 50);
  plan.eventMode = true;
  plan.eventFrames = {0, 3};
  plan.rtcd = true;
  const CameraMovie m = BuildCameraMovie(plan);
  EXPECT_EQ(GetLe32(m.bytes, kAviTotalFramesAt), 6u);
  EXPECT_EQ(GetLe32(m.bytes, kAviRateAt), 75u);
  EXPECT_EQ(GetLe32(m.bytes, kAviWidthAt), 48u);
  EXPECT_EQ(GetLe32(m.bytes, kAviHeightAt), 32u);
  const uint8_t events[] = {0x81, 0, 0, 0x80, 0, 0};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const auto jpeg = FrameBytes(m, i);
    EXPECT_EQ(jpeg, BuildCameraFrame(plan, i));
    const auto segs = ListJpegSegments(jpeg);
    ASSERT_TRUE(Find(segs, 0xFE) && Find(segs, 0xE5) && Find(segs, 0xE4));
    EXPECT_EQ(StampOf(*Find(segs, 0xFE)), plan.timeStampStart + 500u * i);
    EXPECT_EQ(m.timeStamps[static_cast<size_t>(i)], plan.timeStampStart + 500u * i);
    EXPECT_EQ(Find(segs, 0xFE)->payload.size(), 43u);
    EXPECT_EQ(Find(segs, 0xE5)->payload[0], events[i]);
    const auto& rec = Find(segs, 0xE4)->payload;
    ASSERT_EQ(rec.size(), 32u);
    EXPECT_EQ(rec[kRecordTarget] | rec[kRecordTarget + 1] << 8, 128);
    EXPECT_TRUE(test::TurboDecode(jpeg).has_value());
  }
}

TEST(MovieBuilder, SwitchesAndHooks) {
  MovieSpec plan;
  plan.width = 32;
  plan.height = 32;
  plan.frames = 3;
  plan.timeStamps = false;
  plan.cameraRecords = false;
  plan.pictures = {RgbImage(32, 32, 255, 0, 0), RgbImage(32, 32, 0, 0, 255)};
  plan.tweakOptions = [](int f, JpegOptions& o) {
    if (f == 1) o.jfif = true;
  };
  plan.tweakFrame = [](int f, std::vector<uint8_t>& j) {
    if (f == 2) j.resize(j.size() - 2);  // no EOI
  };
  const CameraMovie m = BuildCameraMovie(plan);
  EXPECT_EQ(ListJpegMarkers(FrameBytes(m, 0)).at(1), 0xDB);
  EXPECT_EQ(ListJpegMarkers(FrameBytes(m, 1)).at(1), 0xE0);
  EXPECT_EQ(m.layout.frameSize[2] + 2, m.layout.frameSize[0]);
  const auto blue = test::TurboDecode(FrameBytes(m, 1));
  ASSERT_TRUE(blue);
  EXPECT_LT(blue->rgb[0], 5);
  EXPECT_GT(blue->rgb[2], 250);
}

// The scene's promises to the motion search, checked on the DC values the
// files really carry: quiet frames stay within a few levels, an object's
// frames exceed the threshold.
TEST(Scene, MotionAnswersHoldOnEncodedDcValues) {
  MovieSpec plan;
  plan.width = 160;
  plan.height = 128;
  plan.frames = 24;
  plan.scene.seed = 7;
  plan.scene.objects = {{ShapeKind::Animal, 6, 10, -10, 80, 170, 80, 60, 40, 30, 25, 20},
                        {ShapeKind::Box, 16, 17, 120, 40, 120, 40, 32, 32, 250, 250, 250}};
  const std::vector<int> expected = {6, 7, 8, 9, 10, 11, 16, 18};
  EXPECT_EQ(ExpectedMotionFrames(plan, 50), expected);
  for (int quality : {50, 75, 95}) {
    SCOPED_TRACE(quality);
    plan.jpeg.quality = quality;
    std::vector<int> prev = ReducedLuma(plan, 0);
    for (int f = 1; f < plan.frames; ++f) {
      const std::vector<int> cur = ReducedLuma(plan, f);
      const int d = MaxDiff(cur, prev);
      if (std::find(expected.begin(), expected.end(), f) != expected.end()) {
        EXPECT_GT(d, 50) << "frame " << f;
      } else {
        EXPECT_LE(d, kQuietReducedBound) << "frame " << f;
      }
      prev = cur;
    }
  }
}

TEST(Scene, LightingDriftStaysWithinTheQuietBound) {
  const Scene scene(SceneSpec {}, 64, 64);
  for (int f : {0, 170, 179, 180, 359, 540}) {
    EXPECT_LE(scene.MaxBlockMeanChange(f, f + 1), kQuietDriftBound) << f;
  }
  EXPECT_GT(scene.MaxBlockMeanChange(0, 180), 3.0);  // but the light does change over the day
  EXPECT_EQ(scene.Render(5).rgb, scene.Render(5).rgb);
  EXPECT_NE(scene.Render(5).rgb, scene.Render(6).rgb);
}

}  // namespace
}  // namespace klv::sample
