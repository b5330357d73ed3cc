// The post-filter (low-pass and deblocking) and the colour conversion.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "m4v_test_util.h"
#include "media/mpeg4/deblock.h"
#include "media/mpeg4/frame_output.h"

namespace klv::mpeg4 {
namespace {

struct EdgeCase {
  const char* what;
  std::vector<int32_t> window;
  int qp;
  int result;
  std::vector<int32_t> after;  // the window afterwards
};

TEST(DeblockEdge, WorkedExamples) {
  const std::vector<int32_t> step = {100, 100, 100, 100, 100, 110, 110, 110, 110, 110};
  const std::vector<int32_t> zigzag = {100, 104, 100, 104, 100, 112, 108, 112, 108, 112};
  std::vector<int32_t> ramp(10);
  for (int i = 0; i < 10; ++i) ramp[static_cast<size_t>(i)] = 50 + 10 * i;
  // Seven differences of at most 2: the default mode (the standard's
  // threshold of 6 would pick the DC offset mode).
  const std::vector<int32_t> seven = {100, 101, 102, 103, 104, 120, 121, 122, 123, 140};
  const EdgeCase cases[] = {
      {"flat step, QP 8: DC offset mode", step, 8, 2, {100, 101, 101, 103, 104, 106, 108, 109, 109, 110}},
      {"flat step, QP 4: too large a step", step, 4, 0, step},
      {"zigzag, QP 8: default mode", zigzag, 8, 1, {100, 104, 100, 104, 102, 110, 108, 112, 108, 112}},
      {"zigzag, QP 2: |a30| not below QP", zigzag, 2, 0, zigzag},
      {"linear ramp: a30 = 0", ramp, 8, 0, ramp},
      {"eq_cnt 7 stays in the default mode", seven, 30, 1, {100, 101, 102, 103, 108, 116, 121, 122, 123, 140}},
  };
  for (const EdgeCase& c : cases) {
    int32_t out[10];
    EXPECT_EQ(DeblockEdge(c.window.data(), out, c.qp), c.result) << c.what;
    EXPECT_EQ(std::vector<int32_t>(out, out + 10), c.after) << c.what;
  }
}

TEST(DeblockPlane, EdgesOnlyInsideThePlane) {
  // A sharp vertical step at x = 8 in a 16-wide plane and at x = 4 in an
  // 8-wide one: only the first has an edge to filter.
  std::vector<uint8_t> wide(16 * 8), narrow(8 * 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) wide[static_cast<size_t>(y * 16 + x)] = x < 8 ? 100 : 110;
    for (int x = 0; x < 8; ++x) narrow[static_cast<size_t>(y * 8 + x)] = x < 4 ? 100 : 110;
  }
  const std::vector<uint8_t> narrowBefore = narrow;
  DeblockStats stats;
  DeblockPlane(wide.data(), 16, 8, 16, 8, &stats);
  EXPECT_EQ(stats.dcFiltered, 8);  // one edge in each of the 8 rows, none across rows
  EXPECT_EQ(stats.defaultFiltered, 0);
  EXPECT_EQ(wide[3], 100);  // s0 keeps its value
  EXPECT_EQ(wide[4], 101);
  EXPECT_EQ(wide[9], 108);
  DeblockPlane(narrow.data(), 8, 8, 8, 8, &stats);
  EXPECT_EQ(narrow, narrowBefore);
  EXPECT_EQ(stats.dcFiltered, 8);
}

// Every window read from the plane as it was before its pass: a plane of
// edges computed one by one on copies, counting the modes.
void DeblockPlaneModel(std::vector<uint8_t>& p, int w, int h, int qp, DeblockStats* stats) {
  std::vector<uint8_t> src = p;
  int32_t win[10], out[10];
  auto apply = [&](int r, size_t base, size_t step) {
    if (r == 1) ++stats->defaultFiltered;
    if (r == 2) ++stats->dcFiltered;
    for (int i = 1; i <= 8; ++i) {
      if (r == 2 || (r == 1 && (i == 4 || i == 5))) p[base + static_cast<size_t>(i) * step] = static_cast<uint8_t>(out[i]);
    }
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 8; x + 5 <= w; x += 8) {
      for (int i = 0; i < 10; ++i) win[i] = src[static_cast<size_t>(y * w + x - 5 + i)];
      apply(DeblockEdge(win, out, qp), static_cast<size_t>(y * w + x - 5), 1);
    }
  }
  src = p;
  for (int x = 0; x < w; ++x) {
    for (int y = 8; y + 5 <= h; y += 8) {
      for (int i = 0; i < 10; ++i) win[i] = src[static_cast<size_t>((y - 5 + i) * w + x)];
      apply(DeblockEdge(win, out, qp), static_cast<size_t>((y - 5) * w + x), static_cast<size_t>(w));
    }
  }
}

TEST(DeblockPlane, MatchesEdgeByEdgeModel) {
  std::mt19937 rng(3);
  const int sizes[][2] = {{16, 16}, {40, 24}, {37, 29}, {64, 48}, {8, 8}, {13, 9}, {88, 40}, {21, 70}};
  for (int round = 0; round < 12; ++round) {
    for (const auto& sz : sizes) {
      const int w = sz[0], h = sz[1];
      const int qp = 1 + static_cast<int>(rng() % 31);
      std::vector<uint8_t> p(static_cast<size_t>(w * h));
      // Blocks that are flat, noisy, ramps or random: both modes, clamping
      // at 0 and 255, and edges left alone.
      for (int by = 0; by < h; by += 8) {
        for (int bx = 0; bx < w; bx += 8) {
          const int kind = static_cast<int>(rng() % 5), base = static_cast<int>(rng() % 256);
          for (int y = by; y < std::min(h, by + 8); ++y) {
            for (int x = bx; x < std::min(w, bx + 8); ++x) {
              int v = base;
              if (kind == 1) v = base + static_cast<int>(rng() % 5) - 2;
              if (kind == 2) v = base + (x - bx) * 3 - (y - by) * 2;
              if (kind == 3) v = static_cast<int>(rng() % 256);
              if (kind == 4) v = (x + y) % 2 ? 0 : 255;
              p[static_cast<size_t>(y * w + x)] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
          }
        }
      }
      std::vector<uint8_t> want = p;
      DeblockStats wantStats, stats;
      DeblockPlaneModel(want, w, h, qp, &wantStats);
      DeblockPlane(p.data(), w, h, w, qp, &stats);
      ASSERT_EQ(p, want) << w << "x" << h << " qp " << qp;
      EXPECT_EQ(stats.dcFiltered, wantStats.dcFiltered);
      EXPECT_EQ(stats.defaultFiltered, wantStats.defaultFiltered);
    }
  }
}

TEST(LowPassPlane, RowExampleAndBorders) {
  std::vector<uint8_t> row = {0, 0, 255, 0, 0, 0};
  LowPassPlane(row.data(), 6, 1, 6);
  EXPECT_EQ(row, (std::vector<uint8_t> {0, 63, 127, 63, 0, 0}));
  // Columns as rows: a 1 x 6 plane filters vertically the same way.
  std::vector<uint8_t> col = {0, 0, 255, 0, 0, 0};
  LowPassPlane(col.data(), 1, 6, 1);
  EXPECT_EQ(col, (std::vector<uint8_t> {0, 63, 127, 63, 0, 0}));
}

// --- colour ------------------------------------------------------------------------

struct ColourCase {
  uint8_t y, cb, cr;
  uint8_t b, g, r;
};

TEST(ColourConversion, Examples) {
  const ColourCase cases[] = {
      {128, 128, 128, 130, 130, 130},  // 1192 * 112 / 1024
      {16, 128, 128, 0, 0, 0},
      {235, 128, 128, 254, 254, 254},
      {235, 128, 255, 254, 151, 255},  // saturated Cr clamps red
      {0, 128, 128, 0, 0, 0},
      {81, 90, 240, 0, 0, 254},  // a red: blue clamps at 0
  };
  for (const ColourCase& c : cases) {
    FramePicture pic;
    ASSERT_TRUE(pic.Create(2, 2));
    const uint8_t y[4] = {c.y, c.y, c.y, c.y};
    const uint8_t u[1] = {c.cb}, v[1] = {c.cr};
    ConvertToBgr(y, 2, u, v, 1, 2, 2, pic);
    const uint8_t* px = pic.Row(1) + 3;
    EXPECT_EQ(px[0], c.b) << int(c.y) << " " << int(c.cb) << " " << int(c.cr);
    EXPECT_EQ(px[1], c.g) << int(c.y) << " " << int(c.cb) << " " << int(c.cr);
    EXPECT_EQ(px[2], c.r) << int(c.y) << " " << int(c.cb) << " " << int(c.cr);
  }
}

TEST(ColourConversion, EveryTripleAgainstTheFormula) {
  // Odd sizes: the last column of a row reuses its chroma pair's sample.
  const int w = 35, h = 3;
  std::vector<uint8_t> y(static_cast<size_t>(w * h)), u(18 * 2), v(18 * 2);
  FramePicture pic;
  ASSERT_TRUE(pic.Create(w, h + 16));  // a stamp band below is left alone
  std::memset(pic.Row(h), 0xEE, static_cast<size_t>(pic.Stride()) * 16);
  for (int t = 0; t < 256 * 16; ++t) {
    for (size_t i = 0; i < y.size(); ++i) y[i] = static_cast<uint8_t>(t + i * 13);
    for (size_t i = 0; i < u.size(); ++i) {
      u[i] = static_cast<uint8_t>(t * 7 + i * 29);
      v[i] = static_cast<uint8_t>(t * 3 + i * 71);
    }
    ConvertToBgr(y.data(), w, u.data(), v.data(), 18, w, h, pic);
    for (int r = 0; r < h; ++r) {
      for (int c = 0; c < w; ++c) {
        const int Y = y[static_cast<size_t>(r * w + c)], Cb = u[static_cast<size_t>(r / 2 * 18 + c / 2)],
                  Cr = v[static_cast<size_t>(r / 2 * 18 + c / 2)];
        const int l = 1192 * (Y - 16);
        const int b = std::clamp((l + 2065 * (Cb - 128)) / 1024, 0, 255);
        const int g = std::clamp((l - 833 * (Cr - 128) - 401 * (Cb - 128)) / 1024, 0, 255);
        const int rr = std::clamp((l + 1634 * (Cr - 128)) / 1024, 0, 255);
        const uint8_t* px = pic.Row(r) + 3 * c;
        ASSERT_EQ(px[0], b) << t << " " << r << "," << c;
        ASSERT_EQ(px[1], g) << t << " " << r << "," << c;
        ASSERT_EQ(px[2], rr) << t << " " << r << "," << c;
      }
    }
  }
  EXPECT_EQ(pic.Row(h)[0], 0xEE);
}

// --- the decoder's post-filter path ---------------------------------------------------

TEST(PostFilter, FilteredCopyNeverTheReference) {
  // The ffmpeg-made intra fixture: decoded with method 2, the picture shown
  // is filtered, the decoder's own picture (the next reference) is not; a P
  // picture after it decodes the same whatever the method.
  const std::vector<uint8_t> s = m4vtest::ReadFileBytes(m4vtest::DataPath("inter_still.m4v"));
  ASSERT_FALSE(s.empty());
  std::vector<uint8_t> bitmaps[3], outputs[3];
  for (int method : {0, 1, 2}) {
    DecoderFlags flags;
    flags.g_nDeblockMethod = method;
    Mpeg4Decoder d;
    d.SetFlags(&flags);
    ASSERT_GT(d.OpenStream(m4vtest::DataPath("inter_still.m4v")), 0);
    FramePicture pic;
    ASSERT_TRUE(pic.Create(d.PictureWidth(), d.BitmapHeight(true)));
    ASSERT_GT(d.DecodeNextFrame({&pic, false, false}).position, 0);
    bitmaps[method].assign(pic.Bits(), pic.Bits() + pic.SizeBytes());
    ASSERT_GT(d.DecodeNextFrame({&pic, false, false}).position, 0);
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    outputs[method] = p.y;
    if (method == 2) {
      EXPECT_GT(d.deblockStats().defaultFiltered + d.deblockStats().dcFiltered, 0);
      d.ResetDeblockStats();
      EXPECT_EQ(d.deblockStats().dcFiltered, 0);
    }
  }
  EXPECT_NE(bitmaps[0], bitmaps[1]);
  EXPECT_NE(bitmaps[0], bitmaps[2]);
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_EQ(outputs[0], outputs[2]);
}

}  // namespace
}  // namespace klv::mpeg4
