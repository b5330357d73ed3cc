#include "export/contact_sheet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "export/export_test_util.h"
#include "export/png_writer.h"
#include "export/text.h"

namespace klv {
namespace {

using test::ScratchDir;
using test::SolidPicture;

std::string RunCommand(const std::string& cmd, int* status) {
  FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  std::string out;
  if (p == nullptr) return out;
  char buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
  *status = ::pclose(p);
  return out;
}

Rgb At(const FramePicture& p, int x, int y) {
  const uint8_t* px = p.Row(y) + x * 3;
  return {px[2], px[1], px[0]};
}
bool Same(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

Rgb ColourOf(int k) {
  return {static_cast<uint8_t>(40 + 20 * k), static_cast<uint8_t>(250 - 15 * k), static_cast<uint8_t>(k % 2 ? 30 : 220)};
}

TEST(ContactSheetTest, ColumnsFollowTheCountAndTheSheetGrowsToFit) {
  EXPECT_EQ(SheetColumns(0), 1);
  EXPECT_EQ(SheetColumns(1), 1);
  EXPECT_EQ(SheetColumns(3), 3);
  EXPECT_EQ(SheetColumns(4), 4);
  EXPECT_EQ(SheetColumns(5), 3);
  EXPECT_EQ(SheetColumns(12), 4);
  EXPECT_EQ(SheetColumns(20), 6);
  EXPECT_EQ(SheetColumns(500), 6);

  SheetOptions o;
  o.title = "garden.avi";
  SheetLayout l;
  std::string error;
  ASSERT_TRUE(PlanSheet(12, 2, o, &l, &error)) << error;
  EXPECT_EQ(l.columns, 4);
  EXPECT_EQ(l.rows, 3);
  EXPECT_EQ(l.width, 2 * l.margin + 4 * 240 + 3 * l.gap);
  EXPECT_EQ(l.cellHeight, 180 + 4 + 2 * l.lineHeight);
  EXPECT_EQ(l.height, 2 * l.margin + l.titleHeight + l.gap + 3 * l.cellHeight + 2 * l.gap);
  // Cells do not overlap and stay inside the sheet.
  for (int k = 0; k < 12; ++k) {
    const SheetRect b = l.Box(k);
    EXPECT_GE(b.x, l.margin);
    EXPECT_LE(b.x + b.width, l.width - l.margin);
    EXPECT_LE(l.CaptionTop(k) + 2 * l.lineHeight, l.height - l.margin);
    if (k % 4 != 0) {
      EXPECT_EQ(b.x, l.Box(k - 1).x + 240 + l.gap);
    }
  }
  // Asked columns, but never more than there are items.
  o.columns = 8;
  ASSERT_TRUE(PlanSheet(3, 0, o, &l, &error));
  EXPECT_EQ(l.columns, 3);
  EXPECT_EQ(l.cellHeight, 180);

  // A long run of items widens the grid instead of passing the height limit.
  o.columns = 0;
  ASSERT_TRUE(PlanSheet(2000, 3, o, &l, &error)) << error;
  EXPECT_LE(l.height, 16384);
  EXPECT_LE(l.width, 16384);
  EXPECT_GE(l.columns * l.rows, 2000);
  EXPECT_GT(l.columns, 6);
  EXPECT_FALSE(PlanSheet(100000, 3, o, &l, &error));
  EXPECT_EQ(error.rfind("too many pictures for one contact sheet (100000; at most ", 0), 0u) << error;
  o.boxWidth = 2;
  EXPECT_FALSE(PlanSheet(3, 1, o, &l, &error));
}

TEST(ContactSheetTest, EachCellHoldsItsOwnThumbnailWithItsCaptionUnder) {
  std::vector<SheetItem> items;
  for (int k = 0; k < 7; ++k) {
    const Rgb c = ColourOf(k);
    // Item 2 is tall and small (scaled up, bars at the sides); item 5 is
    // larger than the box; the rest fill it exactly.
    const int w = k == 2 ? 30 : k == 5 ? 480 : 240;
    const int h = k == 2 ? 60 : k == 5 ? 360 : 180;
    items.push_back({SolidPicture(w, h, c.r, c.g, c.b), {"file" + std::to_string(k) + ".avi", "Frame 1" + std::to_string(k)}});
  }
  SheetOptions o;
  o.title = "Motion in garden.avi";
  const ContactSheet sheet = MakeContactSheet(items, o);
  ASSERT_FALSE(sheet.picture.Empty()) << sheet.error;
  EXPECT_TRUE(sheet.textDrawn) << sheet.error;
  const SheetLayout& l = sheet.layout;
  EXPECT_EQ(l.columns, 4);
  EXPECT_EQ(l.rows, 2);
  EXPECT_EQ(sheet.picture.Width(), l.width);
  EXPECT_EQ(sheet.picture.Height(), l.height);

  const Rgb background = At(sheet.picture, 1, 1);
  for (int k = 0; k < 7; ++k) {
    const SheetRect b = l.Box(k);
    const Rgb c = ColourOf(k);
    EXPECT_TRUE(Same(At(sheet.picture, b.x + b.width / 2, b.y + b.height / 2), c)) << "cell " << k;
    if (k != 2) {
      EXPECT_TRUE(Same(At(sheet.picture, b.x, b.y), c)) << "cell " << k;
      EXPECT_TRUE(Same(At(sheet.picture, b.x + b.width - 1, b.y + b.height - 1), c)) << "cell " << k;
    } else {  // 90 x 180, centred: dark bars either side
      EXPECT_FALSE(Same(At(sheet.picture, b.x + 10, b.y + 90), c));
      EXPECT_TRUE(Same(At(sheet.picture, b.x + 75, b.y + 90), c));
      EXPECT_TRUE(Same(At(sheet.picture, b.x + 164, b.y + 90), c));
      EXPECT_FALSE(Same(At(sheet.picture, b.x + 230, b.y + 90), c));
    }
    // Something is written in the caption lines, and only there.
    int ink = 0;
    for (int y = l.CaptionTop(k); y < l.CaptionTop(k) + 2 * l.lineHeight; ++y)
      for (int x = b.x; x < b.x + l.cellWidth; ++x) ink += !Same(At(sheet.picture, x, y), background);
    EXPECT_GT(ink, 50) << "caption of cell " << k;
  }
  // The gap between cells and the empty cells of the last row stay plain.
  const SheetRect last = l.Box(7);
  EXPECT_TRUE(Same(At(sheet.picture, last.x + 120, last.y + 90), background));
  EXPECT_TRUE(Same(At(sheet.picture, l.Box(1).x - l.gap / 2, l.Box(1).y + 90), background));
  // The title is written above the first row.
  int titleInk = 0;
  for (int y = l.margin; y < l.margin + l.titleHeight; ++y)
    for (int x = l.margin; x < l.width - l.margin; ++x) titleInk += !Same(At(sheet.picture, x, y), background);
  EXPECT_GT(titleInk, 100);
}

TEST(ContactSheetTest, WithoutAFontTheSheetIsStillMadeWithoutWords) {
  std::vector<SheetItem> items;
  items.push_back({SolidPicture(64, 48, 10, 200, 10), {"a.avi"}});
  SheetOptions o;
  o.title = "t";
  o.fontPath = "/nonexistent/font.ttf";
  const ContactSheet sheet = MakeContactSheet(items, o);
  ASSERT_FALSE(sheet.picture.Empty());
  EXPECT_FALSE(sheet.textDrawn);
  EXPECT_NE(sheet.error.find("cannot read the font /nonexistent/font.ttf"), std::string::npos) << sheet.error;
  const Rgb background = At(sheet.picture, 1, 1);
  for (int y = 0; y < sheet.picture.Height(); ++y)
    for (int x = 0; x < sheet.picture.Width(); ++x)
      if (y < sheet.layout.Box(0).y || y >= sheet.layout.CaptionTop(0)) {
        ASSERT_TRUE(Same(At(sheet.picture, x, y), background)) << x << "," << y;
      }
  // And with no items at all: just the title line.
  const ContactSheet empty = MakeContactSheet({}, SheetOptions {});
  ASSERT_FALSE(empty.picture.Empty()) << empty.error;
  EXPECT_EQ(empty.layout.rows, 0);
}

TEST(ContactSheetTest, Base64FollowsTheStandard) {
  auto b64 = [](const std::string& s) { return EncodeBase64(reinterpret_cast<const uint8_t*>(s.data()), s.size()); };
  EXPECT_EQ(b64(""), "");
  EXPECT_EQ(b64("f"), "Zg==");
  EXPECT_EQ(b64("fo"), "Zm8=");
  EXPECT_EQ(b64("foo"), "Zm9v");
  EXPECT_EQ(b64("foob"), "Zm9vYg==");
  EXPECT_EQ(b64("fooba"), "Zm9vYmE=");
  EXPECT_EQ(b64("foobar"), "Zm9vYmFy");
  const uint8_t high[3] = {0xFB, 0xFF, 0xBF};
  EXPECT_EQ(EncodeBase64(high, 3), "+/+/");
  EXPECT_EQ(EscapeHtml("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
  EXPECT_EQ(EncodeUrlPath("frames/run 1:a#b?.png"), "frames/run%201%3Aa%23b%3F.png");
  EXPECT_EQ(EncodeUrlPath("caf\xC3\xA9.png"), "caf%C3%A9.png");
}

TEST(ContactSheetTest, PageIsWellFormedSelfContainedAndCarriesTheSheet) {
  ScratchDir dir("sheet_html");
  std::vector<SheetItem> items;
  items.push_back({SolidPicture(80, 60, 200, 30, 30), {"a.avi"}});
  const ContactSheet sheet = MakeContactSheet(items, SheetOptions {});
  const std::vector<uint8_t> png = EncodePng(sheet.picture);
  ASSERT_FALSE(png.empty());
  std::vector<SheetRow> rows = {
      {"garden.avi", "120-134", "2026/11/03 14:22:05", 87, "frames/garden 120.png"},
      {"<script>alert(1)</script>.avi", "7-7", "2026/11/03 15:00:00", 255, ""},
      {"a&b \"quoted\".avi", "0-3", "", 51, "http://elsewhere/x.png"},
  };
  const std::string path = dir / "sheet.html";
  std::string error;
  ASSERT_TRUE(WriteSheetHtml(path, "Motion <in> garden", png, rows, &error)) << error;
  EXPECT_EQ(dir.List(), std::vector<std::string> {"sheet.html"});
  std::ifstream f(path);
  const std::string html((std::istreambuf_iterator<char>(f)), {});
  EXPECT_EQ(html, MakeSheetHtml("Motion <in> garden", png, rows));

  int status = -1;
  const std::string lint = RunCommand("xmllint --html --noout '" + path + "'", &status);
  EXPECT_EQ(status, 0) << lint;
  EXPECT_EQ(lint, "");
  // Nothing fetched from anywhere: the only source is the data: URI.
  EXPECT_EQ(html.find("http:"), std::string::npos);
  EXPECT_EQ(html.find("https:"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("<td>&lt;script&gt;alert(1)&lt;/script&gt;.avi</td>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"frames/garden%20120.png\">120-134</a>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"http%3A//elsewhere/x.png\">"), std::string::npos);
  EXPECT_NE(html.find("<td>7-7</td>"), std::string::npos);
  EXPECT_NE(html.find(">87</td>"), std::string::npos);
  EXPECT_NE(html.find("<title>Motion &lt;in&gt; garden</title>"), std::string::npos);

  // The picture inside decodes to the sheet's PNG bytes exactly.
  const std::string head = "src=\"data:image/png;base64,";
  const size_t at = html.find(head);
  ASSERT_NE(at, std::string::npos);
  const size_t end = html.find('"', at + head.size());
  { std::ofstream(dir / "b64") << html.substr(at + head.size(), end - at - head.size()); }
  const std::string decoded = RunCommand("base64 -d '" + (dir / "b64") + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(decoded, std::string(png.begin(), png.end()));
}

}  // namespace
}  // namespace klv
