// The clip export read back through FFmpeg's demuxer and decoders: what goes
// in, in which order, how long each picture lasts, the sound of .ztm
// recordings in step with their pictures, motion only, cancel and failure.

#include "export/clip_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "engine/motion_scan.h"
#include "engine/stamp.h"
#include "export/export_test_util.h"
#include "export/mp4_probe.h"
#include "export/scale.h"
#include "media/avi/avi_reader.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "platform/file_times.h"
#include "search/changing_tables_movie.h"
#include "support/adpcm_encoder.h"
#include "support/movie_builder.h"
#include "support/ztm_writer.h"

namespace klv {
namespace {

using test::ProbeMovie;
using test::ScratchDir;

constexpr double kPi = 3.14159265358979323846;

// Every frame of an AVI as the player shows it (empty: it does not decode).
std::vector<FramePicture> PlayerFrames(const std::string& path, bool stamp) {
  AviReader avi;
  JpegDecoder decoder;
  std::vector<FramePicture> out;
  if (avi.AviOpen(path, decoder) != AviOpenStatus::kOk || !decoder.AllocatePlanes(avi.Width(), avi.Height()))
    return out;
  for (int i = 0; i < avi.TotalFrames(); ++i) {
    FramePicture p;
    p.Create(avi.Width(), avi.Height());
    if (ReadAndDecodeFrame(avi, decoder, i, p))
      DrawAviOverlays(avi, decoder.TimeStamp(), p, avi.ElapsedSeconds(i), stamp, nullptr, nullptr);
    else
      p.Release();
    out.push_back(std::move(p));
  }
  return out;
}

// Every picture of a .ztm as the player shows it, stamp band included.
std::vector<FramePicture> PlayerPictures(const std::string& path, bool stamp) {
  Mpeg4Decoder d;
  std::vector<FramePicture> out;
  if (d.OpenStream(path) <= 0) return out;
  DosDateTime t;
  LastWriteDosTime(path, &t);
  for (;;) {
    FramePicture p;
    p.Create(d.PictureWidth(), d.BitmapHeight(stamp));
    const DecodedFrame f = d.DecodeNextFrame({&p});
    if (!f.Shown()) break;
    DrawZtmOverlays(t.date, t.time, f.elapsedTime, stamp, p, nullptr, nullptr);
    out.push_back(std::move(p));
  }
  return out;
}

// Power of `hz` in sound[from, to) (Goertzel), at 16 kHz.
double Power(const std::vector<float>& s, size_t from, size_t to, double hz) {
  const double w = 2 * kPi * hz / 16000.0, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = from; i < to && i < s.size(); ++i) {
    const double s0 = s[i] + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - c * s1 * s2;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

sample::MovieSpec SmallMovie(int frames, int hour) {
  sample::MovieSpec plan;
  plan.width = 320;
  plan.height = 240;
  plan.frames = frames;
  plan.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, hour, 0, 0);
  plan.scene.seed = hour;
  return plan;
}

TEST(ClipExportTest, AviFramesInOrderAtThePlayersRateAndStampedAsThePlayerStamps) {
  ScratchDir dir("clip_avi");
  sample::MovieSpec a = SmallMovie(14, 8), b = SmallMovie(10, 9);
  a.rate = 50;  // 50 / 5 s: 10 frames a second in the player
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "a.avi", a));
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "b.avi", b));
  ClipOptions o;
  o.output = dir / "clip.mp4";
  o.stamp = true;
  ClipExport job;
  std::vector<int64_t> done;
  job.progress = [&](const ClipProgress& p) {
    EXPECT_EQ(p.total, 19);
    done.push_back(p.done);
  };
  // a from frame 4, b up to frame 8.
  const ClipResult r = job.Run({{dir / "a.avi", 4, -1}, {dir / "b.avi", 0, 8}}, o);
  ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
  EXPECT_EQ(r.pictures, 19);
  EXPECT_EQ(r.damaged, 0);
  EXPECT_FALSE(r.sound);
  EXPECT_EQ(done.back(), 19);
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  std::vector<std::string> names = dir.List();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string> {"a.avi", "b.avi", "clip.mp4"}));

  const test::ProbedMovie m = ProbeMovie(o.output, true);
  ASSERT_TRUE(m.ok) << m.error;
  ASSERT_EQ(m.streams.size(), 1u);
  const test::ProbedStream& v = m.streams[0];
  EXPECT_EQ(v.width, 320);
  EXPECT_EQ(v.height, 240);
  EXPECT_EQ(v.rateNum, 10 * v.rateDen);
  EXPECT_EQ(v.storedFrames, 19);
  EXPECT_NEAR(v.duration, 1.9, 1e-3);
  const std::vector<FramePicture> fa = PlayerFrames(dir / "a.avi", true), fb = PlayerFrames(dir / "b.avi", true);
  ASSERT_EQ(m.pictures.size(), 19u);
  for (int k : {0, 5, 9, 10, 18}) {
    const FramePicture& want = k < 10 ? fa[static_cast<size_t>(k + 4)] : fb[static_cast<size_t>(k - 10)];
    EXPECT_GE(test::Psnr(m.pictures[static_cast<size_t>(k)], want, 320, 240), 35.0) << k;
  }
  // The stamps differ from frame to frame: picture 0 is frame 4, not frame 5.
  const auto band = [](const FramePicture& x, const FramePicture& y) {
    FramePicture bx, by;
    bx.Create(x.Width(), 16);
    by.Create(y.Width(), 16);
    for (int r = 0; r < 16; ++r) {
      std::copy_n(x.Row(x.Height() - 16 + r), x.Width() * 3, bx.Row(r));
      std::copy_n(y.Row(y.Height() - 16 + r), y.Width() * 3, by.Row(r));
    }
    return test::Psnr(bx, by, x.Width(), 16);
  };
  EXPECT_GT(band(m.pictures[0], fa[4]), band(m.pictures[0], fa[5]) + 3);

  // --fps: the rate asked for.
  o.rate = {25, 2};
  const ClipResult slow = ClipExport().Run({{dir / "b.avi"}}, o);
  ASSERT_EQ(slow.status, ClipResult::Status::kDone) << slow.error;
  const test::ProbedMovie s = ProbeMovie(o.output, false);
  EXPECT_EQ(s.streams[0].rateNum * 2, 25 * s.streams[0].rateDen);
  EXPECT_NEAR(s.streams[0].duration, 0.8, 1e-3);
}

TEST(ClipExportTest, AMovieOfAnotherSizeIsScaledIntoTheFirstOnBlack) {
  ScratchDir dir("clip_sizes");
  sample::MovieSpec big = SmallMovie(3, 8), small = SmallMovie(3, 9);
  small.width = 160;
  small.height = 128;
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "big.avi", big));
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "small.avi", small));
  ClipOptions o;
  o.output = dir / "clip.mp4";
  const ClipResult r = ClipExport().Run({{dir / "big.avi"}, {dir / "small.avi"}}, o);
  ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
  EXPECT_EQ(r.width, 320);
  EXPECT_EQ(r.height, 240);
  const test::ProbedMovie m = ProbeMovie(o.output, true);
  ASSERT_EQ(m.pictures.size(), 6u);
  // 160 x 128 fits 320 x 240 as 300 x 240, 10 columns of black each side.
  const FramePicture& p = m.pictures[4];
  const FramePicture want = ScalePicture(PlayerFrames(dir / "small.avi", false)[1], 300, 240);
  double edge = 0;
  for (int y = 0; y < 240; ++y)
    for (int x : {0, 5, 314, 319}) edge += p.Row(y)[3 * x] + p.Row(y)[3 * x + 1] + p.Row(y)[3 * x + 2];
  EXPECT_LT(edge / (240 * 4 * 3), 6.0);
  FramePicture inside;
  inside.Create(300, 240);
  for (int y = 0; y < 240; ++y) std::copy_n(p.Row(y) + 30, 900, inside.Row(y));
  EXPECT_GE(test::Psnr(inside, want, 280, 240), 33.0);
}

// The sound of a .ztm as playback credits it: the audio in front of picture
// k plays while picture k - 1 is on show. The tone's pitch steps with the
// picture it was recorded under, so each picture's span of the movie must
// carry its own pitch.
// A 160x112 recording of 40 pictures with the stepping tone.
bool WriteToneRecording(const std::string& path, const sample::SteppingTone& tone) {
  sample::ZtmSpec plan;
  plan.video.encoder.width = 160;
  plan.video.encoder.height = 112;
  plan.video.pictures = 40;
  plan.video.intraPeriod = 10;
  plan.audio = sample::SteppingToneAdpcm(tone, plan.video.pictures);
  return sample::WriteBytes(path, sample::BuildZtmFile(plan));
}

TEST(ClipExportTest, ZtmPicturesLastAsLongAsTheirSoundAndStayWithIt) {
  ScratchDir dir("clip_ztm");
  const sample::SteppingTone tone;
  ASSERT_TRUE(WriteToneRecording(dir / "rec.ztm", tone));
  EXPECT_EQ(PlayerRateOf(dir / "rec.ztm").num, 10 * PlayerRateOf(dir / "rec.ztm").den);

  for (int from : {0, 13}) {
    SCOPED_TRACE(from);
    ClipOptions o;
    o.output = dir / "rec.mp4";
    o.stamp = true;
    o.crf = 16;  // the scene's fine texture, at a small size
    const ClipResult r = ClipExport().Run({{dir / "rec.ztm", from, -1}}, o);
    ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
    EXPECT_TRUE(r.sound);
    EXPECT_EQ(r.pictures, 40 - from);
    EXPECT_EQ(r.rate.num, 10 * r.rate.den);
    const test::ProbedMovie m = ProbeMovie(o.output, true);
    ASSERT_TRUE(m.ok) << m.error;
    const test::ProbedStream* v = m.Find("h264");
    const test::ProbedStream* a = m.Find("aac");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->height, 128) << "the stamp band below the picture, as the player has it";
    EXPECT_EQ(v->storedFrames, 40 - from);
    EXPECT_NEAR(v->duration, (40 - from) / 10.0, 0.1);
    EXPECT_NEAR(a->duration, v->duration, 0.1) << "sound and pictures end within one picture";
    ASSERT_EQ(m.pictures.size(), static_cast<size_t>(40 - from));
    const std::vector<FramePicture> want = PlayerPictures(dir / "rec.ztm", true);
    ASSERT_EQ(want.size(), 40u);
    for (int k : {0, 7, 39 - from})
      EXPECT_GE(test::Psnr(m.pictures[static_cast<size_t>(k)], want[static_cast<size_t>(from + k)], 160, 128), 35.0)
          << k;
    ASSERT_EQ(m.soundRate, 16000);
    int heard = 0;
    for (size_t k = 1; k + 1 < m.pictures.size(); ++k) {
      const double t0 = m.pictureTimes[k], t1 = m.pictureTimes[k + 1];
      EXPECT_NEAR(t1 - t0, 0.1, 0.002) << k;
      // The middle of the picture's span, clear of the encoder's edges.
      const auto at = [&](double t) { return static_cast<size_t>(std::max(0.0, (t - m.soundStart) * 16000)); };
      const size_t s0 = at(t0 + 0.025), s1 = at(t1 - 0.025);
      const int picture = from + static_cast<int>(k);
      const double own = Power(m.sound, s0, s1, tone.HzOfPicture(picture));
      const double before = Power(m.sound, s0, s1, tone.HzOfPicture(picture + tone.steps - 1));
      const double after = Power(m.sound, s0, s1, tone.HzOfPicture(picture + 1));
      heard += own > 20 * before && own > 20 * after;
    }
    EXPECT_EQ(heard, static_cast<int>(m.pictures.size()) - 2);
  }
}

TEST(ClipExportTest, MotionOnlyExportsTheScansRunsWithTheirContext) {
  ScratchDir dir("clip_motion");
  sample::MovieSpec plan = SmallMovie(60, 10);
  plan.scene.objects = {{sample::ShapeKind::Box, 8, 9, 60, 60, 60, 60, 60, 60, 250, 250, 250},
                        {sample::ShapeKind::Box, 40, 42, 200, 120, 200, 120, 60, 60, 20, 20, 20}};
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "m.avi", plan));
  const std::vector<int> motion = sample::ExpectedMotionFrames(plan, 50);
  ASSERT_EQ(motion, (std::vector<int> {8, 10, 40, 43}));
  // Context 2: 6-12 (8 and 10 merged), 38-45.
  std::vector<int> expected;
  for (int f = 6; f <= 12; ++f) expected.push_back(f);
  for (int f = 38; f <= 45; ++f) expected.push_back(f);

  ClipOptions o;
  o.output = dir / "motion.mp4";
  o.stamp = true;
  o.motionOnly = true;
  o.context = 2;
  bool scanned = false;
  ClipExport job;
  job.progress = [&](const ClipProgress& p) { scanned = scanned || p.scanning; };
  const ClipResult r = job.Run({{dir / "m.avi"}}, o);
  ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
  EXPECT_TRUE(scanned);
  EXPECT_EQ(r.pictures, static_cast<int64_t>(expected.size()));
  const test::ProbedMovie m = ProbeMovie(o.output, true);
  ASSERT_EQ(m.pictures.size(), expected.size());
  // Each picture is the frame whose stamp it carries.
  const std::vector<FramePicture> frames = PlayerFrames(dir / "m.avi", true);
  for (size_t k = 0; k < expected.size(); ++k) {
    int best = -1;
    double bestPsnr = 0;
    for (int f = 0; f < 60; ++f) {
      const double p = test::Psnr(m.pictures[k], frames[static_cast<size_t>(f)], 320, 240);
      if (p > bestPsnr) {
        bestPsnr = p;
        best = f;
      }
    }
    EXPECT_EQ(best, expected[k]) << k;
  }

  // A part of the movie: only the runs inside it.
  const ClipResult part = ClipExport().Run({{dir / "m.avi", 30, 59}}, o);
  EXPECT_EQ(part.pictures, 8);
  // A recording among the movies has no motion measure: it goes in whole,
  // with its sound.
  ASSERT_TRUE(WriteToneRecording(dir / "rec.ztm", sample::SteppingTone()));
  const ClipResult card = ClipExport().Run({{dir / "m.avi"}, {dir / "rec.ztm"}}, o);
  ASSERT_EQ(card.status, ClipResult::Status::kDone) << card.error;
  EXPECT_EQ(card.pictures, static_cast<int64_t>(expected.size()) + 40);
  EXPECT_TRUE(card.sound);
  // No motion at all: nothing to export, and nothing written.
  o.threshold = 254;
  const ClipResult none = ClipExport().Run({{dir / "m.avi"}}, o);
  EXPECT_EQ(none.status, ClipResult::Status::kFailed);
  EXPECT_EQ(none.error, "no motion found in the frames to export");
}

TEST(ClipExportTest, AnyNumberOfWorkersMakesTheSameMovie) {
  ScratchDir dir("clip_jobs");
  ASSERT_TRUE(sample::WriteBytes(dir / "t.avi", test::ChangingTablesMovie()));
  std::vector<std::vector<uint8_t>> movies;
  for (int jobs : {1, 3}) {
    ClipOptions o;
    o.output = dir / ("j" + std::to_string(jobs) + ".mp4");
    o.jobs = jobs;
    o.stamp = true;
    const ClipResult r = ClipExport().Run({{dir / "t.avi"}}, o);
    ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
    // Six frames cut short, one that cannot be read, two without a scan.
    EXPECT_EQ(r.pictures, 191);
    EXPECT_EQ(r.damaged, 9);
    movies.push_back(ReadAll(o.output));
  }
  ASSERT_FALSE(movies[0].empty());
  EXPECT_TRUE(movies[0] == movies[1]);
}

TEST(ClipExportTest, CancelAndFailuresLeaveNothingBehind) {
  ScratchDir dir("clip_cancel");
  ASSERT_TRUE(sample::WriteCameraAvi(dir / "a.avi", SmallMovie(40, 8)));
  const auto only = [&] { return dir.List() == std::vector<std::string> {"a.avi"}; };
  ClipOptions o;
  o.output = dir / "out.mp4";
  {
    ClipExport job;
    job.progress = [&](const ClipProgress& p) {
      if (p.done == 3) job.Cancel();
    };
    const ClipResult r = job.Run({{dir / "a.avi"}}, o);
    EXPECT_EQ(r.status, ClipResult::Status::kCancelled);
    EXPECT_TRUE(only());
  }
  {
    std::atomic<bool> stop {false};
    ClipExport job;
    job.progress = [&](const ClipProgress& p) {
      if (p.done == 5) stop = true;
    };
    EXPECT_EQ(job.Run({{dir / "a.avi"}}, o, &stop).status, ClipResult::Status::kCancelled);
    EXPECT_TRUE(only());
  }
  // An output that cannot be written; movies that cannot be read.
  o.output = dir / "no/such/out.mp4";
  ClipResult r = ClipExport().Run({{dir / "a.avi"}}, o);
  EXPECT_EQ(r.status, ClipResult::Status::kFailed);
  EXPECT_EQ(r.error, "cannot write " + o.output + ": No such file or directory");
  o.output = dir / "out.mp4";
  r = ClipExport().Run({{dir / "missing.avi"}, {dir / "notes.txt"}}, o);
  EXPECT_EQ(r.status, ClipResult::Status::kFailed);
  EXPECT_EQ(r.error.rfind(dir / "missing.avi" + ": File Not Found (", 0), 0u) << r.error;
  ASSERT_EQ(r.notes.size(), 2u);
  EXPECT_EQ(r.notes[1], dir / "notes.txt" + ": Unknown Format");
  // Never over a movie being read.
  o.output = dir / "a.avi";
  r = ClipExport().Run({{dir / "a.avi"}}, o);
  EXPECT_EQ(r.error, "cannot write " + o.output + ": it is one of the movies to export");
  o.output = dir / "out.mp4";
  r = ClipExport().Run({{dir / "a.avi", 50, -1}}, o);
  EXPECT_EQ(r.status, ClipResult::Status::kFailed);
  EXPECT_TRUE(only());
  // A movie that cannot be read is left out, the others exported.
  r = ClipExport().Run({{dir / "missing.avi"}, {dir / "a.avi", 0, 1}}, o);
  EXPECT_EQ(r.status, ClipResult::Status::kDone) << r.error;
  EXPECT_EQ(r.pictures, 2);
  EXPECT_EQ(r.notes.size(), 1u);
}

TEST(ClipExportTest, ADamagedFrameIsCountedAndLeftOut) {
  ScratchDir dir("clip_damaged");
  sample::CameraMovie movie = sample::BuildCameraMovie(SmallMovie(8, 8));
  sample::SetFrameChunkId(movie.bytes, movie.layout, 3, "01wb");
  ASSERT_TRUE(sample::WriteBytes(dir / "d.avi", movie.bytes));
  ClipOptions o;
  o.output = dir / "d.mp4";
  const ClipResult r = ClipExport().Run({{dir / "d.avi"}}, o);
  ASSERT_EQ(r.status, ClipResult::Status::kDone) << r.error;
  EXPECT_EQ(r.pictures, 7);
  EXPECT_EQ(r.damaged, 1);
  EXPECT_EQ(ProbeMovie(o.output, false).streams[0].storedFrames, 7);
}

}  // namespace
}  // namespace klv
