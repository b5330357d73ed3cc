#include "export/mp4_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "export/export_test_util.h"
#include "export/mp4_probe.h"

namespace klv {
namespace {

using test::MovingPicture;
using test::ProbeMovie;
using test::ScratchDir;

constexpr double kPi = 3.14159265358979323846;

// `count` samples of a sine at `hz` (16 kHz), continuing from sample `from`.
std::vector<int16_t> Tone(int64_t from, int count, double hz, double amplitude = 8000) {
  std::vector<int16_t> s(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    s[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * hz * (from + i) / 16000.0)));
  return s;
}

double Rms(const std::vector<float>& s, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) sum += double {s[i]} * s[i];
  return std::sqrt(sum / static_cast<double>(std::max<size_t>(1, to - from)));
}

Mp4Options WithSound(int rate) {
  Mp4Options o;
  o.rate = rate;
  o.sound = true;
  return o;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
std::string ReadText(const std::string& path) {
  std::ifstream f(path);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(Mp4WriterTest, PicturesAndToneReadBackAsH264AndAacThatPlayEverywhere) {
  ScratchDir dir("mp4_tone");
  const std::string out = dir / "clip.mp4";
  Mp4Writer w;
  ASSERT_TRUE(w.Open(out, 480, 360, WithSound(10))) << w.Error();
  const sample::Scene scene = test::DrivingScene(480, 360);
  std::vector<FramePicture> shown;
  for (int k = 0; k < 40; ++k) {
    shown.push_back(test::ScenePicture(scene, k));
    ASSERT_TRUE(w.AddPicture(shown.back())) << w.Error();
    const std::vector<int16_t> tone = Tone(k * 1600, 1600, 440);  // one picture's worth
    ASSERT_TRUE(w.AddSound(tone.data(), tone.size())) << w.Error();
  }
  ASSERT_TRUE(w.Finish()) << w.Error();
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(w.Pictures(), 40);
  EXPECT_EQ(w.SoundSamples(), 64000);
  EXPECT_EQ(dir.List(), std::vector<std::string> {"clip.mp4"});

  const test::ProbedMovie m = ProbeMovie(out, true);
  ASSERT_TRUE(m.ok) << m.error;
  EXPECT_TRUE(m.indexFirst) << "the index must come before the pictures for playback while loading";
  ASSERT_EQ(m.streams.size(), 2u);
  const test::ProbedStream* v = m.Find("h264");
  const test::ProbedStream* a = m.Find("aac");
  ASSERT_NE(v, nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(v->width, 480);
  EXPECT_EQ(v->height, 360);
  EXPECT_EQ(v->pixelFormat, "yuv420p");
  EXPECT_EQ(v->profile, "High");
  EXPECT_EQ(v->colorSpace, "bt709");
  EXPECT_EQ(v->rateNum * 1, 10 * v->rateDen);
  EXPECT_EQ(v->storedFrames, 40);
  EXPECT_NEAR(v->duration, 4.0, 1e-3);
  EXPECT_EQ(a->sampleRate, 16000);
  EXPECT_EQ(a->channels, 1);
  EXPECT_NEAR(a->duration, v->duration, 0.1) << "sound and pictures end within one picture of each other";

  ASSERT_EQ(m.pictures.size(), 40u);
  for (int k : {0, 1, 17, 39}) {
    EXPECT_NEAR(m.pictureTimes[static_cast<size_t>(k)], k / 10.0, 1e-3);
    EXPECT_GE(test::Psnr(m.pictures[static_cast<size_t>(k)], shown[static_cast<size_t>(k)], 480, 360), 35.0)
        << "picture " << k;
  }
  // The tone comes back at its level (8000 / 32768 peak) over its whole length.
  ASSERT_EQ(m.soundRate, 16000);
  EXPECT_NEAR(static_cast<double>(m.sound.size()) / 16000.0, 4.0, 0.1);
  EXPECT_NEAR(Rms(m.sound, 1600, 60000), 8000.0 / 32768.0 / std::sqrt(2.0), 0.02);
}

TEST(Mp4WriterTest, SoundStaysWithThePicturesItWasGivenWith) {
  ScratchDir dir("mp4_sync");
  const std::string out = dir / "sync.mp4";
  Mp4Writer w;
  ASSERT_TRUE(w.Open(out, 160, 120, WithSound(10))) << w.Error();
  const sample::Scene scene = test::DrivingScene(160, 120);
  // Silence, then a tone with pictures 12 to 17 only; sound handed over in
  // pieces that do not match the encoder's frames.
  for (int k = 0; k < 30; ++k) {
    ASSERT_TRUE(w.AddPicture(test::ScenePicture(scene, k)));
    const std::vector<int16_t> s = Tone(k * 1600, 1600, 1000, k >= 12 && k <= 17 ? 12000 : 0);
    ASSERT_TRUE(w.AddSound(s.data(), 700));
    ASSERT_TRUE(w.AddSound(s.data() + 700, 900));
  }
  ASSERT_TRUE(w.Finish()) << w.Error();

  const test::ProbedMovie m = ProbeMovie(out, true);
  ASSERT_TRUE(m.ok) << m.error;
  ASSERT_EQ(m.soundRate, 16000);
  size_t onset = 0, end = 0;
  for (size_t i = 0; i < m.sound.size(); ++i) {
    if (std::fabs(m.sound[i]) > 0.15) {
      if (onset == 0) onset = i;
      end = i;
    }
  }
  ASSERT_GT(onset, 0u);
  EXPECT_NEAR(m.soundStart + static_cast<double>(onset) / 16000.0, 1.2, 0.02);
  EXPECT_NEAR(m.soundStart + static_cast<double>(end) / 16000.0, 1.8, 0.02);
  ASSERT_EQ(m.pictureTimes.size(), 30u);
  EXPECT_NEAR(m.pictureTimes[12], 1.2, 1e-3);
}

TEST(Mp4WriterTest, RatesAsFractionsOrWholeNumbers) {
  ScratchDir dir("mp4_rates");
  struct Case {
    FrameRate rate;
    int pictures;
    double seconds;
  };
  for (const Case& c : {Case {{30000, 1001}, 30, 1.001}, Case {5, 10, 2.0}, Case {{1, 2}, 3, 6.0}}) {
    const std::string out = dir / "rate.mp4";
    Mp4Options o;
    o.rate = c.rate;
    Mp4Writer w;
    ASSERT_TRUE(w.Open(out, 96, 64, o)) << w.Error();
    const sample::Scene scene = test::DrivingScene(96, 64);
    for (int k = 0; k < c.pictures; ++k) ASSERT_TRUE(w.AddPicture(test::ScenePicture(scene, k)));
    ASSERT_TRUE(w.Finish()) << w.Error();
    const test::ProbedMovie m = ProbeMovie(out, false);
    ASSERT_TRUE(m.ok) << m.error;
    ASSERT_EQ(m.streams.size(), 1u) << "no sound stream unless asked";
    const test::ProbedStream& v = m.streams[0];
    EXPECT_EQ(static_cast<int64_t>(v.rateNum) * c.rate.den, static_cast<int64_t>(c.rate.num) * v.rateDen)
        << v.rateNum << "/" << v.rateDen;
    EXPECT_EQ(v.storedFrames, c.pictures);
    EXPECT_NEAR(v.duration, c.seconds, 1e-3);
  }
}

TEST(Mp4WriterTest, PicturesOfTheirOwnLengthsOnThePictureClock) {
  ScratchDir dir("mp4_clock");
  const std::string out = dir / "clock.mp4";
  Mp4Options o = WithSound(10);
  o.pictureClock = 16000;  // the sound's samples
  Mp4Writer w;
  ASSERT_TRUE(w.Open(out, 96, 64, o)) << w.Error();
  const int64_t lengths[] = {1600, 800, 2400, 1600, 3200, 1600};
  const sample::Scene scene = test::DrivingScene(96, 64);
  int64_t at = 0;
  for (int k = 0; k < 6; ++k) {
    ASSERT_TRUE(w.AddPicture(test::ScenePicture(scene, k), lengths[k])) << w.Error();
    const std::vector<int16_t> s = Tone(at, static_cast<int>(lengths[k]), 440);
    ASSERT_TRUE(w.AddSound(s.data(), s.size()));
    at += lengths[k];
  }
  ASSERT_TRUE(w.Finish()) << w.Error();
  const test::ProbedMovie m = ProbeMovie(out, true);
  ASSERT_TRUE(m.ok) << m.error;
  const test::ProbedStream* v = m.Find("h264");
  ASSERT_NE(v, nullptr);
  EXPECT_NEAR(v->duration, 0.7, 1e-3) << "the last picture keeps its length";
  EXPECT_NEAR(m.Find("aac")->duration, 0.7, 0.07);
  ASSERT_EQ(m.pictureTimes.size(), 6u);
  const double starts[] = {0, 0.1, 0.15, 0.3, 0.4, 0.6};
  for (size_t k = 0; k < 6; ++k) EXPECT_NEAR(m.pictureTimes[k], starts[k], 1e-4) << k;

  // A picture must last.
  ASSERT_TRUE(w.Open(out, 96, 64, o));
  EXPECT_FALSE(w.AddPicture(test::ScenePicture(scene, 0), 0));
  EXPECT_EQ(w.Error(), "cannot write " + out + ": picture 0 lasts no time");
  o.pictureClock = -1;
  EXPECT_FALSE(w.Open(out, 96, 64, o));
}

TEST(Mp4WriterTest, OddSizesArePaddedToEvenWithoutLosingAColumnOrRow) {
  ScratchDir dir("mp4_odd");
  const std::string out = dir / "odd.mp4";
  Mp4Writer w;
  Mp4Options o;
  o.rate = 25;
  ASSERT_TRUE(w.Open(out, 481, 361, o)) << w.Error();
  EXPECT_EQ(w.EncodedWidth(), 482);
  EXPECT_EQ(w.EncodedHeight(), 362);
  const sample::Scene scene = test::DrivingScene(481, 361);
  std::vector<FramePicture> shown;
  for (int k = 0; k < 8; ++k) {
    shown.push_back(test::ScenePicture(scene, k));
    ASSERT_TRUE(w.AddPicture(shown.back()));
  }
  ASSERT_TRUE(w.Finish()) << w.Error();
  const test::ProbedMovie m = ProbeMovie(out, true);
  ASSERT_TRUE(m.ok) << m.error;
  ASSERT_EQ(m.pictures.size(), 8u);
  const FramePicture& p = m.pictures[5];
  ASSERT_EQ(p.Width(), 482);
  ASSERT_EQ(p.Height(), 362);
  EXPECT_GE(test::Psnr(p, shown[5], 481, 361), 35.0);
  // The last column and row are there, and the padding repeats them.
  double edge = 0, pad = 0;
  for (int y = 0; y < 361; ++y)
    for (int c = 0; c < 3; ++c) {
      edge += std::abs(p.Row(y)[480 * 3 + c] - shown[5].Row(y)[480 * 3 + c]);
      pad += std::abs(p.Row(y)[481 * 3 + c] - p.Row(y)[480 * 3 + c]);
    }
  for (int x = 0; x < 481; ++x)
    for (int c = 0; c < 3; ++c) {
      edge += std::abs(p.Row(360)[x * 3 + c] - shown[5].Row(360)[x * 3 + c]);
      pad += std::abs(p.Row(361)[x * 3 + c] - p.Row(360)[x * 3 + c]);
    }
  EXPECT_LT(edge / ((361 + 481) * 3), 6.0);
  EXPECT_LT(pad / ((361 + 481) * 3), 3.0);
}

TEST(Mp4WriterTest, FailuresSayWhyAndLeaveNothingBehind) {
  ScratchDir dir("mp4_fail");
  Mp4Writer w;
  // Folders that cannot take the file.
  const std::string missing = dir / "no/such/out.mp4";
  EXPECT_FALSE(w.Open(missing, 64, 64));
  EXPECT_EQ(w.Error(), "cannot write " + missing + ": No such file or directory");
  WriteText(dir / "plain", "x");
  const std::string throughFile = dir / "plain/out.mp4";
  EXPECT_FALSE(w.Open(throughFile, 64, 64));
  EXPECT_EQ(w.Error(), "cannot write " + throughFile + ": Not a directory");
  if (::geteuid() != 0) {  // root writes anywhere
    std::filesystem::create_directory(dir / "locked");
    ::chmod((dir / "locked").c_str(), 0555);
    const std::string locked = dir / "locked/out.mp4";
    EXPECT_FALSE(w.Open(locked, 64, 64));
    EXPECT_EQ(w.Error(), "cannot write " + locked + ": Permission denied");
    ::chmod((dir / "locked").c_str(), 0755);
    std::filesystem::remove(dir / "locked");
  }
  std::filesystem::remove(dir / "plain");

  // Settings out of range are refused before anything is made.
  const std::string out = dir / "out.mp4";
  Mp4Options bad;
  bad.crf = 52;
  EXPECT_FALSE(w.Open(out, 64, 64, bad));
  EXPECT_NE(w.Error().find("quality 52"), std::string::npos) << w.Error();
  bad = {};
  bad.rate = {0, 1};
  EXPECT_FALSE(w.Open(out, 64, 64, bad));
  EXPECT_FALSE(w.Open(out, 0, 64));
  bad = {};
  bad.preset = "nonsense";
  EXPECT_FALSE(w.Open(out, 64, 64, bad));
  EXPECT_EQ(w.Error(), "cannot write " + out + ": unknown H.264 preset \"nonsense\"");
  EXPECT_TRUE(dir.List().empty());

  // A failure part way: an earlier file of that name stays as it was.
  WriteText(out, "an earlier export");
  ASSERT_TRUE(w.Open(out, 64, 48));
  ASSERT_TRUE(w.AddPicture(MovingPicture(64, 48, 0)));
  EXPECT_FALSE(w.AddPicture(MovingPicture(64, 50, 1)));
  EXPECT_EQ(w.Error(), "cannot write " + out + ": picture 1 is 64x50, the movie 64x48");
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(w.AddPicture(MovingPicture(64, 48, 1)));
  ASSERT_TRUE(w.Open(out, 64, 48));
  const int16_t s[4] = {};
  EXPECT_FALSE(w.AddSound(s, 4));
  EXPECT_EQ(w.Error(), "cannot write " + out + ": the movie was opened without sound");
  ASSERT_TRUE(w.Open(out, 64, 48));
  EXPECT_FALSE(w.Finish());
  EXPECT_EQ(w.Error(), "cannot write " + out + ": no pictures to write");
  EXPECT_EQ(dir.List(), std::vector<std::string> {"out.mp4"});
  EXPECT_EQ(ReadText(out), "an earlier export");

  // The last step cannot put the file in place: a folder has the name.
  const std::string taken = dir / "taken.mp4";
  std::filesystem::create_directory(taken);
  WriteText(taken + "/inside", "x");
  ASSERT_TRUE(w.Open(taken, 64, 48)) << w.Error();
  ASSERT_TRUE(w.AddPicture(MovingPicture(64, 48, 0)));
  EXPECT_FALSE(w.Finish());
  EXPECT_EQ(w.Error().rfind("cannot write " + taken + ": ", 0), 0u) << w.Error();
  auto names = dir.List();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string> {"out.mp4", "taken.mp4"}));
}

TEST(Mp4WriterTest, ADiskThatFillsUpPartWayLeavesNothingBehind) {
  ScratchDir dir("mp4_full");
  const std::string out = dir / "big.mp4";
  // Files of this process may not grow past 64 KiB: writes then fail as on
  // a full card.
  rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  void (*oldHandler)(int) = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  Mp4Options o;
  o.crf = 0;  // lossless: large pictures
  Mp4Writer w;
  bool ok = w.Open(out, 320, 240, o);
  const sample::Scene scene = test::DrivingScene(320, 240);
  for (int k = 0; ok && k < 20; ++k) ok = w.AddPicture(test::ScenePicture(scene, k));
  if (ok) ok = w.Finish();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(w.Error(), "cannot write " + out + ": File too large");
  EXPECT_FALSE(w.IsOpen());
  EXPECT_TRUE(dir.List().empty());
}

TEST(Mp4WriterTest, AbortOrDestructionBeforeFinishLeavesNothing) {
  ScratchDir dir("mp4_abort");
  const std::string out = dir / "cancelled.mp4";
  {
    Mp4Writer w;
    ASSERT_TRUE(w.Open(out, 64, 48));
    for (int k = 0; k < 5; ++k) ASSERT_TRUE(w.AddPicture(MovingPicture(64, 48, k)));
    // Meanwhile only a hidden temporary file is there.
    const auto names = dir.List();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind(".cancelled.mp4.part", 0), 0u) << names[0];
    w.Abort();
    EXPECT_FALSE(w.IsOpen());
    EXPECT_TRUE(dir.List().empty());
    // The writer starts over cleanly.
    ASSERT_TRUE(w.Open(out, 64, 48));
    ASSERT_TRUE(w.AddPicture(MovingPicture(64, 48, 0)));
    ASSERT_TRUE(w.Finish()) << w.Error();
    EXPECT_EQ(dir.List(), std::vector<std::string> {"cancelled.mp4"});
    std::filesystem::remove(out);
  }
  {
    Mp4Writer w;
    ASSERT_TRUE(w.Open(out, 64, 48, WithSound(30)));
    ASSERT_TRUE(w.AddPicture(MovingPicture(64, 48, 0)));
    const std::vector<int16_t> tone = Tone(0, 3000, 440);
    ASSERT_TRUE(w.AddSound(tone.data(), tone.size()));
  }  // never finished
  EXPECT_TRUE(dir.List().empty());
}

}  // namespace
}  // namespace klv
