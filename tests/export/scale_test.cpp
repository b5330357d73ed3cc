#include "export/scale.h"

#include <gtest/gtest.h>

#include <random>

#include "export/export_test_util.h"

namespace klv {
namespace {

FramePicture Checkerboard(int w, int h) {
  FramePicture p;
  p.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) p.Row(y)[x] = ((x / 3 + y) & 1) ? 255 : 0;
  return p;
}

void ExpectAllWithin(const FramePicture& p, int lo, int hi) {
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width() * 3; ++x)
      ASSERT_TRUE(p.Row(y)[x] >= lo && p.Row(y)[x] <= hi) << x / 3 << "," << y << " = " << int {p.Row(y)[x]};
}

TEST(ScaleTest, FitKeepsTheAspectWithinTheBox) {
  struct Case {
    int w, h, box;
    bool enlarge;
    int ew, eh;
  };
  for (const Case& c : {Case {640, 480, 160, false, 160, 120}, Case {480, 640, 160, false, 120, 160},
                        Case {1280, 720, 256, false, 256, 144}, Case {1000, 10, 160, false, 160, 2},
                        Case {1, 1000, 128, false, 1, 128}, Case {1000, 1, 64, false, 64, 1},
                        Case {100, 50, 256, false, 100, 50}, Case {100, 50, 256, true, 256, 128},
                        Case {1, 1, 32, false, 1, 1}, Case {3, 2, 8, true, 8, 5}}) {
    const PictureSize s = FitSize(c.w, c.h, c.box, c.box, c.enlarge);
    EXPECT_EQ(s.width, c.ew) << c.w << "x" << c.h << " in " << c.box;
    EXPECT_EQ(s.height, c.eh) << c.w << "x" << c.h << " in " << c.box;
  }
  EXPECT_EQ(FitSize(0, 10, 32, 32).width, 0);
  EXPECT_EQ(FitSize(10, 10, 0, 32).width, 0);
  // A box that is not square.
  const PictureSize s = FitSize(640, 480, 240, 100, false);
  EXPECT_EQ(s.width, 133);
  EXPECT_EQ(s.height, 100);
}

TEST(ScaleTest, ACheckerboardShrinksToMidGreyNotToAnAliasedPattern) {
  // Whole ratios: every new pixel averages as many black as white pixels.
  FramePicture t = ScaleToFit(Checkerboard(64, 48), 16);
  ASSERT_EQ(t.Width(), 16);
  ASSERT_EQ(t.Height(), 12);
  ExpectAllWithin(t, 127, 128);
  // Ratios that are not whole still land near grey; picking pixels would
  // give pure black and white.
  t = ScalePicture(Checkerboard(100, 100), 33, 33);
  ExpectAllWithin(t, 100, 155);
  t = ScalePicture(Checkerboard(640, 480), 157, 113);
  ExpectAllWithin(t, 118, 137);
}

TEST(ScaleTest, AreaAveragesWithPartialPixelsWeighted) {
  // One row, 3 -> 2: each new pixel covers 1.5 old ones.
  FramePicture p;
  p.Create(3, 1);
  const uint8_t v[3] = {0, 90, 255};
  for (int x = 0; x < 3; ++x) p.Row(0)[x * 3] = p.Row(0)[x * 3 + 1] = p.Row(0)[x * 3 + 2] = v[x];
  FramePicture s = ScalePicture(p, 2, 1);
  EXPECT_EQ(s.Row(0)[0], 30);   // (0 * 1 + 90 * 0.5) / 1.5
  EXPECT_EQ(s.Row(0)[3], 200);  // (90 * 0.5 + 255 * 1) / 1.5
  // Enlarging 2 -> 4 repeats pixels; 2 -> 3 blends the middle one.
  p.Create(2, 1);
  p.Row(0)[0] = 0;
  p.Row(0)[3] = 255;
  s = ScalePicture(p, 4, 1);
  EXPECT_EQ(s.Row(0)[0], 0);
  EXPECT_EQ(s.Row(0)[3], 0);
  EXPECT_EQ(s.Row(0)[6], 255);
  EXPECT_EQ(s.Row(0)[9], 255);
  s = ScalePicture(p, 3, 1);
  EXPECT_EQ(s.Row(0)[3], 128);

  // A random picture keeps its mean at a whole ratio, channel by channel.
  std::mt19937 rng(7);
  FramePicture r;
  r.Create(90, 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 270; ++x) r.Row(y)[x] = static_cast<uint8_t>(rng());
  s = ScalePicture(r, 30, 20);
  for (int c = 0; c < 3; ++c) {
    double a = 0, b = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 90; ++x) a += r.Row(y)[x * 3 + c];
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) b += s.Row(y)[x * 3 + c];
    EXPECT_NEAR(a / 5400, b / 600, 0.5);
  }
  // Colours stay in their channels.
  s = ScaleToFit(test::SolidPicture(50, 40, 200, 100, 10), 10);
  EXPECT_EQ(s.Row(3)[6], 10);
  EXPECT_EQ(s.Row(3)[7], 100);
  EXPECT_EQ(s.Row(3)[8], 200);
}

TEST(ScaleTest, OnePixelWideAndTallPictures) {
  FramePicture col;
  col.Create(1, 100);
  for (int y = 0; y < 100; ++y) col.Row(y)[0] = col.Row(y)[1] = col.Row(y)[2] = static_cast<uint8_t>(y * 2);
  FramePicture s = ScaleToFit(col, 25);
  ASSERT_EQ(s.Width(), 1);
  ASSERT_EQ(s.Height(), 25);
  for (int y = 0; y < 25; ++y) EXPECT_EQ(s.Row(y)[0], 8 * y + 3) << y;  // mean of 8y, 8y+2, 8y+4, 8y+6

  FramePicture row;
  row.Create(300, 1);
  for (int x = 0; x < 900; ++x) row.Row(0)[x] = 77;
  s = ScaleToFit(row, 64);
  ASSERT_EQ(s.Width(), 64);
  ASSERT_EQ(s.Height(), 1);
  ExpectAllWithin(s, 77, 77);

  FramePicture dot;
  dot.Create(1, 1);
  dot.Row(0)[1] = 9;
  s = ScaleToFit(dot, 48, true);
  ASSERT_EQ(s.Width(), 48);
  ASSERT_EQ(s.Height(), 48);
  EXPECT_EQ(s.Row(47)[47 * 3 + 1], 9);

  EXPECT_TRUE(ScaleToFit(FramePicture(), 32).Empty());
  EXPECT_TRUE(ScalePicture(dot, 0, 5).Empty());
}

}  // namespace
}  // namespace klv
