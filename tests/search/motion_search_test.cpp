// The motion search over reduced DC pictures: its walk, its comparison, its
// stop flag, stale frames, and its reduced pictures checked against
// libjpeg-turbo's coefficients and a plain model of the colour conversion.

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "engine/motion_search.h"
#include "media/avi/avi_reader.h"
#include "search/dc_model.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using sample::CoefBlock;
using sample::JpegCoefficients;

// Hand-made frames: a luma DC quantiser of 8, so that a block's reduced luma
// is its quantised DC value + 128.
sample::JpegOptions FlatOptions() {
  sample::JpegOptions o;
  sample::QuantTable q;
  q.fill(16);
  q[0] = 8;
  o.lumaQuant = q;
  o.chromaQuant = q;
  return o;
}

// A frame whose blocks all have luma `base`, except the listed (bx, by) blocks.
struct BlockValue {
  int bx, by, luma;
};
std::vector<uint8_t> BlockFrame(int w, int h, int base, const std::vector<BlockValue>& blocks = {},
                                const sample::JpegOptions& o = FlatOptions()) {
  JpegCoefficients c = sample::ZeroCoefficients(w, h);
  for (CoefBlock& b : c.y) b[0] = static_cast<int16_t>(base - 128);
  for (const BlockValue& v : blocks) c.Y(v.bx, v.by)[0] = static_cast<int16_t>(v.luma - 128);
  return sample::EncodeJpegCoefficients(c, o);
}

class MotionSearchTest : public ::testing::Test {
 protected:
  DecoderFlags flags;
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("klv_search_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    searcher.preview = [this](const ReducedBitmapHeader& h, const uint8_t*, int index) {
      shown.push_back(index);
      EXPECT_EQ(h.biWidth, searcher.W8());
      if (onPreview) onPreview(index);
    };
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes frames as an AVI and opens it.
  void Open(const std::vector<std::vector<uint8_t>>& frames, int w, int h,
            const std::function<void(std::vector<uint8_t>&, const sample::AviLayout&)>& damage = {}) {
    sample::AviLayout layout;
    std::vector<uint8_t> bytes = sample::WriteAvi({w, h, 5, 50}, frames, {}, &layout);
    if (damage) damage(bytes, layout);
    const std::string path = (dir_ / "m.avi").string();
    ASSERT_TRUE(sample::WriteBytes(path, bytes));
    ASSERT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
  }

  // The result as a frame number: the frame found, 0 when the search reached
  // its end, -1 when there was nothing to search.
  int Search(int from, int to, int threshold) {
    const MotionSearchResult r = searcher.MotionSearch(avi, decoder, from, to, threshold);
    if (r.outcome == SearchOutcome::kFound) return r.frame;
    return r.outcome == SearchOutcome::kReachedEnd ? 0 : -1;
  }

  fs::path dir_;
  AviReader avi;
  JpegDecoder decoder;
  MotionSearcher searcher;
  std::vector<int> shown;
  std::function<void(int)> onPreview;
};

TEST_F(MotionSearchTest, FromEqualToReadsNothing) {
  Open({BlockFrame(64, 48, 100), BlockFrame(64, 48, 200)}, 64, 48);
  const std::vector<uint8_t> before(avi.FrameBytes().begin(), avi.FrameBytes().end());
  EXPECT_EQ(Search(1, 1, 50), -1);
  EXPECT_FALSE(searcher.Begin(avi, decoder, 0, 0, 50));
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), avi.FrameBytes().begin()));
}

TEST_F(MotionSearchTest, IdenticalFramesAreAllReadAndGiveZero) {
  std::vector<std::vector<uint8_t>> frames(12, BlockFrame(64, 48, 90));
  Open(frames, 64, 48);
  EXPECT_EQ(Search(3, 12, 1), 0);
  EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(MotionSearchTest, ADifferenceOfExactlyTheThresholdIsNotMotion) {
  // Block (5, 3) of a 64 x 48 picture rises by 50, then by 51 more.
  Open({BlockFrame(64, 48, 100), BlockFrame(64, 48, 100, {{5, 3, 150}}),
        BlockFrame(64, 48, 100, {{5, 3, 201}}), BlockFrame(64, 48, 100, {{5, 3, 201}})},
       64, 48);
  EXPECT_EQ(Search(0, 4, 50), 2);
  EXPECT_EQ(Search(0, 4, 51), 0);
  EXPECT_EQ(Search(0, 4, 49), 1);
  // Sixty higher in one block stops at that frame.
  Open({BlockFrame(64, 48, 100), BlockFrame(64, 48, 100, {{0, 0, 160}})}, 64, 48);
  EXPECT_EQ(Search(0, 2, 50), 1);
  // Downwards alike.
  EXPECT_EQ(Search(1, 0, 59), 0);
}

TEST_F(MotionSearchTest, BackwardSearchExaminesDownToFrameOneAndNeverReportsFrameZero) {
  std::vector<std::vector<uint8_t>> frames(11, BlockFrame(64, 48, 100));
  frames[0] = BlockFrame(64, 48, 250);  // frame 0 differs from all
  Open(frames, 64, 48);
  EXPECT_EQ(Search(10, 0, 50), 0);
  EXPECT_EQ(shown, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
  // Forward from frame 0, frame 1 is the first that can be reported.
  EXPECT_EQ(Search(0, 11, 50), 1);
}

TEST_F(MotionSearchTest, TheStopFlagEndsAtTheFrameJustDecoded) {
  std::vector<std::vector<uint8_t>> frames(20, BlockFrame(64, 48, 100));
  Open(frames, 64, 48);
  // Set while frame 7 is on show: 7 comes back as if it had shown motion.
  onPreview = [this](int index) {
    if (index == 7) searcher.MotionSearchStop();
  };
  EXPECT_EQ(Search(2, 20, 50), 7);
  EXPECT_EQ(shown.back(), 7);
  // Set while the first frame is on show: the next frame is decoded and returned.
  shown.clear();
  onPreview = [this](int index) {
    if (index == 15) searcher.MotionSearchStop();
  };
  EXPECT_EQ(Search(15, 0, 50), 14);
  // Step by step: a stop between steps returns the frame the last step decoded.
  onPreview = nullptr;
  shown.clear();
  ASSERT_TRUE(searcher.Begin(avi, decoder, 4, 20, 50));
  EXPECT_FALSE(searcher.Step());
  EXPECT_FALSE(searcher.Step());
  searcher.MotionSearchStop();
  EXPECT_TRUE(searcher.Step());
  EXPECT_EQ(searcher.Result().frame, 6);
  EXPECT_EQ(shown, (std::vector<int>{4, 5, 6}));
  // The next search clears the flag.
  EXPECT_EQ(Search(0, 20, 50), 0);
}

TEST_F(MotionSearchTest, FramesThatFailAreComparedWithWhatTheBuffersHold) {
  // Block (1, 1) climbs by 30 a frame; frame 2 is damaged. Threshold 50.
  auto at = [](int luma) { return BlockFrame(64, 48, 100, {{1, 1, luma}}); };
  const std::vector<std::vector<uint8_t>> frames = {at(100), at(130), at(160), at(190)};

  // Frame 2 without SOI: its slot keeps frame 0 (two frames back), so frame 3
  // (190) is compared with 100 and counts as motion.
  std::vector<std::vector<uint8_t>> noHeader = frames;
  noHeader[2][1] = 0x00;
  Open(noHeader, 64, 48);
  EXPECT_EQ(Search(0, 4, 50), 3);
  EXPECT_EQ(Search(0, 4, 60), 3);

  // Frame 2 cannot be read: the frame buffer still holds frame 1, which is
  // decoded again; frame 3 (190) against 130 is motion too (60).
  Open(frames, 64, 48, [](std::vector<uint8_t>& b, const sample::AviLayout& l) {
    sample::SetFrameChunkId(b, l, 2, "01wb");
  });
  EXPECT_EQ(Search(0, 4, 50), 3);
  EXPECT_EQ(Search(0, 4, 60), 0);

  // A frame without SOI as the very first frame: the fresh zero-filled slot is
  // the reference, and frame 1's 130 against 0 is motion.
  noHeader = frames;
  noHeader[0][0] = 0x00;
  Open(noHeader, 64, 48);
  EXPECT_EQ(Search(0, 4, 50), 1);
}

// ---- reduced pictures ---------------------------------------------------------

// libjpeg's quantised DC coefficients of every block, as an independent
// decoder sees them: [component][by * blocksWide + bx].
struct TurboCoefficients {
  int blocksWide[3] = {};
  int blocksHigh[3] = {};
  std::vector<int> dc[3];
  int q[3] = {};
};
TurboCoefficients ReadTurboCoefficients(const std::vector<uint8_t>& jpeg) {
  TurboCoefficients out;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
  for (int c = 0; c < 3; ++c) {
    jpeg_component_info* comp = &cinfo.comp_info[c];
    out.blocksWide[c] = static_cast<int>(comp->width_in_blocks);
    out.blocksHigh[c] = static_cast<int>(comp->height_in_blocks);
    out.q[c] = comp->quant_table->quantval[0];
    for (int by = 0; by < out.blocksHigh[c]; ++by) {
      JBLOCKARRAY row = (cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                         arrays[c], static_cast<JDIMENSION>(by), 1,
                                                         FALSE);
      for (int bx = 0; bx < out.blocksWide[c]; ++bx) out.dc[c].push_back(row[0][bx][0]);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

TEST_F(MotionSearchTest, ReducedLumaAndChromaMatchLibjpegCoefficients) {
  // Picture sizes with and without whole MCUs, quality that makes large DC quantisers.
  struct Case {
    int w, h, quality;
  };
  for (const Case c : {Case{640, 480, 75}, Case{200, 120, 30}, Case{72, 40, 95}, Case{8, 8, 50}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " q" << c.quality);
    sample::MovieSpec plan;
    plan.width = c.w;
    plan.height = c.h;
    plan.frames = 1;
    plan.jpeg.quality = c.quality;
    plan.scene.objects.push_back({.shape = sample::ShapeKind::Car, .firstFrame = 0, .lastFrame = 0,
                                  .x0 = c.w / 2.0, .y0 = c.h / 2.0, .x1 = c.w / 2.0,
                                  .y1 = c.h / 2.0, .width = c.w / 2, .height = c.h / 3,
                                  .r = 220, .g = 40, .b = 30});
    const std::vector<uint8_t> jpeg = sample::BuildCameraFrame(plan, 0);
    const TurboCoefficients t = ReadTurboCoefficients(jpeg);

    JpegDecoder decoder;
    ASSERT_TRUE(searcher.Allocate(c.w, c.h));
    ASSERT_EQ(searcher.DecodeReducedPicture(decoder, jpeg.data(), jpeg.size(), 1), 0);
    const int w8 = (c.w + 7) / 8, h8 = (c.h + 7) / 8;
    EXPECT_EQ(searcher.W8(), w8);
    EXPECT_EQ(searcher.H8(), h8);
    const ReducedSlot& s = searcher.Slot(1);
    for (int by = 0; by < h8; ++by)
      for (int bx = 0; bx < w8; ++bx) {
        const int dc = t.dc[0][static_cast<size_t>(by * t.blocksWide[0] + bx)];
        // Division truncating toward zero, as the camera's software divides.
        ASSERT_EQ(s.y[static_cast<size_t>(by * searcher.PlaneStride() + bx)],
                  Clamp255(t.q[0] * dc / 8 + 128))
            << bx << "," << by;
      }
    for (int my = 0; my < (h8 + 1) / 2; ++my)
      for (int mx = 0; mx < (w8 + 1) / 2; ++mx) {
        const size_t at = static_cast<size_t>(my * searcher.PlaneStride() / 2 + mx);
        const size_t tat = static_cast<size_t>(my * t.blocksWide[1] + mx);
        ASSERT_EQ(s.cb[at], t.q[1] * t.dc[1][tat] / 8);
        ASSERT_EQ(s.cr[at], t.q[2] * t.dc[2][tat] / 8);
      }
  }
}

TEST_F(MotionSearchTest, ColourPictureFollowsTheDecodersConversion) {
  ASSERT_TRUE(searcher.Allocate(640, 480));
  EXPECT_EQ(searcher.W8(), 80);
  EXPECT_EQ(searcher.H8(), 60);
  EXPECT_EQ(searcher.RgbStride(), 240);
  EXPECT_EQ(searcher.Header().biSize, 40u);
  EXPECT_EQ(searcher.Header().biWidth, 80);
  EXPECT_EQ(searcher.Header().biHeight, -60);
  EXPECT_EQ(searcher.Header().biPlanes, 1);
  EXPECT_EQ(searcher.Header().biBitCount, 24);
  EXPECT_EQ(searcher.Header().biSizeImage, 240u * 60u);

  // An odd reduced width (25 x 15 for 200 x 120) with chroma far out of range.
  searcher.flags = &flags;
  for (bool bw : {false, true}) {
    flags.bForceBW = bw;
    ASSERT_TRUE(searcher.Allocate(200, 120));
    ReducedSlot& s = searcher.Slot(0);
    const int stride = searcher.PlaneStride();
    for (int y = 0; y < searcher.PlaneRows(); ++y)
      for (int x = 0; x < stride; ++x) s.y[static_cast<size_t>(y * stride + x)] = static_cast<uint8_t>((x * 37 + y * 11) & 255);
    for (size_t i = 0; i < s.cb.size(); ++i) {
      s.cb[i] = static_cast<int32_t>(i * 53 % 700) - 350;
      s.cr[i] = static_cast<int32_t>(i * 29 % 500) - 250;
    }
    searcher.ReducedToRgb(0);
    EXPECT_EQ(searcher.RgbStride(), 76);
    const std::vector<uint8_t>& bits = searcher.Bits();
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 25; ++x) {
        const int lum = s.y[static_cast<size_t>(y * stride + x)];
        const size_t c = static_cast<size_t>((y / 2) * stride / 2 + (x / 2));
        const int cb = Clamp255(s.cb[c] + 128), cr = Clamp255(s.cr[c] + 128);
        int r = lum, g = lum, b = lum;
        if (!bw) {
          r = lum + (cr - 128) * 2871 / 2048;
          g = lum + ((cb - 128) * -705 + (cr - 128) * -1463) / 2048;
          b = lum + (cb - 128) * 3629 / 2048;
        }
        const uint8_t* px = bits.data() + y * 76 + x * 3;
        ASSERT_EQ(px[0], Clamp255(b)) << x << "," << y;
        ASSERT_EQ(px[1], Clamp255(g)) << x << "," << y;
        ASSERT_EQ(px[2], Clamp255(r)) << x << "," << y;
      }
  }
}

TEST_F(MotionSearchTest, OnlyTheVisibleBlocksOfAPartialMcuAreCompared) {
  // 72 x 40: 9 x 5 blocks, planes of 10 x 6. Differences outside the picture
  // (only in the planes' padding) are no motion.
  ASSERT_TRUE(searcher.Allocate(72, 40));
  ReducedSlot& a = searcher.Slot(0);
  ReducedSlot& b = searcher.Slot(1);
  const int stride = searcher.PlaneStride();
  b.y[static_cast<size_t>(9)] = 200;                  // column 9 of row 0
  b.y[static_cast<size_t>(5 * stride)] = 200;         // row 5
  EXPECT_FALSE(searcher.MotionDetected(1, 0, 50));
  EXPECT_EQ(searcher.LargestDifference(1, 0), 0);
  b.y[static_cast<size_t>(4 * stride + 8)] = 51;      // the last visible block
  EXPECT_FALSE(searcher.MotionDetected(1, 0, 51));
  EXPECT_TRUE(searcher.MotionDetected(1, 0, 50));
  EXPECT_TRUE(searcher.MotionDetected(0, 1, 50));
  EXPECT_EQ(searcher.LargestDifference(0, 1), 51);
  (void)a;
}

// The plain model of the reduced decode, step by step with the decoder's
// public primitives: DC difference, AC decoded and discarded, store, stop at
// an error.
void ModelReducedDecode(JpegDecoder& d, const std::vector<uint8_t>& jpeg, int w, int h,
                        ReducedSlot& s, int stride) {
  JpegFrameInfo fi;
  JpegScanInfo si;
  const int p = d.ParseHeaders(jpeg.data(), jpeg.size(), &fi, &si, nullptr, nullptr);
  if (p <= 0) return;
  d.StartBits(jpeg.data() + p, jpeg.size() - static_cast<size_t>(p));
  const int qY = d.Quant().dcQuant[0], qC = d.Quant().dcQuant[1];
  int pY = 0, pCb = 0, pCr = 0;
  int32_t block[64];
  const int mcusX = (w + 15) / 16, mcusY = (h + 15) / 16;
  for (int my = 0; my < mcusY; ++my)
    for (int mx = 0; mx < mcusX; ++mx) {
      for (int b = 0; b < 4; ++b) {
        pY += d.DecodeDcDiff(0);
        d.DecodeAc(block, false);
        s.y[static_cast<size_t>((2 * my + b / 2) * stride + 2 * mx + b % 2)] =
            static_cast<uint8_t>(Clamp255(qY * pY / 8 + 128));
        if (d.JpegError() != 0) return;
      }
      const size_t c = static_cast<size_t>(my * stride / 2 + mx);
      pCb += d.DecodeDcDiff(1);
      s.cb[c] = qC * pCb / 8;
      d.DecodeAc(block, true);
      if (d.JpegError() != 0) return;
      pCr += d.DecodeDcDiff(1);
      s.cr[c] = qC * pCr / 8;
      d.DecodeAc(block, true);
      if (d.JpegError() != 0) return;
    }
}

TEST_F(MotionSearchTest, DamagedFramesDecodeAsThePlainModelDoes) {
  sample::MovieSpec plan;
  plan.width = 96;
  plan.height = 80;
  plan.jpeg.quality = 90;
  const std::vector<uint8_t> good = sample::BuildCameraFrame(plan, 0);
  plan.scene.seed = 7;
  const std::vector<uint8_t> other = sample::BuildCameraFrame(plan, 3);
  JpegDecoder probe;
  const int p = probe.ParseHeaders(good.data(), good.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_GT(p, 0);

  std::vector<std::vector<uint8_t>> damaged;
  for (size_t cut = static_cast<size_t>(p); cut < good.size(); cut += 37)
    damaged.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
  for (size_t at = static_cast<size_t>(p) + 5; at + 2 < good.size(); at += 53) {
    std::vector<uint8_t> f = good;
    f[at] = 0xFF;  // a marker or a stuffed byte in the data
    f[at + 1] = static_cast<uint8_t>(at % 3 == 0 ? 0xD9 : (at % 3 == 1 ? 0x00 : 0xD3));
    damaged.push_back(f);
    f = good;
    f[at] ^= 0x5A;  // wrong codes
    damaged.push_back(f);
  }
  ASSERT_GT(damaged.size(), 40u);
  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    JpegDecoder a, b;
    ASSERT_TRUE(searcher.Allocate(96, 80));
    // Both start from another frame's picture, which the damage leaves in part.
    searcher.DecodeReducedPicture(a, other.data(), other.size(), 0);
    ReducedSlot model = searcher.Slot(0);
    ModelReducedDecode(b, other, 96, 80, model, searcher.PlaneStride());
    ASSERT_EQ(model.y, searcher.Slot(0).y);
    EXPECT_EQ(searcher.DecodeReducedPicture(a, damaged[i].data(), damaged[i].size(), 0), 0);
    ModelReducedDecode(b, damaged[i], 96, 80, model, searcher.PlaneStride());
    ASSERT_EQ(model.y, searcher.Slot(0).y);
    ASSERT_EQ(model.cb, searcher.Slot(0).cb);
    ASSERT_EQ(model.cr, searcher.Slot(0).cr);
  }
}

TEST(DcOnlyPass, MatchesTheStepByStepModelOnWholeAndDamagedFrames) {
  // Frames: fine detail (long blocks, runs near coefficient 63), coarse,
  // a DC table of long codes, a picture of noise.
  std::vector<std::vector<uint8_t>> frames;
  for (int q : {20, 75, 98}) {
    sample::MovieSpec plan;
    plan.width = 96;
    plan.height = 64;
    plan.jpeg.quality = q;
    plan.scene.noise = q > 90 ? 12.0 : 1.0;
    frames.push_back(sample::BuildCameraFrame(plan, 0));
  }
  sample::MovieSpec plan;
  plan.width = 80;
  plan.height = 48;
  sample::HuffmanSpec longDc;
  for (int len = 2; len <= 13; ++len) longDc.bits[static_cast<size_t>(len - 1)] = 1;
  for (uint8_t v = 0; v < 12; ++v) longDc.values.push_back(v);
  plan.jpeg.dcLuma = longDc;
  plan.jpeg.dcChroma = longDc;
  frames.push_back(sample::BuildCameraFrame(plan, 0));

  uint32_t rng = 12345;
  auto next = [&rng] {
    rng = rng * 1664525u + 1013904223u;
    return rng >> 8;
  };
  int compared = 0;
  for (const std::vector<uint8_t>& whole : frames) {
    JpegDecoder probe;
    const int p = probe.ParseHeaders(whole.data(), whole.size(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_GT(p, 0);
    std::vector<std::vector<uint8_t>> variants = {whole};
    for (size_t cut = static_cast<size_t>(p); cut < whole.size(); cut += 1 + whole.size() / 97)
      variants.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    for (int i = 0; i < 150; ++i) {
      std::vector<uint8_t> f = whole;
      const size_t at = static_cast<size_t>(p) + next() % (whole.size() - static_cast<size_t>(p));
      switch (i % 3) {
        case 0: f[at] ^= static_cast<uint8_t>(1u << (next() % 8)); break;  // one bit
        case 1: f[at] = 0xFF; if (at + 1 < f.size()) f[at + 1] = static_cast<uint8_t>(next()); break;
        default: for (size_t j = at; j < std::min(f.size(), at + 6); ++j) f[j] = static_cast<uint8_t>(next()); break;
      }
      variants.push_back(std::move(f));
    }
    for (const std::vector<uint8_t>& f : variants) {
      const size_t scan = f.size() - static_cast<size_t>(p);
      // Enough MCUs to run past the end of the data too.
      for (int mcus : {1, 7, 200}) {
        JpegDecoder a, b;
        a.ParseHeaders(whole.data(), whole.size(), nullptr, nullptr, nullptr, nullptr);
        b.ParseHeaders(whole.data(), whole.size(), nullptr, nullptr, nullptr, nullptr);
        std::vector<int32_t> pa(static_cast<size_t>(mcus) * 6, -7), pb(pa);
        const int na = a.DecodeDcPredictors(f.data() + p, scan, mcus, pa.data());
        const int nb = searchtest::ModelDcPredictors(b, f.data() + p, scan, mcus, pb.data());
        ASSERT_EQ(na, nb) << compared;
        ASSERT_EQ(pa, pb) << compared;
        ASSERT_EQ(a.JpegError(), b.JpegError()) << compared;
        ASSERT_EQ(a.BytesRead(), b.BytesRead()) << compared;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 2000);
}

TEST_F(MotionSearchTest, FindsThePlantedMotionOfASceneMovie) {
  sample::MovieSpec plan;
  plan.width = 160;
  plan.height = 120;
  plan.frames = 30;
  sample::SceneObject box;
  box.firstFrame = 10;
  box.lastFrame = 12;
  box.x0 = box.x1 = 80;
  box.y0 = box.y1 = 40;
  box.width = box.height = 32;
  box.r = box.g = box.b = 20;
  plan.scene.objects = {box};
  const std::vector<int> expected = sample::ExpectedMotionFrames(plan, 50);
  ASSERT_EQ(expected, (std::vector<int>{10, 13}));
  const std::string path = (dir_ / "scene.avi").string();
  ASSERT_TRUE(sample::WriteCameraAvi(path, plan));
  ASSERT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
  std::vector<int> found;
  for (int from = 0;;) {
    const int r = Search(from, plan.frames, 50);
    if (r <= 0) break;
    found.push_back(r);
    from = r;
  }
  EXPECT_EQ(found, expected);
  // Backwards, the search stops at the frames that differ from the one after.
  std::vector<int> back;
  for (int from = plan.frames - 1;;) {
    const int r = Search(from, 0, 50);
    if (r <= 0) break;
    back.push_back(r);
    from = r;
  }
  EXPECT_EQ(back, (std::vector<int>{12, 9}));
}

TEST(MotionThresholdText, LeadingDecimalNumber) {
  struct Case {
    const char* text;
    int value;
  };
  for (const Case c : {Case{"50", 50}, Case{"12abc", 12}, Case{"abc", 0}, Case{"", 0},
                       Case{" 7", 7}, Case{"-5", 0}, Case{"0050", 50}, Case{"0", 0},
                       Case{"99999999999999", 2147483647}, Case{"3.5", 3}})
    EXPECT_EQ(ParseMotionThreshold(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace klv
