// .ztm recordings on the engine with a fake view and a wave device the test
// completes buffer by buffer: the ring of eight pictures, pictures shown as
// their sound is passed on, the end, underruns, steps, seeking and export.

#include <gtest/gtest.h>

#include <numeric>

#include "audio/manual_wave_device.h"
#include "engine/ztm_source.h"
#include "media/avi/frame_clock.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "platform/file_times.h"
#include "platform/format.h"
#include "player_fixture.h"
#include "support/adpcm_encoder.h"
#include "support/ztm_writer.h"

namespace klv::test {
namespace {

using C = ControlId;

class ZtmPlaybackTest : public PlayerFixture {
 protected:
  void SetUp() override {
    PlayerFixture::SetUp();
    player->openWaveDevice = [this](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
      auto d = std::make_unique<ManualWaveDevice>();
      if (!d->Open(std::move(done))) return nullptr;
      device = d.get();
      return d;
    };
  }

  // A recording of `pictures` 176 x 144 pictures at 10 a second with the
  // stepping tone, an intra picture (and its time packet) every `intra`.
  sample::ZtmSpec Plan(int pictures, int intra = 5) {
    sample::ZtmSpec plan;
    plan.video.encoder.width = 176;
    plan.video.encoder.height = 144;
    plan.video.pictures = pictures;
    plan.video.intraPeriod = intra;
    plan.video.scene.noise = 4;
    sample::SteppingTone tone;
    plan.audio = sample::EncodeImaAdpcm(
        sample::SteppingTonePcm(tone, static_cast<size_t>(pictures + 1) * tone.SamplesPerPicture()));
    return plan;
  }
  std::string Recording(const std::string& name, const sample::ZtmSpec& plan, int64_t createdAt = 0) {
    built = sample::BuildZtm(plan);
    const std::string path = Path(name);
    EXPECT_TRUE(sample::WriteBytes(path, built.bytes));
    created[path] = createdAt;
    return path;
  }
  ZtmSource& Ztm() { return *dynamic_cast<ZtmSource*>(player->Source()); }
  // The audio bytes credited to picture k by its last audio packet.
  int Credit(int k) const { return static_cast<int>(built.pictures[static_cast<size_t>(k)].audioPacketLengths.back()); }
  // The device finishes `n` buffers; the event loop comes round after each.
  void Pump(int n = 1) {
    for (int i = 0; i < n && device->CompleteNext(); ++i) view.RunPosted();
  }
  // Picture k of the recording as the player draws it, from a decoder of our own.
  FramePicture Reference(const std::string& path, int k) {
    Mpeg4Decoder d;
    d.OpenStream(path);
    FramePicture p;
    p.Create(d.PictureWidth(), d.PictureHeight());
    for (int i = 0; i <= k; ++i) d.DecodeNextFrame({&p});
    return p;
  }
  static bool Same(const FramePicture& a, const FramePicture& b) {
    return a.SizeBytes() == b.SizeBytes() && std::equal(a.Bits(), a.Bits() + a.SizeBytes(), b.Bits());
  }

  sample::ZtmFile built;
  ManualWaveDevice* device = nullptr;
};

TEST_F(ZtmPlaybackTest, OpensFillsTheRingAndShowsTheSecondPictureFirst) {
  const std::string path = Recording("walk.ztm", Plan(30));
  PlayList({path});
  ASSERT_EQ(player->state.kind, SourceKind::Ztm);
  ASSERT_NE(device, nullptr);
  const int kib = static_cast<int>(built.bytes.size() / 1024);
  EXPECT_EQ(view.range[C::pbWhere], std::make_pair(0, kib));
  EXPECT_EQ(view.range[C::tbWhere], std::make_pair(0, kib / 16));
  for (C id : {C::gbMotion, C::gbStats, C::gbPlayRate, C::lblRate, C::gbPlayList})
    EXPECT_FALSE(view.Shown(id)) << ControlName(id);
  EXPECT_EQ(view.BoundsOf(C::ScrollBox1).width, view.client.width - 16);
  EXPECT_FALSE(view.timerEnabled) << "the sound paces the pictures";
  EXPECT_TRUE(player->state.playing);

  ZtmSource& z = Ztm();
  EXPECT_EQ(z.ShownSlot(), 1);
  EXPECT_EQ(z.DisplayIndex(), 2);
  EXPECT_EQ(z.DecodeIndex(), 0);
  EXPECT_TRUE(Same(*view.shown, Reference(path, 1)));
  // Slot i waits for the sound recorded while it is on show: picture i + 1's.
  EXPECT_EQ(z.RingAudioLength(0), Credit(1) - built.pictures[1].lead);
  for (int i = 1; i < 7; ++i) EXPECT_EQ(z.RingAudioLength(i), Credit(i + 1)) << i;
  // Three buffers to the device, two more filled behind them.
  EXPECT_EQ(device->Written().size(), 3u);
  EXPECT_EQ(z.Audio().fillIndex(), 5);
  EXPECT_EQ(player->Picture(), view.shown);
}

TEST_F(ZtmPlaybackTest, AMovieOpenedAfterARecordingShowsItsGroupsAgain) {
  PlayList({Recording("walk.ztm", Plan(30))});
  ASSERT_FALSE(view.Shown(C::gbPlayList));
  view.openAnswer = std::vector<std::string>{Movie("after.avi", 4)};
  player->OpenFilesCommand();
  ASSERT_EQ(player->state.kind, SourceKind::Avi);
  for (C id : {C::gbMotion, C::gbStats, C::gbPlayRate, C::lblRate, C::gbPlayList})
    EXPECT_TRUE(view.Shown(id)) << ControlName(id);
}

TEST_F(ZtmPlaybackTest, EachPictureFollowsWhenTheSoundBeforeItHasBeenPassedOn) {
  const std::string path = Recording("walk.ztm", Plan(40));
  PlayList({path});
  ZtmSource& z = Ztm();
  // Every completion moves 512 bytes out of the ring; picture after picture
  // is shown as the bytes credited to the one on show are used up.
  for (int n = 1; n <= 40; ++n) {
    Pump();
    int advances = 0;
    int64_t credited = 0;
    for (int k = 3; k < 40; ++k) {
      credited += Credit(k);
      if (credited > int64_t{512} * n) break;
      ++advances;
    }
    ASSERT_EQ(z.FrameCounter(), advances) << n << " buffers";
  }
  // The pictures came in order, each the recording's own.
  EXPECT_TRUE(Same(*view.shown, Reference(path, 1 + z.FrameCounter())));
}

TEST_F(ZtmPlaybackTest, TheEndStopsAndRewindsOrStaysWithPauseOnStop) {
  RecordingDiagnostics diag;
  player->SetDiagnostics(&diag);
  const std::string path = Recording("short.ztm", Plan(14));
  PlayList({path});
  for (int i = 0; i < 200 && player->state.playing; ++i) Pump();
  ASSERT_FALSE(player->state.playing);
  EXPECT_EQ(player->state.streamPos, 0);
  EXPECT_EQ(Ztm().ShownSlot(), 0);
  EXPECT_TRUE(Same(*view.shown, Reference(path, 0))) << "rewound to the first picture";
  EXPECT_NE(std::find(diag.lines.begin(), diag.lines.end(), "Last 2 good at:"), diag.lines.end());
  EXPECT_NE(std::find(diag.lines.begin(), diag.lines.end(), "Stopped"), diag.lines.end());
  EXPECT_TRUE(On(C::sbForward));
  EXPECT_FALSE(On(C::sbStop));

  // Play again from the start; this time the last picture stays.
  player->diagOptions.bPauseOnStop = true;
  player->Play(1);
  ASSERT_TRUE(player->state.playing);
  for (int i = 0; i < 200 && player->state.playing; ++i) Pump();
  ASSERT_FALSE(player->state.playing);
  EXPECT_NE(Ztm().ShownSlot(), 0);
  EXPECT_TRUE(Same(*view.shown, Reference(path, 13))) << "the last picture was shown and stays";
  player->SetDiagnostics(nullptr);
}

TEST_F(ZtmPlaybackTest, AnUnderrunRefillsTheRingAndTheSoundGoesOn) {
  sample::ZtmSpec plan = Plan(200);
  plan.audioBytesPerPicture = 100;  // too little sound to keep two buffers queued
  plan.audio.clear();               // generated bytes of that length
  const std::string path = Recording("thin.ztm", plan);
  PlayList({path});
  const size_t before = device->Written().size();
  ASSERT_GE(before, 1u);
  const int shown = view.picturesShown;
  for (int i = 0; i < 12; ++i) Pump();
  EXPECT_TRUE(player->state.playing);
  EXPECT_GE(device->Written().size(), before + 12) << "the sound restarted each time it ran dry";
  EXPECT_GE(view.picturesShown, shown + 12) << "and the pictures went on with it";
  EXPECT_FALSE(Ztm().AudioStarved());
}

TEST_F(ZtmPlaybackTest, StepsGoFromIntraPictureToIntraPictureAndTheBarsLastStepsDoNothing) {
  RecordingDiagnostics diag;
  player->SetDiagnostics(&diag);
  sample::ZtmSpec plan = Plan(60, 2);
  plan.video.encoder.intraQuant = 2;  // large pictures: the file spans many seek steps
  const std::string path = Recording("steps.ztm", plan);
  PlayList({path});
  player->Stop();  // the first picture
  ASSERT_EQ(player->state.streamPos, 0);
  player->StepForward();
  EXPECT_EQ(player->state.streamPos, static_cast<int>(built.pictures[2].endOffset / 1024));
  EXPECT_TRUE(Same(*view.shown, Reference(path, 2)));
  EXPECT_EQ(view.Position(C::tbWhere), player->state.streamPos / 16);
  EXPECT_EQ(diag.lines.back(), std::to_string(built.pictures[2].firstPacketOffset / 1024)) << "where it landed";
  player->StepForward();
  EXPECT_TRUE(Same(*view.shown, Reference(path, 4)));
  player->StepBackward();
  EXPECT_TRUE(Same(*view.shown, Reference(path, 2)));

  player->Pause();
  const int shown = view.picturesShown;
  const int last = view.range[C::tbWhere].second;
  ASSERT_GT(last, 20);
  view.UserSeek(last - 10);
  EXPECT_EQ(view.picturesShown, shown) << "nothing in the bar's last 16 steps";
  view.UserSeek(1);
  EXPECT_EQ(view.picturesShown, shown + 1);
  int at = 0;  // the first intra picture from 16 KiB on
  while (built.pictures[static_cast<size_t>(at)].firstPacketOffset < 16 * 1024) at += 2;
  EXPECT_TRUE(Same(*view.shown, Reference(path, at)));
  player->SetDiagnostics(nullptr);
}

TEST_F(ZtmPlaybackTest, ZtmRestartRewindsOnlyAPausedRecording) {
  RecordingDiagnostics diag;
  player->SetDiagnostics(&diag);
  const std::string path = Recording("restart.ztm", Plan(30));
  PlayList({path});
  Pump(8);
  const int shown = view.picturesShown;
  player->ZtmRestartCommand();  // playing: nothing
  EXPECT_EQ(view.picturesShown, shown);
  player->Pause();
  player->ZtmRestartCommand();
  EXPECT_TRUE(Same(*view.shown, Reference(path, 0)));
  EXPECT_EQ(player->state.streamPos, 0);
  EXPECT_EQ(diag.lines.back().rfind("DC,  filt = ", 0), 0u);
  player->SetDiagnostics(nullptr);
}

TEST_F(ZtmPlaybackTest, OverlaysSaveAndAFileThatCannotBeOpened) {
  player->state.embedTime = true;
  const std::string path = Recording("stamp.ztm", Plan(12));
  PlayList({path});
  // Picture 1, on show first, has no time packet: a plain light grey band.
  const FramePicture& p1 = *view.shown;
  ASSERT_EQ(p1.Height(), 144 + 16);
  EXPECT_EQ(p1.Row(150)[0], 200);
  EXPECT_EQ(p1.Row(150)[1], 208);
  EXPECT_EQ(p1.Row(150)[2], 212);
  // Picture 5, the next intra picture, has one: the elapsed time, and the
  // file's clock plus that time.
  player->Stop();
  player->StepForward();
  const uint32_t t = built.pictures[5].elapsedHundredths;
  ASSERT_GT(t, 0u);
  EXPECT_EQ(view.panels[2], Format("Elapsed: %2u:%2.2u:%2.2u.%2.2u", t / 360000, (t / 6000) % 60,
                                   (t / 100) % 60, t % 100));
  DosDateTime dos;
  ASSERT_TRUE(LastWriteDosTime(path, &dos));
  const FrameClock clock = ClockFromFileTime(dos.date, dos.time, t / 100);
  EXPECT_EQ(view.panels[3], DateText(clock) + "  " + TimeText(clock));
  EXPECT_EQ(view.shown->Row(150)[0], 0) << "the stamp's band is black";

  view.saveAnswers.push_back(Path("z.bmp"));
  EXPECT_TRUE(player->SaveCurrent(false));
  EXPECT_EQ(view.saveSuggestions.back(),
            Path(Format("ztfrm%6.6x.bmp", static_cast<unsigned>(player->state.streamPos))));
  EXPECT_EQ(sample::ReadBytes(Path("z.bmp")), EncodeBmp(*view.shown));

  // A file that is not a recording: "Error opening ..." and the player goes on.
  ASSERT_TRUE(sample::WriteBytes(Path("bad.ztm"), std::vector<uint8_t>(4000, 7)));
  player->ClearCommand();
  player->StartWithFiles({Path("bad.ztm")});
  ASSERT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_EQ(view.errorBoxes[0], "Error opening " + Path("bad.ztm"));
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(player->state.kind, SourceKind::None);
}

}  // namespace
}  // namespace klv::test
