// klvtool over .m4v streams: info, frame with the deblocking method, the
// stamp band and black and white, decode counts, save, and failures.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "support/avi_writer.h"
#include "support/mpeg4_stream.h"
#include "tool_runner.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

// Mismatching bytes between a 24-bit BMP (rows bottom-up) of `rows` rows and
// the colour conversion, written out from its formulas, of `yuv` in its top rows.
int BmpMismatches(const std::vector<uint8_t>& bmp, const sample::YuvPicture& yuv, int rows) {
  const auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  const size_t stride = (static_cast<size_t>(yuv.width) * 3 + 3) & ~size_t {3};
  if (bmp.size() < 54 + stride * static_cast<size_t>(rows)) return -1;
  int bad = 0;
  for (int y = 0; y < yuv.height; ++y) {
    const uint8_t* row = bmp.data() + 54 + stride * static_cast<size_t>(rows - 1 - y);
    for (int x = 0; x < yuv.width; ++x) {
      const int l = 1192 * (yuv.Y(x, y) - 16);
      const size_t c = static_cast<size_t>(y / 2) * static_cast<size_t>(yuv.ChromaWidth()) + static_cast<size_t>(x / 2);
      const int cb = yuv.u[c] - 128, cr = yuv.v[c] - 128;
      bad += row[3 * x] != clamp((l + 2065 * cb) / 1024);
      bad += row[3 * x + 1] != clamp((l - 833 * cr - 401 * cb) / 1024);
      bad += row[3 * x + 2] != clamp((l + 1634 * cr) / 1024);
    }
  }
  return bad;
}

class KlvtoolM4vTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() / ("klvtool_m4v_test_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    sample::M4vStreamSpec plan = Plan();
    stream_ = new sample::M4vStream(sample::BuildM4v(plan));
    ASSERT_TRUE(sample::WriteBytes(Path("clip.m4v"), stream_->bytes));
    // Damaged copies: 33 bytes of junk in front of picture 5, and the last
    // picture cut short.
    plan.insertions.push_back({.beforePicture = 5, .kind = sample::StreamInsertion::Kind::Junk, .count = 33});
    ASSERT_TRUE(sample::WriteBytes(Path("junk.m4v"), sample::BuildM4vStream(plan)));
    std::vector<uint8_t> cut = stream_->bytes;
    cut.resize(stream_->pictures.back().offset + stream_->pictures.back().size / 2);
    ASSERT_TRUE(sample::WriteBytes(Path("cut.M4V"), cut));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete stream_;
  }
  static sample::M4vStreamSpec Plan() {
    sample::M4vStreamSpec plan;
    plan.encoder.width = 176;
    plan.encoder.height = 144;
    plan.encoder.intraQuant = 20;  // coarse: the deblocking filter has work
    plan.encoder.interQuant = 20;
    plan.pictures = 8;
    plan.intraPeriod = 4;
    return plan;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }

  static fs::path* dir_;
  static sample::M4vStream* stream_;
};
fs::path* KlvtoolM4vTest::dir_ = nullptr;
sample::M4vStream* KlvtoolM4vTest::stream_ = nullptr;

TEST_F(KlvtoolM4vTest, InfoGivesKindSizeAndKiB) {
  const ToolRun r = Klvtool("info " + Path("clip.m4v"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "kind: m4v\nwidth: 176\nheight: 144\nsize_kib: " +
                       std::to_string(stream_->bytes.size() / 1024) + "\n");
}

TEST_F(KlvtoolM4vTest, FrameIsThePictureThePlayerShows) {
  const std::string plain = Path("plain.bmp"), filtered = Path("filtered.bmp"), stamped = Path("stamped.bmp");
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + plain + " --deblock 0").status, 0);
  const std::vector<uint8_t> p = sample::ReadBytes(plain);
  ASSERT_EQ(p.size(), 54u + 176u * 3u * 144u);
  EXPECT_EQ(sample::GetLe32(p, 18), 176u);
  EXPECT_EQ(sample::GetLe32(p, 22), 144u);
  EXPECT_EQ(BmpMismatches(p, stream_->reconstructions[5], 144), 0);

  // The camera's filter is the default.
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + filtered).status, 0);
  const std::vector<uint8_t> f = sample::ReadBytes(filtered);
  ASSERT_EQ(f.size(), p.size());
  EXPECT_NE(f, p);
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + filtered + " --deblock 2").status, 0);
  EXPECT_EQ(sample::ReadBytes(filtered), f);
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + filtered + " --deblock 1").status, 0);
  EXPECT_NE(sample::ReadBytes(filtered), f);

  // --stamp: the player's picture is 16 rows taller; the band stays black.
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + stamped + " --stamp --deblock 0").status, 0);
  const std::vector<uint8_t> s = sample::ReadBytes(stamped);
  ASSERT_EQ(s.size(), 54u + 176u * 3u * 160u);
  EXPECT_EQ(sample::GetLe32(s, 22), 160u);
  for (size_t i = 54; i < 54 + 176u * 3u * 16u; ++i) ASSERT_EQ(s[i], 0) << i;
  EXPECT_EQ(BmpMismatches(s, stream_->reconstructions[5], 160), 0);

  // --bw: grey.
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 5 " + plain + " --bw").status, 0);
  const std::vector<uint8_t> g = sample::ReadBytes(plain);
  for (size_t i = 54; i + 2 < g.size(); i += 3) {
    ASSERT_EQ(g[i], g[i + 1]);
    ASSERT_EQ(g[i + 1], g[i + 2]);
  }
}

TEST_F(KlvtoolM4vTest, DecodeCountsUpToTheEndOrTheFirstBadPicture) {
  struct Case {
    const char* file;
    const char* out;
  } cases[] = {
      {"clip.m4v", "decoded 8 bad 0\n"},
      {"junk.m4v", "decoded 5 bad 1\n"},  // playback stops where the junk is
      {"cut.M4V", "decoded 7 bad 1\n"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Klvtool(std::string("decode ") + Path(c.file));
    EXPECT_EQ(r.status, 0) << c.file << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.file;
  }
  const std::string out = Path("pictures");
  ASSERT_EQ(Klvtool("decode " + Path("clip.m4v") + " --out " + out).status, 0);
  int files = 0;
  for (const auto& e : fs::directory_iterator(out)) files += e.path().extension() == ".bmp";
  EXPECT_EQ(files, 8);
  EXPECT_EQ(sample::ReadBytes(out + "/frame00003.bmp").size(), 54u + 176u * 3u * 144u);
}

TEST_F(KlvtoolM4vTest, SaveWritesTheDeblockedPictureAsBmp) {
  const std::string saved = Path("ztfrm00004.bmp"), frame = Path("frame3.bmp");
  ASSERT_EQ(Klvtool("save " + Path("clip.m4v") + " 3 " + saved).status, 0);
  ASSERT_EQ(Klvtool("frame " + Path("clip.m4v") + " 3 " + frame).status, 0);
  EXPECT_EQ(sample::ReadBytes(saved), sample::ReadBytes(frame));
}

TEST_F(KlvtoolM4vTest, FailuresSayWhyOnOneLine) {
  ASSERT_TRUE(sample::WriteBytes(Path("noise.m4v"), std::vector<uint8_t>(3000, 0x5A)));
  ASSERT_TRUE(sample::WriteBytes(Path("a.ztm"), std::vector<uint8_t>(3000, 0)));
  struct Case {
    std::string args;
    std::string err;
  } cases[] = {
      {"info " + Path("missing.m4v"), Path("missing.m4v") + ": File Not Found"},
      {"info " + Path("noise.m4v"), Path("noise.m4v") + ": File Not Found"},
      {"frame " + Path("clip.m4v") + " 8 " + Path("x.bmp"), Path("clip.m4v") + ": picture 8 is beyond the last picture (7)"},
      {"frame " + Path("junk.m4v") + " 6 " + Path("x.bmp"), Path("junk.m4v") + ": picture 5 cannot be decoded"},
      {"save " + Path("cut.M4V") + " 7 " + Path("x.bmp"), Path("cut.M4V") + ": picture 7 cannot be decoded"},
      {"save " + Path("clip.m4v") + " 1 /proc/klv_no_dir/x.bmp", "/proc/klv_no_dir/x.bmp: cannot write the picture"},
      {"decode " + Path("a.ztm"), Path("a.ztm") + ": File Not Found (not a camera stream: its headers cannot be read)"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Klvtool(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err.rfind("klvtool: " + c.err, 0), 0u) << c.args << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_FALSE(fs::exists(Path("x.bmp")));
}

}  // namespace
}  // namespace klv
