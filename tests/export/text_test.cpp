#include "export/text.h"

#include <gtest/gtest.h>

#include <fstream>

#include "export/export_test_util.h"

namespace klv {
namespace {

struct Ink {
  int lit = 0;      // pixels changed at all
  int full = 0;     // pixels at the text colour
  int partial = 0;  // blended edges
  int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

// White text on black: what was drawn, where.
Ink Look(const FramePicture& p) {
  Ink ink;
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const uint8_t* px = p.Row(y) + x * 3;
      if (px[0] == 0) continue;
      EXPECT_TRUE(px[0] == px[1] && px[1] == px[2]) << "grey blending at " << x << "," << y;
      ++ink.lit;
      (px[0] == 255 ? ink.full : ink.partial)++;
      ink.minX = std::min(ink.minX, x);
      ink.maxX = std::max(ink.maxX, x);
      ink.minY = std::min(ink.minY, y);
      ink.maxY = std::max(ink.maxY, y);
    }
  return ink;
}

TEST(TextTest, FindsDejaVuSansAndDrawsAntiAliasedTextInItsLineBox) {
  const std::string file = FindCaptionFontFile();
  ASSERT_FALSE(file.empty()) << "fonts-dejavu-core is installed for the tests";
  EXPECT_NE(file.find("DejaVuSans"), std::string::npos) << file;

  CaptionFont font;
  ASSERT_TRUE(font.Load(16)) << font.Error();
  EXPECT_TRUE(font.Loaded());
  EXPECT_EQ(font.Path(), file);
  EXPECT_EQ(font.PixelHeight(), 16);
  EXPECT_GE(font.LineHeight(), 16);
  EXPECT_LE(font.LineHeight(), 24);
  EXPECT_GT(font.Ascent(), 10);
  EXPECT_LT(font.Ascent(), font.LineHeight());

  FramePicture p = test::SolidPicture(200, 40, 0, 0, 0);
  const int width = font.Draw(p, 10, 8, "Frame 123", Rgb {255, 255, 255});
  EXPECT_EQ(width, font.Measure("Frame 123"));
  EXPECT_GT(width, 60);
  EXPECT_LT(width, 100);
  EXPECT_GT(font.Measure("Frame 1234"), width);
  const Ink ink = Look(p);
  EXPECT_GT(ink.full, 40);
  EXPECT_GT(ink.partial, 20) << "the edges are blended, not jagged";
  EXPECT_GE(ink.minX, 10);
  EXPECT_LE(ink.maxX, 10 + width);
  EXPECT_GE(ink.minY, 8);
  EXPECT_LT(ink.maxY, 8 + font.LineHeight());
  // Capitals and digits reach from about the ascent to the baseline.
  EXPECT_LE(ink.minY, 8 + font.Ascent() - 10);

  // Colour goes to the right bytes (blue, green, red).
  FramePicture c = test::SolidPicture(60, 30, 0, 0, 0);
  font.Draw(c, 2, 2, "Il", Rgb {250, 20, 0});
  int covered = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t* px = c.Row(y) + x * 3;
      if (px[2] != 250) continue;  // fully covered pixels have the colour exactly
      ++covered;
      EXPECT_EQ(px[1], 20);
      EXPECT_EQ(px[0], 0);
    }
  EXPECT_GT(covered, 10);
}

TEST(TextTest, TextIsClippedToThePicture) {
  CaptionFont font;
  ASSERT_TRUE(font.Load(20)) << font.Error();
  // Partly outside on every side, and a picture smaller than one glyph.
  FramePicture p = test::SolidPicture(30, 12, 0, 0, 0);
  font.Draw(p, -7, -9, "2026/11/03 14:22:05", Rgb {255, 255, 255});
  font.Draw(p, 20, 5, "WWW", Rgb {255, 255, 255});
  font.Draw(p, 1000, 1000, "far", Rgb {255, 255, 255});
  font.Draw(p, -1000, 0, "far", Rgb {255, 255, 255});
  EXPECT_GT(Look(p).lit, 0);
  FramePicture dot = test::SolidPicture(1, 1, 0, 0, 0);
  font.Draw(dot, 0, -5, "M", Rgb {255, 255, 255});
  FramePicture none;
  EXPECT_EQ(font.Draw(none, 0, 0, "x", Rgb {}), 0);
}

TEST(TextTest, WithoutAFontNothingIsDrawnAndTheReasonIsGiven) {
  test::ScratchDir dir("font");
  CaptionFont font;
  EXPECT_FALSE(font.Load(14, dir / "missing.ttf"));
  EXPECT_FALSE(font.Loaded());
  EXPECT_EQ(font.Error(), "cannot read the font " + (dir / "missing.ttf") + "; pictures get no text");
  { std::ofstream(dir / "junk.ttf") << "not a font at all"; }
  EXPECT_FALSE(font.Load(14, dir / "junk.ttf"));
  EXPECT_NE(font.Error().find("cannot read the font"), std::string::npos);
  EXPECT_FALSE(font.Load(2));
  EXPECT_NE(font.Error().find("outside 6..512"), std::string::npos);

  FramePicture p = test::SolidPicture(50, 20, 9, 9, 9);
  const FramePicture before = p;
  EXPECT_EQ(font.Draw(p, 0, 0, "Frame 1", Rgb {255, 255, 255}), 0);
  EXPECT_EQ(font.Measure("Frame 1"), 0);
  EXPECT_EQ(font.Elide("Frame 1", 3), "Frame 1");
  EXPECT_EQ(DrawCaptionBand(p, font, {"a"}), 0);
  EXPECT_TRUE(std::equal(p.Bits(), p.Bits() + p.SizeBytes(), before.Bits()));
}

TEST(TextTest, LongCaptionsAreElidedAndUtf8IsDecoded) {
  CaptionFont font;
  ASSERT_TRUE(font.Load(14)) << font.Error();
  const std::string name = "2026-11-03 garden camera, north fence, long recording.avi";
  EXPECT_EQ(font.Elide("short.avi", 200), "short.avi");
  const std::string e = font.Elide(name, 120);
  EXPECT_LE(font.Measure(e), 120);
  EXPECT_GT(font.Measure(e), 90);
  ASSERT_GT(e.size(), 3u);
  EXPECT_EQ(e.substr(e.size() - 3), "\xE2\x80\xA6");
  EXPECT_EQ(e.substr(0, e.size() - 3), name.substr(0, e.size() - 3));
  // Never cut inside a character.
  const std::string accents = "\xC3\xA9t\xC3\xA9 \xC3\xA0 la plage \xE2\x80\x94 cam\xC3\xA9ra";
  const std::string a = font.Elide(accents, 60);
  EXPECT_EQ(DecodeUtf8(a).back(), U'\u2026');
  for (char32_t c : DecodeUtf8(a)) EXPECT_NE(c, U'\uFFFD');
  EXPECT_EQ(font.Elide(name, 1), "");

  EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
            (std::vector<char32_t> {U'a', U'\u00E9', U'\u20AC', U'\U0001F600'}));
  // Stray continuation, overlong, surrogate, cut short at the end.
  EXPECT_EQ(DecodeUtf8("\x80"
                       "a\xC0\xAF\xED\xA0\x80\xE2\x82"),
            (std::vector<char32_t> {0xFFFD, U'a', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST(TextTest, CaptionBandDarkensTheBottomAndWritesTheLines) {
  CaptionFont font;
  ASSERT_TRUE(font.Load(12)) << font.Error();
  FramePicture p = test::SolidPicture(160, 120, 200, 200, 200);
  const int band = DrawCaptionBand(p, font, {"garden.avi", "Frame 123", "2026/11/03 14:22:05"});
  EXPECT_GE(band, 3 * font.LineHeight());
  EXPECT_LT(band, 120);
  const int top = 120 - band;
  EXPECT_EQ(p.Row(top - 1)[0], 200);  // above the band untouched
  int white = 0, dark = 0;
  for (int y = top; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const uint8_t v = p.Row(y)[x * 3];
      if (v == 100) ++dark;
      else if (v > 200) ++white;
    }
  EXPECT_GT(dark, band * 160 / 2);
  EXPECT_GT(white, 100);
}

}  // namespace
}  // namespace klv
