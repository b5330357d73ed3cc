// klvtool over .ztm recordings: info, frames with their stamp, decode counts,
// and audio: the sound as a PCM WAV, also past a damaged picture and junk the
// reader gives up on; its failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "audio/ima_adpcm.h"
#include "support/adpcm_encoder.h"
#include "support/avi_writer.h"
#include "support/pcm_compare.h"
#include "support/ztm_writer.h"
#include "tool_runner.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

class KlvtoolAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("klvtool_audio_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    sample::ZtmSpec plan;
    plan.video.encoder.width = 96;
    plan.video.encoder.height = 64;
    plan.video.pictures = 30;
    plan.video.intraPeriod = 10;
    plan.audio = sample::SteppingToneAdpcm(sample::SteppingTone(), 30);
    // 40 bytes of junk in front of picture 7's packets: the reader's
    // start-code search gives up there.
    plan.video.insertions.push_back({.beforePicture = 7, .kind = sample::StreamInsertion::Kind::Junk, .count = 40});
    z = sample::BuildZtm(plan);
    // Picture 12's data overwritten: it no longer decodes.
    const size_t vop = z.pictures[12].vopOffset;
    for (size_t i = vop + 5; i < z.pictures[12].endOffset - 2; ++i) z.bytes[i] = 0xFF;
    ASSERT_TRUE(sample::WriteBytes(Path("rec.ZTM"), z.bytes));
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  fs::path dir;
  sample::ZtmFile z;
};

TEST_F(KlvtoolAudioTest, EveryAudioByteDecodedIntoAWav) {
  const ToolRun r = Klvtool("audio " + Path("rec.ZTM") + " " + Path("rec.wav"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<int16_t> expected;
  ImaBlockStream decoder;
  decoder.Put(z.audio.data(), z.audio.size(), expected);
  decoder.Flush(expected);
  EXPECT_EQ(r.out, "bytes " + std::to_string(z.audio.size()) + " samples " + std::to_string(expected.size()) + "\n");
  EXPECT_EQ(sample::PcmOfWav(sample::ReadBytes(Path("rec.wav"))), expected);
  EXPECT_EQ(r.err, "");
}

TEST_F(KlvtoolAudioTest, InfoFrameAndDecodeOfARecording) {
  sample::ZtmSpec plan;
  plan.video.encoder.width = 96;
  plan.video.encoder.height = 64;
  plan.video.pictures = 14;
  plan.video.intraPeriod = 10;
  z = sample::BuildZtm(plan);
  ASSERT_TRUE(sample::WriteBytes(Path("rec.ZTM"), z.bytes));
  const ToolRun info = Klvtool("info " + Path("rec.ZTM"));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out, "kind: ztm\nwidth: 96\nheight: 64\nsize_kib: " + std::to_string(z.bytes.size() / 1024) + "\n");

  // Picture 10 carries a time packet: its stamp is drawn in the band, white
  // glyphs on black; picture 11 has none: a plain light grey band.
  const auto bandPixel = [&](const std::string& bmp, int x) {
    const std::vector<uint8_t> b = sample::ReadBytes(bmp);
    const size_t stride = (96 * 3 + 3) & ~size_t{3};
    EXPECT_EQ(b.size(), 54 + stride * (64 + 16));
    return std::array<int, 3>{b[54 + stride * 4 + 3 * static_cast<size_t>(x)], b[54 + stride * 4 + 3 * static_cast<size_t>(x) + 1],
                              b[54 + stride * 4 + 3 * static_cast<size_t>(x) + 2]};
  };
  ASSERT_EQ(Klvtool("frame " + Path("rec.ZTM") + " 10 " + Path("i.bmp") + " --stamp").status, 0);
  ASSERT_EQ(Klvtool("frame " + Path("rec.ZTM") + " 11 " + Path("p.bmp") + " --stamp").status, 0);
  EXPECT_EQ(bandPixel(Path("p.bmp"), 0), (std::array<int, 3>{200, 208, 212}));
  EXPECT_EQ(bandPixel(Path("i.bmp"), 0), (std::array<int, 3>{0, 0, 0}));
  int white = 0;
  for (int x = 0; x < 96; ++x) white += bandPixel(Path("i.bmp"), x)[0] == 255;
  EXPECT_GT(white, 0) << "the time of day in glyphs";

  const ToolRun decode = Klvtool("decode " + Path("rec.ZTM"));
  EXPECT_EQ(decode.status, 0);
  EXPECT_EQ(decode.out, "decoded 14 bad 0\n");
}

TEST_F(KlvtoolAudioTest, FailuresSayWhyAndLeaveNoFile) {
  auto oneLine = [](const ToolRun& r) {
    return r.err.rfind("klvtool: ", 0) == 0 && r.err.find('\n') == r.err.size() - 1;
  };
  ToolRun r = Klvtool("audio " + Path("rec.ZTM"));
  EXPECT_EQ(r.status, 2);
  r = Klvtool("audio " + Path("missing.ztm") + " " + Path("a.wav"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(oneLine(r)) << r.err;
  ASSERT_TRUE(sample::WriteBytes(Path("clip.m4v"), z.bytes));
  r = Klvtool("audio " + Path("clip.m4v") + " " + Path("a.wav"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(oneLine(r)) << r.err;
  // The output's place is taken by a folder: nothing is left behind.
  fs::create_directories(dir / "taken.wav");
  r = Klvtool("audio " + Path("rec.ZTM") + " " + Path("taken.wav"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(oneLine(r)) << r.err;
  r = Klvtool("audio " + Path("rec.ZTM") + " " + Path("no/such/dir.wav"));
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string> {"clip.m4v", "rec.ZTM", "taken.wav"}));
}

}  // namespace
}  // namespace klv
