// The playback clock and the transport buttons, driven through a fake view.

#include <gtest/gtest.h>

#include "engine/avi_source.h"
#include "player_fixture.h"

namespace klv::test {
namespace {

using C = ControlId;

// Enabled transport buttons as letters: S stop, P pause, B play backward,
// < backward 1 frame, > forward 1 frame, F play forward, [ prev event, ] next event.
std::string Transport(const FakeView& v) {
  const std::pair<C, char> buttons[] = {{C::sbStop, 'S'},     {C::sbPause, 'P'},
                                        {C::sbBackward, 'B'}, {C::sbPrevious, '<'},
                                        {C::sbNext, '>'},     {C::sbForward, 'F'},
                                        {C::sbPrevEvent, '['}, {C::sbNextEvent, ']'}};
  std::string s;
  for (auto [id, letter] : buttons) s += v.Enabled(id) ? letter : '.';
  return s;
}

TEST(RecomputeTimerTest, IntervalAndStepFollowRateAndDecodeTime) {
  struct Case {
    int rate, decodeTime;
    int interval, step, storedDecodeTime;
  } cases[] = {
      {10, -1, 100, 1, 100},  // not yet measured: taken as 100 ms
      {30, 100, 100, 3, 100},
      {10, 250, 250, 2, 250},
      {10, 40, 100, 1, 40},
      {30, 8, 33, 1, 8},
      {1, 5, 1000, 1, 5},
  };
  for (const Case& c : cases) {
    FakeView view;
    Player player(&view);
    player.state.rate = c.rate;
    player.state.decodeTime = c.decodeTime;
    player.RecomputeTimer();
    EXPECT_EQ(view.timerInterval, c.interval) << c.rate << "/" << c.decodeTime;
    EXPECT_EQ(player.state.step, c.step) << c.rate << "/" << c.decodeTime;
    EXPECT_EQ(player.state.decodeTime, c.storedDecodeTime);
    EXPECT_EQ(player.state.frameInterval, 1000 / c.rate);
  }
  FakeView view;
  Player player(&view);
  player.state.rate = 0;
  player.state.direction = 1;
  view.timerInterval = 77;
  player.RecomputeTimer();
  EXPECT_EQ(player.state.step, 0);
  EXPECT_EQ(player.state.direction, 0);
  EXPECT_EQ(view.timerInterval, 77);
}

class PlaybackTest : public PlayerFixture {};

TEST_F(PlaybackTest, TransportFollowsPlayPauseStopStepsAndSeeks) {
  PlayList({Movie("a.avi", 6, 1)});
  ASSERT_EQ(player->state.kind, SourceKind::Avi);
  EXPECT_TRUE(player->state.playing);
  EXPECT_TRUE(view.timerEnabled);
  EXPECT_EQ(Transport(view), "SPB.....");
  EXPECT_TRUE(view.Shown(C::pbWhere));
  EXPECT_FALSE(view.Shown(C::tbWhere));
  EXPECT_EQ(view.BoundsOf(C::pnlWhere).height, 16);

  player->Pause();  // still on frame 0
  EXPECT_EQ(Transport(view), "S...>F.]");
  EXPECT_FALSE(view.timerEnabled);
  EXPECT_TRUE(view.Shown(C::tbWhere));
  EXPECT_FALSE(view.Shown(C::pbWhere));
  EXPECT_EQ(view.BoundsOf(C::pnlWhere).height, 32);

  player->Play(1);
  Tick(2);
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.Position(C::tbWhere), 2);
  EXPECT_EQ(view.Position(C::pbWhere), 2);
  player->Pause();
  EXPECT_EQ(Transport(view), "S.B<>F[]");

  player->Stop();
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(Transport(view), "....>F[]");
  EXPECT_FALSE(player->state.playing);

  player->StepForward();
  EXPECT_EQ(Frame(), 1);
  EXPECT_EQ(Transport(view), "...<>F[]");
  for (int i = 0; i < 4; ++i) player->StepForward();
  EXPECT_EQ(Frame(), 5);  // the last frame
  EXPECT_EQ(Transport(view), "...<.F[]");

  player->StepBackward();
  EXPECT_EQ(Frame(), 4);
  EXPECT_EQ(Transport(view), "...<>F[]");
  for (int i = 0; i < 4; ++i) player->StepBackward();
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(Transport(view), "....>F[]");

  view.UserSeek(3);
  EXPECT_EQ(Frame(), 3);
  EXPECT_EQ(view.panels[3], "Frame 4");
  EXPECT_EQ(Transport(view), "..B<>F[]");
  view.UserSeek(0);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(Transport(view), "....>F[]");

  view.UserSeek(3);
  player->Play(-1);
  EXPECT_EQ(Transport(view), "SP...F..");
  EXPECT_EQ(player->state.direction, -1);
}

TEST_F(PlaybackTest, PlusAndArrowKeysStepOnlyWhileTheirButtonIsEnabled) {
  PlayList({Movie("a.avi", 4, 1)});
  EXPECT_FALSE(player->KeyStepForward());  // playing: Forward 1 Frame is off
  EXPECT_EQ(Frame(), 0);
  player->Pause();
  EXPECT_FALSE(player->KeyStepBackward());  // frame 0 of the first entry
  EXPECT_TRUE(player->KeyStepForward());
  EXPECT_EQ(Frame(), 1);
  EXPECT_TRUE(player->KeyStepBackward());
  EXPECT_EQ(Frame(), 0);
}

TEST_F(PlaybackTest, BackwardPlayWithStepThreeCrossesIntoThePreviousEntryNearItsEnd) {
  const std::string a = Movie("a.avi", 10, 1);
  const std::string b = Movie("b.avi", 10, 2);
  PlayList({a, b});
  player->state.rate = 30;
  player->state.decodeTime = 100;
  player->RecomputeTimer();
  ASSERT_EQ(player->state.step, 3);

  player->NextCommand();
  ASSERT_EQ(Entry(), 1);
  player->Pause();
  view.UserSeek(5);
  ASSERT_EQ(Frame(), 5);
  player->Play(-1);
  Tick();
  EXPECT_EQ(Frame(), 2);
  Tick();
  EXPECT_EQ(Frame(), 0);
  Tick();  // nothing moved: the previous entry opens past its end
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(view.caption, "a.avi");
  EXPECT_TRUE(player->state.playing);
  EXPECT_EQ(player->state.direction, -1);
  Tick();
  EXPECT_EQ(Frame(), 7);  // its last frame minus 2
  EXPECT_EQ(view.panels[3], "Frame 8");
}

TEST_F(PlaybackTest, PlayingPastEitherEndOfTheListWrapsAround) {
  const std::string a = Movie("a.avi", 3, 1);
  const std::string b = Movie("b.avi", 3, 2);
  PlayList({a, b});
  player->NextCommand();  // b, forward, step 1
  ASSERT_EQ(player->state.step, 1);
  Tick(2);
  EXPECT_EQ(Frame(), 2);
  Tick();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(view.caption, "a.avi");
  Tick();
  EXPECT_EQ(Frame(), 1);

  player->Pause();
  player->Play(-1);
  Tick();
  EXPECT_EQ(Frame(), 0);
  Tick();
  EXPECT_EQ(Entry(), 1);  // the last entry, from its end
  EXPECT_EQ(view.caption, "b.avi");
  Tick();
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.selected, 1);
}

TEST_F(PlaybackTest, SingleStepsCrossPlayListEntries) {
  const std::string a = Movie("a.avi", 3, 1);
  const std::string b = Movie("b.avi", 4, 2);
  PlayList({a, b});
  player->Pause();
  player->StepForward();
  player->StepForward();
  ASSERT_EQ(Frame(), 2);

  player->StepForward();  // the last frame of an earlier entry: the next entry at frame 0
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(view.caption, "b.avi");
  EXPECT_EQ(view.panels[3], "Frame 1");

  player->StepBackward();  // frame 0 of the second entry: the first at its last frame
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.caption, "a.avi");
  EXPECT_EQ(view.selected, 0);

  player->StepForward();
  for (int i = 0; i < 3; ++i) player->StepForward();
  ASSERT_EQ(Entry(), 1);
  ASSERT_EQ(Frame(), 3);
  const int shown = view.picturesShown;
  player->StepForward();  // last frame of the last entry: stays
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(Frame(), 3);
  EXPECT_EQ(view.picturesShown, shown + 1);  // the same frame again
  EXPECT_FALSE(player->Enabled(C::sbNext));
}

TEST_F(PlaybackTest, SeekBarSeeksOnlyWhenFocusedAndNotWhileTheSpeedBarHasTheFocus) {
  PlayList({Movie("a.avi", 8, 1)});
  player->Pause();

  // The engine moving the bar (and a bar without focus) does not seek.
  player->StepForward();
  EXPECT_EQ(view.Position(C::tbWhere), 1);
  EXPECT_EQ(Frame(), 1);
  view.SetPosition(C::tbWhere, 6);
  EXPECT_EQ(Frame(), 1);

  player->RateBarFocus(true);
  player->SeekBarFocus(true);
  view.SetPosition(C::tbWhere, 4);
  EXPECT_EQ(Frame(), 1) << "ignored while the speed bar has the focus";
  player->RateBarFocus(false);
  view.SetPosition(C::tbWhere, 5);
  EXPECT_EQ(Frame(), 5);
  player->SeekBarFocus(false);

  // While a file opens (busy) a focused bar's change does not seek either.
  player->SeekBarFocus(true);
  player->state.busy = true;
  view.SetPosition(C::tbWhere, 2);
  EXPECT_EQ(Frame(), 5);
  player->state.busy = false;
}

TEST_F(PlaybackTest, SpeedBarSetsTheRate) {
  PlayList({Movie("a.avi", 4, 1)});
  view.SetPosition(C::tbRate, 0);
  EXPECT_EQ(player->state.rate, 30);
  EXPECT_EQ(view.Text(C::lblRate), "30");
  view.SetPosition(C::tbRate, 29);
  EXPECT_EQ(player->state.rate, 1);
  EXPECT_EQ(view.timerInterval, 1000);
}

TEST_F(PlaybackTest, FirstFileOfAListSetsTheRateLaterFilesKeepIt) {
  sample::MovieSpec first = Small();
  first.scale = 30;
  first.rate = 300;
  sample::MovieSpec second = Small();
  second.scale = 5;
  second.rate = 100;
  const std::string a = Movie("a.avi", 2, 1, first);
  const std::string b = Movie("b.avi", 2, 2, second);
  PlayList({a, b});
  EXPECT_EQ(player->state.rate, 10);
  EXPECT_EQ(view.Position(C::tbRate), 20);
  EXPECT_EQ(view.Text(C::lblRate), "10");
  EXPECT_EQ(view.Text(C::lblCapInterval), "00:00:30");
  EXPECT_EQ(view.panels[1], "64x48");
  EXPECT_EQ(view.panels[2], "Frames = 2");
  EXPECT_EQ(view.timerInterval, 100);
  player->NextCommand();
  EXPECT_EQ(view.caption, "b.avi");
  EXPECT_EQ(player->state.rate, 10);

  // A cleared list starts afresh.
  player->ClearCommand();
  PlayList({b});
  EXPECT_EQ(player->state.rate, 20);
}

TEST_F(PlaybackTest, ZeroCaptureIntervalDoesNotDivideByZero) {
  sample::MovieSpec plan = Small();
  plan.scale = 0;
  plan.rate = 12;
  PlayList({Movie("zero.avi", 3, 1, plan)});
  ASSERT_EQ(player->state.kind, SourceKind::Avi);
  EXPECT_EQ(player->state.rate, 12);
  EXPECT_EQ(view.Text(C::lblCapInterval), "00:00:00");
  Tick();
  EXPECT_EQ(view.Text(C::lblElapsedTime), "0:00:00");
}

TEST_F(PlaybackTest, WideMoviesOpenAtHalfSizeEveryTime) {
  sample::MovieSpec wide = Small();
  wide.width = 1280;
  wide.height = 32;
  const std::string a = Movie("a.avi", 2, 1);
  const std::string w = Movie("wide.avi", 2, 2, wide);
  PlayList({a, w});
  EXPECT_EQ(player->state.zoom, 100);
  player->SetZoom(200);
  player->NextCommand();
  EXPECT_EQ(player->state.zoom, 50);
  EXPECT_EQ(view.BoundsOf(C::Image1).width, 640);
  EXPECT_EQ(view.BoundsOf(C::Image1).height, 16);
  player->CycleZoom();
  EXPECT_EQ(player->state.zoom, 100);
  player->PreviousCommand();
  EXPECT_EQ(player->state.zoom, 100) << "a later narrow file keeps the user's zoom";
  player->NextCommand();
  EXPECT_EQ(player->state.zoom, 50);
  EXPECT_EQ(view.panels[4], "Zoom = 0.50");
}

TEST_F(PlaybackTest, TheAviPlayheadIsClampedToTheFile) {
  PlayList({Movie("a.avi", 10, 1)});
  player->Pause();
  AviSource& avi = *player->Avi();
  avi.AviSetFrame(9);
  EXPECT_FALSE(avi.AviStepFrame(1));
  EXPECT_EQ(avi.CurrentFrame(), 9);
  avi.AviSetFrame(2);
  EXPECT_TRUE(avi.AviStepFrame(-5));
  EXPECT_FALSE(avi.AviStepFrame(-1));
  avi.AviSeekEnd();
  EXPECT_EQ(avi.CurrentFrame(), 10);
  EXPECT_TRUE(avi.AviStepFrame(-3));  // a backward step of k from the end lands on 10 - k
  EXPECT_EQ(avi.CurrentFrame(), 7);
}

TEST_F(PlaybackTest, FrameAndElapsedTimeLabels) {
  PlayList({Movie("a.avi", 20, 1)});  // capture interval 5 s
  player->Pause();
  view.UserSeek(11);
  EXPECT_EQ(view.panels[3], "Frame 12");
  EXPECT_EQ(view.Text(C::lblElapsedTime), "0:00:55");
  EXPECT_EQ(view.captions, StatsCaptions::kInterval);
  EXPECT_EQ(view.Text(C::lblDate), "2010/05/15");
  EXPECT_EQ(view.Text(C::lblTime), "08:00:55");
}

TEST_F(PlaybackTest, EventModeShowsTheEventNumberAndTheEventButtons) {
  sample::MovieSpec plan = Small();
  plan.eventMode = true;
  plan.eventFrames = {3, 7};
  PlayList({Movie("ev.avi", 10, 1, plan)});
  EXPECT_EQ(view.captions, StatsCaptions::kEvent);
  EXPECT_EQ(view.BoundsOf(C::pnlPlayCtrl).width, view.BoundsOf(C::sbNextEvent).Right() + 5);
  player->Pause();
  player->StepForward();
  EXPECT_EQ(view.Text(C::lblElapsedTime), "1 of 3");
  view.UserSeek(5);
  EXPECT_EQ(view.Text(C::lblElapsedTime), "2 of 3");
  view.UserSeek(7);
  EXPECT_EQ(view.Text(C::lblElapsedTime), "3 of 3");

  player->NextEventCommand();  // no marked frame after 7: the last frame
  EXPECT_EQ(Frame(), 9);
  player->PrevEventCommand();
  EXPECT_EQ(Frame(), 7);
  player->PrevEventCommand();
  EXPECT_EQ(Frame(), 3);
  player->PrevEventCommand();  // frame 0 is never examined backward
  EXPECT_EQ(Frame(), 0);
}

TEST_F(PlaybackTest, OtherLanguagesKeepTheirTranslatedStatisticsCaptions) {
  player->language = 3;
  PlayList({Movie("a.avi", 3, 1)});
  Tick();
  EXPECT_EQ(view.Text(C::Label3), "");
  EXPECT_EQ(view.Text(C::Label4), "");
  EXPECT_EQ(view.Text(C::lblElapsedTime), "0:00:05");
}

TEST(PlayerTextTest, LabelsAsTheCameraSoftwarePrintsThem) {
  EXPECT_EQ(FrameLabel(1), "Frame 1");
  EXPECT_EQ(FrameLabel(12), "Frame 12");
  const std::pair<int64_t, const char*> elapsed[] = {
      {0, "0:00:00"},           {59, "0:00:59"},      {3661, "1:01:01"},
      {86399, "23:59:59"},      {86400, "days: 1\n0:00:00"},
      {90061, "days: 1\n1:01:01"}, {10 * 86400 + 7, "days: 10\n0:00:07"}};
  for (auto [s, text] : elapsed) EXPECT_EQ(ElapsedText(s), text) << s;
  EXPECT_EQ(EventNumberText(2, 11), "3 of 12");
  EXPECT_EQ(EventNumberText(0, 0), "1 of 1");
  EXPECT_EQ(CaptureIntervalText(5), "00:00:05");
  EXPECT_EQ(CaptureIntervalText(3725), "01:02:05");
  EXPECT_EQ(CaptureIntervalText(86400), "24:00:00");
}

}  // namespace
}  // namespace klv::test

namespace klv::test {
namespace {

TEST_F(PlaybackTest, ShownFramesDumpTheirCameraRecordWhileTheWindowShows) {
  RecordingDiagnostics diag;
  player->SetDiagnostics(&diag);
  player->settings.ShowDiags = 1;
  player->diagOptions.bShowTimes = true;
  sample::MovieSpec plan = Small();
  plan.tweakOptions = [](int frame, sample::JpegOptions& o) {
    if (frame == 3) o.cameraRecord.reset();  // a frame without a record
  };
  PlayList({Movie("rec.avi", 5, 1, plan)});
  player->Stop();  // shows frame 0
  player->StepForward();
  // Frame 0 then 1: a header line, the time of day, the interval after the first.
  ASSERT_EQ(diag.lines.size(), 5u);
  EXPECT_EQ(diag.lines[0], "--- Frame 0 -----");
  EXPECT_EQ(diag.lines[1], "08:00:00.00");
  EXPECT_EQ(diag.lines[2], "--- Frame 1 -----");
  EXPECT_EQ(diag.lines[4], "FrmInt =   5000 MS");
  EXPECT_EQ(diag.scrolledTo, 5 - 8);
  EXPECT_EQ(diag.frameTimes, 2);
  player->StepForward();
  player->StepForward();  // frame 3 has no record: nothing, not even its header
  EXPECT_EQ(diag.lines.back(), "FrmInt =   5000 MS");
  EXPECT_EQ(diag.lines.size(), 8u);
  player->diagOptions.bShowTimes = false;
  player->StepForward();
  EXPECT_EQ(diag.lines.size(), 8u) << "neither record switch on";
  player->SetDiagnostics(nullptr);
}

TEST_F(PlaybackTest, DiagnosticsGetTheCamerasClockDumpAndBadFrames) {
  RecordingDiagnostics diag;
  player->SetDiagnostics(&diag);
  player->decoderFlags.bDumpRTCData = true;
  sample::MovieSpec plan = Small();
  plan.rtcd = true;
  plan.tweakFrame = [](int frame, std::vector<uint8_t>& jpeg) {
    if (frame == 2) jpeg.resize(jpeg.size() / 2);  // cut short: a bad frame
  };
  PlayList({Movie("rtc.avi", 4, 1, plan)});
  player->Pause();
  ASSERT_EQ(diag.lines.size(), 2u);  // frame 0: two lines of sixteen bytes
  EXPECT_EQ(diag.lines[0].size(), 16u * 3u);
  player->StepForward();
  player->StepForward();  // frame 2 walks its headers, then fails in its data
  ASSERT_EQ(diag.lines.size(), 7u);
  EXPECT_EQ(diag.lines[6].substr(0, 7), "    3: ");
  EXPECT_EQ(diag.badFrames, 1);
  diag.visible = false;
  player->StepForward();
  EXPECT_EQ(diag.lines.size(), 7u);  // a hidden window gets nothing
  player->SetDiagnostics(nullptr);
}

}  // namespace
}  // namespace klv::test
