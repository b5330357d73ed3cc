#include "engine/stamp.h"

#include <gtest/gtest.h>

namespace klv {
namespace {

bool White(const FramePicture& p, int x, int y) {
  const uint8_t* px = p.Row(y) + x * 3;
  return px[0] == 255 && px[1] == 255 && px[2] == 255;
}
bool Black(const FramePicture& p, int x, int y) {
  const uint8_t* px = p.Row(y) + x * 3;
  return px[0] == 0 && px[1] == 0 && px[2] == 0;
}

FramePicture Grey(int w, int h) {
  FramePicture p;
  p.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) p.Row(y)[x] = 128;
  return p;
}

TEST(StampTest, DrawsRightAlignedWhiteGlyphsOnABlackBand) {
  FramePicture p = Grey(160, 120);
  Stamp(p, "12:34:56");
  // Rows above the band keep the picture.
  EXPECT_EQ(p.Row(103)[0], 128);
  // The band is black except for lit glyph pixels.
  const int x0 = 160 - 10 * 8;  // 80
  for (int y = 104; y < 120; ++y) {
    for (int x = 0; x < x0; ++x) ASSERT_TRUE(Black(p, x, y)) << x << "," << y;
    EXPECT_TRUE(Black(p, 158, y));  // the 2-pixel margin after the last glyph
    EXPECT_TRUE(Black(p, 159, y));
  }
  // Each glyph row: bit k lights column x + k. Check every pixel of "1" and "6".
  for (int r = 0; r < 12; ++r) {
    for (int k = 0; k < 8; ++k) {
      const bool lit1 = (StampFont('1')[r] >> k) & 1;
      const bool lit6 = (StampFont('6')[r] >> k) & 1;
      EXPECT_EQ(White(p, x0 + k, 106 + r), lit1) << "1 row " << r << " bit " << k;
      EXPECT_EQ(White(p, x0 + 70 + k, 106 + r), lit6) << "6 row " << r << " bit " << k;
    }
  }
  // The last glyph's lit pixels reach column 157 at most ('6' row 0 = 0x3E: bits 1-5).
  EXPECT_TRUE(White(p, 150 + 1, 106));
}

TEST(StampTest, GlyphTableHoldsTheThirteenCharacters) {
  EXPECT_EQ(StampFont('0')[0], 0x5C);
  EXPECT_EQ(StampFont('3')[11], 0x00);
  EXPECT_EQ(StampFont('3')[10], 0x1C);
  EXPECT_EQ(StampFont('/')[9], 0x01);
  EXPECT_EQ(StampFont(':')[6], 0x04);
  for (int r = 0; r < 12; ++r) {
    EXPECT_EQ(StampFont(' ')[r], 0);
    EXPECT_EQ(StampFont('A')[r], 0);
  }
}

TEST(StampTest, TextWiderThanThePictureStartsAtColumnEightAndIsCut) {
  FramePicture p = Grey(100, 40);
  Stamp(p, "2009/12/31  23:59:58");  // 200 pixels of text
  // Column 8 row 0 of '2' is 0x1E: bit 0 dark, bit 1 lit.
  EXPECT_TRUE(Black(p, 8, 26));
  EXPECT_TRUE(White(p, 9, 26));
  for (int y = 24; y < 40; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_TRUE(Black(p, x, y));
}

TEST(StampTest, AviStampTextDropsTheDateOnSmallPictures) {
  EXPECT_EQ(AviStampText(160, "2009/12/31", "23:59:58"), "23:59:58");
  EXPECT_EQ(AviStampText(161, "2009/12/31", "23:59:58"), "2009/12/31  23:59:58");
}

TEST(StampTest, PictureShorterThanTheBandIsSafe) {
  FramePicture p = Grey(64, 8);
  Stamp(p, "00:00:00");
  for (int y = 0; y < 8; ++y) EXPECT_TRUE(Black(p, 0, y));
}

}  // namespace
}  // namespace klv
