// .m4v streams in the player: open, layout, the 66 ms clock, the pause at the
// end with the last two good positions, stop and rewind, single steps, the
// deblocking command, About, and Save Current as BMP.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/stream_source.h"
#include "platform/diagnostics.h"
#include "platform/format.h"
#include "player_fixture.h"
#include "support/mpeg4_stream.h"

namespace klv::test {
namespace {

using C = ControlId;

// The colour conversion written out from its formulas: what the player must
// show for a decoded 4:2:0 picture.
void ExpectShows(const FramePicture& pic, const sample::YuvPicture& yuv, const std::string& what) {
  ASSERT_EQ(pic.Width(), yuv.width) << what;
  ASSERT_GE(pic.Height(), yuv.height) << what;
  const auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  int bad = 0;
  for (int y = 0; y < yuv.height; ++y) {
    const uint8_t* row = pic.Row(y);
    for (int x = 0; x < yuv.width; ++x) {
      const int l = 1192 * (yuv.Y(x, y) - 16);
      const size_t c = static_cast<size_t>(y / 2) * static_cast<size_t>(yuv.ChromaWidth()) + static_cast<size_t>(x / 2);
      const int cb = yuv.u[c] - 128, cr = yuv.v[c] - 128;
      bad += row[3 * x] != clamp((l + 2065 * cb) / 1024);
      bad += row[3 * x + 1] != clamp((l - 833 * cr - 401 * cb) / 1024);
      bad += row[3 * x + 2] != clamp((l + 1634 * cr) / 1024);
    }
  }
  EXPECT_EQ(bad, 0) << what;
}

// Enabled transport buttons as letters (as in playback_test.cpp).
std::string Transport(const FakeView& v) {
  const std::pair<C, char> buttons[] = {{C::sbStop, 'S'},     {C::sbPause, 'P'},
                                        {C::sbBackward, 'B'}, {C::sbPrevious, '<'},
                                        {C::sbNext, '>'},     {C::sbForward, 'F'},
                                        {C::sbPrevEvent, '['}, {C::sbNextEvent, ']'}};
  std::string s;
  for (auto [id, letter] : buttons) s += v.Enabled(id) ? letter : '.';
  return s;
}

class M4vPlaybackTest : public PlayerFixture {
 protected:
  static sample::M4vStreamSpec SmallPlan(int pictures = 12) {
    sample::M4vStreamSpec plan;
    plan.encoder.width = 176;
    plan.encoder.height = 144;
    plan.encoder.intraQuant = 2;  // large pictures: several KiB apart
    plan.encoder.interQuant = 3;
    plan.pictures = pictures;
    plan.intraPeriod = 6;
    plan.scene.noise = 6;
    return plan;
  }
  // Writes the stream and remembers what its pictures are.
  std::string Stream(const std::string& name, const sample::M4vStreamSpec& plan, int64_t createdAt = 0) {
    built = sample::BuildM4v(plan);
    const std::string path = Path(name);
    EXPECT_TRUE(sample::WriteBytes(path, built.bytes));
    created[path] = createdAt;
    return path;
  }
  // File position after each picture in KiB, as the player reports it.
  std::vector<int> PositionsKiB() const {
    std::vector<int> kib;
    for (const auto& p : built.pictures) {
      // The decoder stops after the picture's stuffing, where the next one begins.
      kib.push_back(static_cast<int>((p.offset + p.size) / 1024));
    }
    return kib;
  }
  const FramePicture& Shown() const { return *view.shown; }

  sample::M4vStream built;
  RecordingDiagnostics diag;
};

TEST_F(M4vPlaybackTest, OpensWithItsLayoutPictureAndClock) {
  view.timerInterval = 100;
  const std::string path = Stream("clip.m4v", SmallPlan());
  player->state.zoom = 200;
  PlayList({path});
  ASSERT_EQ(player->state.kind, SourceKind::Stream);
  EXPECT_EQ(view.caption, "clip.m4v");
  EXPECT_EQ(view.panels[0], "clip.m4v");
  EXPECT_EQ(view.timerInterval, 66);
  EXPECT_TRUE(view.timerEnabled);
  EXPECT_FALSE(player->state.busy);
  EXPECT_TRUE(view.messages.empty());

  const int kib = static_cast<int>(built.bytes.size() / 1024);
  EXPECT_EQ(player->state.streamSizeKiB, kib);
  EXPECT_EQ(view.range[C::pbWhere], std::make_pair(0, kib));

  // The statistics, speed and search groups go; the play list stays.
  for (C id : {C::gbMotion, C::gbStats, C::gbPlayRate, C::lblRate, C::CameraSettings1, C::EmbedTimestamp1})
    EXPECT_FALSE(view.Shown(id)) << ControlName(id);
  for (C id : {C::gbPlayList, C::Deblock1}) EXPECT_TRUE(view.Shown(id)) << ControlName(id);
  // The picture view has the room up to the play list.
  EXPECT_EQ(view.BoundsOf(C::ScrollBox1).width, 1037 - (278 + 16));
  EXPECT_EQ(view.BoundsOf(C::ScrollBox1).height, 666 - (34 + 52 + 19 + 16));
  EXPECT_EQ(view.BoundsOf(C::Image1).width, 352);
  EXPECT_EQ(view.BoundsOf(C::Image1).height, 288);
  EXPECT_EQ(player->Picture()->Width(), 176);
  EXPECT_EQ(player->Picture()->Height(), 144);
  // Streams play forward only.
  EXPECT_EQ(Transport(view), "SP......");
}

TEST_F(M4vPlaybackTest, EmbedTimeAddsABlackBandThatTheViewSqueezesIn) {
  player->state.embedTime = true;
  player->decoderFlags.g_nDeblockMethod = 0;
  PlayList({Stream("clip.m4v", SmallPlan(3))});
  ASSERT_EQ(player->state.kind, SourceKind::Stream);
  EXPECT_EQ(player->Picture()->Height(), 144 + 16);
  EXPECT_EQ(view.BoundsOf(C::Image1).height, 144);
  Tick();
  ExpectShows(Shown(), built.reconstructions[0], "picture 0");
  // .m4v pictures get no overlays: the band stays black.
  for (int y = 144; y < 160; ++y)
    for (int x = 0; x < 176 * 3; ++x) ASSERT_EQ(Shown().Row(y)[x], 0) << y << "," << x;
}

TEST_F(M4vPlaybackTest, TicksShowEachPictureThenPauseWithTheLastTwoGoodPositions) {
  player->diag = &diag;
  player->decoderFlags.g_nDeblockMethod = 0;
  PlayList({Stream("clip.m4v", SmallPlan())});
  const std::vector<int> kib = PositionsKiB();
  ASSERT_GE(kib.back(), 10);
  for (int k = 0; k < 12; ++k) {
    Tick();
    ASSERT_TRUE(player->state.playing) << k;
    EXPECT_EQ(player->CurrentFrame(), k);
    EXPECT_EQ(view.panels[3], "Frame " + std::to_string(k + 1));
    EXPECT_EQ(view.Position(C::pbWhere), kib[static_cast<size_t>(k)]) << k;
    ExpectShows(Shown(), built.reconstructions[static_cast<size_t>(k)], "picture " + std::to_string(k));
  }
  EXPECT_EQ(view.picturesShown, 12);
  Tick();  // the end of the stream
  EXPECT_FALSE(player->state.playing);
  EXPECT_FALSE(view.timerEnabled);
  EXPECT_EQ(view.panels[4], Format("Last 2 good at = 0x%x, 0x%x", kib[10], kib[11]));
  EXPECT_EQ(view.panels[3], "Frame 12");
  EXPECT_EQ(view.picturesShown, 12);
  EXPECT_EQ(Transport(view), "S...>F..");
  EXPECT_EQ(player->state.bhcCount, 0);
  EXPECT_TRUE(diag.lines.empty());
  // Play again at the end: one tick, and it pauses again with the same text.
  player->Play(1);
  Tick();
  EXPECT_FALSE(player->state.playing);
  EXPECT_EQ(view.panels[4], Format("Last 2 good at = 0x%x, 0x%x", kib[10], kib[11]));
}

TEST_F(M4vPlaybackTest, StopRewindsToTheFirstPictureAndListsTheDeblockingCounts) {
  player->diag = &diag;
  PlayList({Stream("clip.m4v", SmallPlan())});
  Tick(5);
  player->Stop();
  EXPECT_FALSE(player->state.playing);
  EXPECT_EQ(player->CurrentFrame(), 0);
  EXPECT_EQ(view.panels[3], "Frame 1");
  EXPECT_EQ(view.Position(C::pbWhere), PositionsKiB()[0]);
  EXPECT_EQ(Transport(view), "....>F..");
  ASSERT_EQ(diag.lines.size(), 3u);
  EXPECT_EQ(diag.lines[0], "Stopped");
  // Six pictures went through the camera's filter since Play.
  const auto& stats = StreamOf(*player).Decoder().deblockStats();
  EXPECT_GT(stats.defaultFiltered + stats.dcFiltered, 0);
  EXPECT_EQ(diag.lines[1], Format("Def, filt = %d", stats.defaultFiltered));
  EXPECT_EQ(diag.lines[2], Format("DC,  filt = %d", stats.dcFiltered));

  // Steps go on from the rewound picture.
  EXPECT_TRUE(player->KeyStepForward());
  EXPECT_EQ(player->CurrentFrame(), 1);
  EXPECT_EQ(view.panels[3], "Frame 2");
  player->decoderFlags.g_nDeblockMethod = 0;
  player->StepForward();
  ExpectShows(Shown(), built.reconstructions[2], "picture 2 after the rewind");
  EXPECT_EQ(view.panels[3], "Frame 3");

  // Nothing is listed while the diagnostics window is hidden.
  diag.visible = false;
  player->Play(1);
  player->Stop();
  EXPECT_EQ(diag.lines.size(), 3u);
  // Play after Stop starts from the second picture and resets the counts.
  player->Play(1);
  EXPECT_EQ(stats.defaultFiltered + stats.dcFiltered, 0);
  Tick();
  EXPECT_EQ(view.panels[3], "Frame 2");
}

TEST_F(M4vPlaybackTest, StepsAtTheEndShowNothingNew) {
  PlayList({Stream("clip.m4v", SmallPlan(2))});
  player->Pause();
  EXPECT_EQ(Transport(view), "S...>F..");
  player->StepForward();
  player->StepForward();
  EXPECT_EQ(view.panels[3], "Frame 2");
  const int shown = view.picturesShown;
  player->StepForward();  // past the end
  EXPECT_EQ(view.picturesShown, shown);
  EXPECT_EQ(view.panels[3], "Frame 2");
  EXPECT_EQ(player->CurrentFrame(), 1);
}

TEST_F(M4vPlaybackTest, StepPastTheLastAviFrameShowsTheStreamsFirstPicture) {
  player->decoderFlags.g_nDeblockMethod = 0;
  PlayList({Movie("a.avi", 2, 1), Stream("b.m4v", SmallPlan(3), 2)});
  ASSERT_EQ(player->state.kind, SourceKind::Avi);
  player->Pause();
  player->StepForward();  // the AVI's last frame
  player->StepForward();  // into the stream
  ASSERT_EQ(player->state.kind, SourceKind::Stream);
  EXPECT_EQ(player->state.playListIndex, 1);
  EXPECT_EQ(view.panels[3], "Frame 1");
  ExpectShows(Shown(), built.reconstructions[0], "picture 0");
  EXPECT_FALSE(player->state.trackGuard);
  EXPECT_FALSE(On(C::sbPrevious));
  EXPECT_FALSE(On(C::sbBackward));
  EXPECT_TRUE(On(C::sbNext));
  player->StepForward();
  EXPECT_EQ(view.panels[3], "Frame 2");
}

TEST_F(M4vPlaybackTest, StepBackIntoAStreamShowsItsFirstPictureAsAStream) {
  player->decoderFlags.g_nDeblockMethod = 0;
  PlayList({Stream("a.m4v", SmallPlan(3), 1), Movie("b.avi", 3, 2)});
  player->StartPlayListItem(1);
  ASSERT_EQ(player->state.kind, SourceKind::Avi);
  player->Pause();
  player->StepBackward();  // from frame 0 of the AVI into the stream before it
  ASSERT_EQ(player->state.kind, SourceKind::Stream);
  EXPECT_EQ(player->state.playListIndex, 0);
  EXPECT_EQ(view.panels[3], "Frame 1");
  ExpectShows(Shown(), built.reconstructions[0], "picture 0");
  EXPECT_FALSE(On(C::sbPrevious));
  EXPECT_FALSE(On(C::sbBackward));
  EXPECT_TRUE(On(C::sbNext));
  EXPECT_TRUE(On(C::sbForward));
}

TEST_F(M4vPlaybackTest, PicturesFoundAfterSkippedBytesAreCounted) {
  player->diag = &diag;
  sample::M4vStreamSpec plan = SmallPlan(8);
  plan.insertions.push_back({.beforePicture = 3, .kind = sample::StreamInsertion::Kind::Junk, .count = 20});
  plan.insertions.push_back({.beforePicture = 6, .kind = sample::StreamInsertion::Kind::Zeros, .count = 5});
  PlayList({Stream("clip.m4v", plan)});
  Tick(8);
  EXPECT_TRUE(player->state.playing);
  EXPECT_EQ(player->state.bhcCount, 1);
  EXPECT_EQ(diag.lines, std::vector<std::string>({"Frm 3, BHC = 1"}));
  // More than 32 junk bytes: the stream stops there.
  plan.insertions = {{.beforePicture = 3, .kind = sample::StreamInsertion::Kind::Junk, .count = 33}};
  PlayList({Stream("junk.m4v", plan)});
  Tick(4);
  EXPECT_FALSE(player->state.playing);
  EXPECT_EQ(view.panels[3], "Frame 3");
  const std::vector<int> kib = PositionsKiB();
  EXPECT_EQ(view.panels[4], Format("Last 2 good at = 0x%x, 0x%x", kib[1], kib[2]));
}

TEST_F(M4vPlaybackTest, DeblockCommandSwitchesTheFilterForTheNextPicture) {
  sample::M4vStreamSpec plan = SmallPlan(4);
  plan.encoder.intraQuant = 24;  // coarse: the camera's filter has edges to smooth
  plan.encoder.interQuant = 24;
  const std::string path = Stream("coarse.m4v", plan);
  PlayList({path});
  player->Pause();
  ASSERT_EQ(player->decoderFlags.g_nDeblockMethod, 2);

  // The player's pictures are the decoder's with the method of the moment.
  Mpeg4Decoder plain, filtered;
  DecoderFlags off, on;
  off.g_nDeblockMethod = 0;
  plain.SetFlags(&off);
  filtered.SetFlags(&on);
  FramePicture a, b;
  ASSERT_TRUE(a.Create(176, 144) && b.Create(176, 144));
  ASSERT_GT(plain.OpenStream(path), 0);
  ASSERT_GT(filtered.OpenStream(path), 0);
  const auto next = [](Mpeg4Decoder& d, FramePicture& p) {
    EXPECT_GE(d.DecodeNextFrame({&p, false, false}).position, 0);
  };
  const auto same = [](const FramePicture& x, const FramePicture& y) {
    return std::equal(x.Bits(), x.Bits() + x.SizeBytes(), y.Bits());
  };

  player->StepForward();
  next(plain, a);
  next(filtered, b);
  ASSERT_FALSE(same(a, b)) << "the filter changes nothing in this stream";
  EXPECT_TRUE(same(Shown(), b));

  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 0);
  EXPECT_FALSE(view.checked[static_cast<size_t>(C::Deblock1)]);
  player->StepForward();
  next(plain, a);
  next(filtered, b);
  EXPECT_TRUE(same(Shown(), a));
  ExpectShows(Shown(), built.reconstructions[1], "unfiltered picture 1");

  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 2);
  EXPECT_TRUE(view.checked[static_cast<size_t>(C::Deblock1)]);
  player->StepForward();
  next(plain, a);
  next(filtered, b);
  EXPECT_TRUE(same(Shown(), b));
}

TEST_F(M4vPlaybackTest, AboutOnlyWithoutAStream) {
  EXPECT_TRUE(player->AboutAllowed());
  PlayList({Stream("clip.m4v", SmallPlan(2))});
  EXPECT_FALSE(player->AboutAllowed());
  player->ClearCommand();
  EXPECT_TRUE(player->AboutAllowed());
  PlayList({Movie("a.avi", 2)});
  EXPECT_TRUE(player->AboutAllowed());
}

TEST_F(M4vPlaybackTest, SaveCurrentWritesTheShownPictureAsBmp) {
  player->state.embedTime = true;
  PlayList({Stream("clip.m4v", SmallPlan(6))});
  player->Pause();
  for (int i = 0; i < 4; ++i) player->StepForward();
  const std::string out = Path("saved.bmp");
  view.saveAnswers.push_back(out);
  ASSERT_TRUE(player->SaveCurrent(false));
  EXPECT_EQ(view.saveSuggestions.back(), Path("ztfrm00004.bmp"));
  const std::vector<uint8_t> bmp = sample::ReadBytes(out);
  EXPECT_EQ(bmp, EncodeBmp(Shown()));
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(sample::GetLe32(bmp, 18), 176u);
  EXPECT_EQ(sample::GetLe32(bmp, 22), 160u);  // with the band
  // The pop-up menu's command numbers it the same way.
  view.saveAnswers.push_back(std::nullopt);
  EXPECT_FALSE(player->SaveCurrent(true));
  EXPECT_EQ(view.saveSuggestions.back(), Path("ztfrm00004.bmp"));
}

TEST_F(M4vPlaybackTest, AStreamThatCannotBeOpenedLeavesThePlayerUsable) {
  const std::string path = Path("bad.m4v");
  ASSERT_TRUE(sample::WriteBytes(path, std::vector<uint8_t>(4096, 0x5A)));
  created[path] = 0;
  const std::string missing = Path("gone.m4v");
  created[missing] = 1;
  PlayList({path, missing});
  EXPECT_EQ(view.messages, std::vector<MessageKind>({MessageKind::NotFound}));
  EXPECT_EQ(player->state.kind, SourceKind::None);
  EXPECT_FALSE(player->state.busy);
  EXPECT_EQ(Transport(view), "........");
  player->NextCommand();
  EXPECT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(player->state.kind, SourceKind::None);
  // The deblocking menu still answers.
  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 0);
}

TEST_F(M4vPlaybackTest, AStreamBelowOneKiBPlays) {
  sample::M4vStreamSpec plan;
  plan.encoder.width = 32;
  plan.encoder.height = 32;
  plan.encoder.intraQuant = 31;
  plan.encoder.interQuant = 31;
  plan.pictures = 3;
  plan.scene.objects = 0;
  PlayList({Stream("tiny.m4v", plan)});
  ASSERT_LT(built.bytes.size(), 1024u);
  ASSERT_EQ(player->state.kind, SourceKind::Stream);
  EXPECT_TRUE(view.messages.empty());
  player->decoderFlags.g_nDeblockMethod = 0;
  Tick(3);
  EXPECT_EQ(view.panels[3], "Frame 3");
  ExpectShows(Shown(), built.reconstructions[2], "picture 2");
  Tick();
  EXPECT_FALSE(player->state.playing);
  EXPECT_EQ(view.panels[4], "Last 2 good at = 0x0, 0x0");
}

TEST_F(M4vPlaybackTest, AFileCutShortWhilePlayingPausesCleanly) {
  // Small windows, so that the stream crosses several of them.
  constexpr uint32_t kWindow = 16384;
  player->streamWindowForTesting = kWindow;
  const std::string path = Stream("cut.m4v", SmallPlan(16));
  // A picture that begins in one window and ends in the next: the window it
  // begins in is the one being read when the file is cut.
  size_t k = 2;
  while (k < built.pictures.size() &&
         built.pictures[k].offset / kWindow == (built.pictures[k].offset + built.pictures[k].size - 1) / kWindow)
    ++k;
  ASSERT_LT(k, built.pictures.size());
  PlayList({path});
  Tick(static_cast<int>(k));
  ASSERT_TRUE(player->state.playing);
  ASSERT_EQ(view.panels[3], "Frame " + std::to_string(k));
  // The card is pulled out: the file now ends inside picture k.
  std::filesystem::resize_file(path, built.pictures[k].offset + 100);
  Tick();
  EXPECT_FALSE(player->state.playing);
  EXPECT_EQ(view.panels[3], "Frame " + std::to_string(k));
  EXPECT_EQ(view.panels[4].rfind("Last 2 good at = ", 0), 0u);
  // Stop and steps read only what is left (a window that reaches past the
  // new end is not read at all) and never get past the cut.
  player->Stop();
  for (size_t i = 0; i < k + 2; ++i) player->StepForward();
  EXPECT_LE(player->CurrentFrame(), static_cast<int>(k));
}

}  // namespace
}  // namespace klv::test
