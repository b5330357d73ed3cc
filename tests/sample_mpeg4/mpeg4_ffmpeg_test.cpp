// The writer's streams through ffmpeg's MPEG-4 decoder (an independent
// decoder), when ffmpeg is installed. ffmpeg reconstructs by the standard, not
// by the camera's arithmetic, so pictures are compared loosely: with
// quant_type 1 in the layer header (MPEG quantisation with the default
// matrices, which the camera refuses but ffmpeg applies) intra pictures come
// within about 50 dB of the writer's and P pictures drift slowly (rounding);
// with quant_type 0 (H.263 quantisation) they differ more.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "support/mpeg4_stream.h"
#include "support/ztm_writer.h"

namespace klv::sample {
namespace {

bool HaveFfmpeg() {
  static const bool have = std::system("ffmpeg -version > /dev/null 2>&1") == 0;
  return have;
}

struct Decoded {
  bool ok = false;
  std::string errors;
  std::vector<YuvPicture> pictures;
};

Decoded RunFfmpeg(const std::vector<uint8_t>& stream, int width, int height, const std::string& name) {
  const std::string dir = ::testing::TempDir();
  const std::string in = dir + "klv_" + name + ".m4v", out = dir + "klv_" + name + ".yuv",
                    err = dir + "klv_" + name + ".err";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(stream.data()),
                                            static_cast<std::streamsize>(stream.size()));
  const std::string cmd = "ffmpeg -nostdin -v error -err_detect +explode -f m4v -i '" + in +
                          "' -vsync passthrough -f rawvideo -pix_fmt yuv420p -y '" + out + "' 2> '" + err + "'";
  Decoded d;
  d.ok = std::system(cmd.c_str()) == 0;
  std::ifstream e(err);
  d.errors.assign(std::istreambuf_iterator<char>(e), {});
  std::ifstream y(out, std::ios::binary);
  const std::vector<uint8_t> raw((std::istreambuf_iterator<char>(y)), {});
  const size_t frame = static_cast<size_t>(width) * height * 3 / 2;
  for (size_t at = 0; at + frame <= raw.size(); at += frame) {
    YuvPicture p = YuvPicture::Make(width, height);
    const auto* b = raw.data() + at;
    p.y.assign(b, b + p.y.size());
    p.u.assign(b + p.y.size(), b + p.y.size() + p.u.size());
    p.v.assign(b + p.y.size() + p.u.size(), b + frame);
    d.pictures.push_back(std::move(p));
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(err.c_str());
  return d;
}

#define REQUIRE_FFMPEG() \
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed"

M4vStreamSpec Qcif(int pictures) {
  M4vStreamSpec s;
  s.pictures = pictures;
  s.encoder.overrides.quantType = 1;
  return s;
}

TEST(Mpeg4Ffmpeg, CameraStreamDecodes) {
  REQUIRE_FFMPEG();
  M4vStreamSpec s;  // exactly what the camera accepts
  s.pictures = 8;
  s.intraPeriod = 5;
  const M4vStream m = BuildM4v(s);
  const Decoded d = RunFfmpeg(m.bytes, 176, 144, "camera");
  ASSERT_TRUE(d.ok) << d.errors;
  EXPECT_EQ(d.errors, "");
  ASSERT_EQ(d.pictures.size(), 8u);
  for (size_t k = 0; k < 8; ++k) EXPECT_GT(Psnr(d.pictures[k], m.reconstructions[k]), 34.0) << k;
}

TEST(Mpeg4Ffmpeg, CodingOptionsDecodeClose) {
  REQUIRE_FFMPEG();
  struct Case {
    const char* name;
    std::function<void(M4vStreamSpec&)> set;
    double intraDb, interDb;
  };
  const Case cases[] = {
      {"plain", [](auto&) {}, 48, 40},
      {"escapes", [](auto& s) { s.encoder.plantEscapes = true; }, 48, 40},
      {"escape3", [](auto& s) { s.encoder.forceEscape3 = true; }, 48, 40},
      {"stuffing", [](auto& s) { s.encoder.stuffingEvery = 7; s.encoder.stuffingCount = 2; }, 48, 40},
      {"dc in tcoef", [](auto& s) { s.encoder.intraDcVlcThreshold = 7; }, 48, 40},
      {"fcode 3", [](auto& s) { s.encoder.fcode = 3; }, 48, 40},
      {"intra in P", [](auto& s) { s.encoder.intraMbsInP = {0, 1, 50, 98}; }, 48, 40},
      {"ac prediction", [](auto& s) { s.encoder.acPrediction = true; }, 48, 40},
      {"four vectors", [](auto& s) { s.encoder.fourVectorMbs = {5, 20, 40, 98}; }, 48, 40},
      {"not coded", [](auto& s) { s.scene.panX = s.scene.panY = 0; }, 48, 44},
      {"quant 31", [](auto& s) { s.encoder.intraQuant = s.encoder.interQuant = 31; }, 55, 45},
      {"group of vop", [](auto& s) { s.groupOfVopBeforeIntra = true; s.intraPeriod = 3; }, 48, 42},
      {"layer options", [](auto& s) {
         s.encoder.volControlParameters = s.encoder.vbvParameters = s.encoder.layerIdentifier = true;
         s.encoder.timeIncrementResolution = 30;
       }, 48, 40},
  };
  for (const Case& c : cases) {
    M4vStreamSpec s = Qcif(6);
    c.set(s);
    const M4vStream m = BuildM4v(s);
    const Decoded d = RunFfmpeg(m.bytes, 176, 144, "opt");
    ASSERT_TRUE(d.ok) << c.name << ": " << d.errors;
    EXPECT_EQ(d.errors, "") << c.name;
    ASSERT_EQ(d.pictures.size(), 6u) << c.name;
    for (size_t k = 0; k < 6; ++k) {
      const double db = Psnr(d.pictures[k], m.reconstructions[k]);
      EXPECT_GT(db, k == 0 ? c.intraDb : c.interDb) << c.name << " picture " << k;
    }
  }
}

TEST(Mpeg4Ffmpeg, StreamsTheCameraDecodesDifferently) {
  REQUIRE_FFMPEG();
  // These decode without errors; ffmpeg's pictures differ by design: odd vectors are
  // half pixels there, outward edge vectors are applied, dquant reaches its
  // dequantiser (quantisers 2 .. 4 keep the DC scalers equal), B-VOPs reorder.
  struct Case {
    const char* name;
    std::function<void(M4vStreamSpec&)> set;
    size_t frames;
    double intraDb = 40;
  };
  const Case cases[] = {
      {"odd vectors", [](auto& s) { s.encoder.oddVectors = true; }, 6},
      {"edge vectors", [](auto& s) { s.encoder.edgeOutwardVectors = true; }, 6},
      {"scripted", [](auto& s) {
         s.encoder.vectorScript = [](int, int x, int y) -> std::optional<MotionVector> {
           return MotionVector {(x % 3 - 1) * 40 + (y % 2 ? -200 : 200), (y % 3 - 1) * 30};
         };
       }, 6},
      {"dquant", [](auto& s) {
         s.encoder.intraQuant = s.encoder.interQuant = 2;
         s.encoder.dquantPattern = {1, -1, 2, -2};
       }, 6, 25},
      {"bidirectional", [](auto& s) {
         s.encoder.timeIncrementPerPicture = 2;
         s.types = {PictureType::Intra, PictureType::Inter, PictureType::Inter, PictureType::Bidirectional};
       }, 6},
  };
  for (const Case& c : cases) {
    M4vStreamSpec s = Qcif(6);
    c.set(s);
    const M4vStream m = BuildM4v(s);
    const Decoded d = RunFfmpeg(m.bytes, 176, 144, "diff");
    EXPECT_TRUE(d.ok) << c.name << ": " << d.errors;
    EXPECT_GE(d.pictures.size(), c.frames) << c.name;
    ASSERT_FALSE(d.pictures.empty()) << c.name;
    EXPECT_GT(Psnr(d.pictures[0], m.reconstructions[0]), c.intraDb) << c.name;
  }
}

TEST(Mpeg4Ffmpeg, ZtmSidePacketsAreUserData) {
  REQUIRE_FFMPEG();
  ZtmSpec z;
  z.video = Qcif(6);
  z.video.intraPeriod = 3;
  const ZtmFile f = BuildZtm(z);
  const Decoded d = RunFfmpeg(f.bytes, 176, 144, "ztm");
  ASSERT_TRUE(d.ok) << d.errors;
  ASSERT_EQ(d.pictures.size(), 6u);
  for (size_t k = 0; k < 6; ++k) EXPECT_GT(Psnr(d.pictures[k], f.reconstructions[k]), 40.0) << k;
}

}  // namespace
}  // namespace klv::sample
