// The commands behind Space, Home, End and a click on the motion timeline,
// on the engine with a fake view: they take the buttons' and the seek bar's
// own paths, so the buttons follow; and the timeline's place in the layout.

#include <gtest/gtest.h>

#include "engine/player_fixture.h"
#include "support/avi_writer.h"
#include "support/mpeg4_stream.h"

namespace klv::test {
namespace {

using C = ControlId;

class TransportCommandsTest : public PlayerFixture {
 protected:
  // A small .m4v stream of `pictures` pictures.
  std::string Stream(const std::string& name, int pictures, int64_t createdAt) {
    sample::M4vStreamSpec plan;
    plan.encoder.width = 176;
    plan.encoder.height = 144;
    plan.pictures = pictures;
    const std::string path = Path(name);
    EXPECT_TRUE(sample::WriteBytes(path, sample::BuildM4vStream(plan)));
    created[path] = createdAt;
    return path;
  }
};

TEST_F(TransportCommandsTest, SpacePausesAndPlaysOnTheWayItLastPlayed) {
  PlayList({Movie("a.avi", 20, 1)});
  ASSERT_TRUE(player->state.playing);
  EXPECT_TRUE(player->PlayPauseCommand());
  EXPECT_FALSE(player->state.playing);
  EXPECT_TRUE(player->state.paused);
  EXPECT_TRUE(On(C::sbForward));
  EXPECT_FALSE(On(C::sbPause));
  EXPECT_TRUE(player->PlayPauseCommand());
  EXPECT_TRUE(player->state.playing);
  EXPECT_EQ(player->state.direction, 1);
  Tick(3);
  // Backward, paused, then Space: backward again.
  player->Play(-1);
  EXPECT_TRUE(player->PlayPauseCommand());
  EXPECT_TRUE(player->PlayPauseCommand());
  EXPECT_EQ(player->state.direction, -1);
  EXPECT_TRUE(player->state.playing);
  // Stopped at frame 0 the way back is closed: forward.
  player->Stop();
  EXPECT_FALSE(On(C::sbBackward));
  EXPECT_TRUE(player->PlayPauseCommand());
  EXPECT_EQ(player->state.direction, 1);
  EXPECT_TRUE(player->state.playing);
  // Nothing to play: not used.
  player->ClearCommand();
  EXPECT_FALSE(player->PlayPauseCommand());
}

TEST_F(TransportCommandsTest, GoingToAFrameTakesTheSeekBarsPathAndTheBarFollows) {
  PlayList({Movie("a.avi", 30, 1), Movie("b.avi", 10, 2)});
  // While playing the seek bar is away: nothing moves.
  EXPECT_FALSE(player->GoToFrame(12));
  player->Pause();
  const int shown = view.picturesShown;
  ASSERT_TRUE(player->GoToFrame(12));
  EXPECT_EQ(Frame(), 12);
  EXPECT_EQ(view.picturesShown, shown + 1);
  EXPECT_EQ(view.panels[3], "Frame 13");
  EXPECT_EQ(view.Position(C::tbWhere), 12);
  EXPECT_EQ(view.Position(C::pbWhere), 12);
  for (C id : {C::sbNext, C::sbForward, C::sbSearchForward, C::sbPrevious, C::sbBackward, C::sbSearchBackward})
    EXPECT_TRUE(On(id)) << ControlName(id);
  // Home: frame 0, and the way back closes as the bar at 0 closes it.
  ASSERT_TRUE(player->FirstFrameCommand());
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(view.Position(C::tbWhere), 0);
  for (C id : {C::sbPrevious, C::sbBackward, C::sbSearchBackward}) EXPECT_FALSE(On(id)) << ControlName(id);
  // End: the last frame of this file, not of the list.
  ASSERT_TRUE(player->LastFrameCommand());
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 29);
  EXPECT_EQ(view.Position(C::tbWhere), 29);
  // Out of range is the nearest end.
  ASSERT_TRUE(player->GoToFrame(500));
  EXPECT_EQ(Frame(), 29);
  ASSERT_TRUE(player->GoToFrame(-3));
  EXPECT_EQ(Frame(), 0);
  // The step after a jump goes on from there.
  player->GoToFrame(7);
  player->StepForward();
  EXPECT_EQ(Frame(), 8);
  // A search under way keeps the picture.
  view.text[C::edtMotionThreshold] = "50";
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  ASSERT_TRUE(player->Searching());
  EXPECT_FALSE(player->GoToFrame(3));
  EXPECT_FALSE(player->FirstFrameCommand());
  EXPECT_FALSE(player->PlayPauseCommand());
  player->StopSearchCommand();
}

TEST_F(TransportCommandsTest, HomeRewindsAStreamAndEndLeavesIt) {
  PlayList({Stream("clip.m4v", 8, 1)});
  Tick(3);
  EXPECT_FALSE(player->FirstFrameCommand());  // playing
  player->Pause();
  ASSERT_GT(Frame(), 0);
  EXPECT_FALSE(player->LastFrameCommand());
  EXPECT_FALSE(player->GoToFrame(2));
  EXPECT_TRUE(player->FirstFrameCommand());
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(view.panels[3], "Frame 1");
  EXPECT_FALSE(On(C::sbStop));
  EXPECT_FALSE(player->FirstFrameCommand());  // there already
  // Streams have no timeline.
  EXPECT_EQ(player->timeline.Current(), nullptr);
  EXPECT_FALSE(view.Shown(C::pnlTimeline));
}

TEST_F(TransportCommandsTest, TheTimelineSitsUnderTheSeekBarOfAviMoviesOnly) {
  player->LayoutWindow();
  const int designed = view.BoundsOf(C::gbSeek).height;
  EXPECT_FALSE(view.Shown(C::pnlTimeline));
  const std::string a = Movie("a.avi", 6, 1);
  PlayList({a});
  ASSERT_NE(player->timeline.Current(), nullptr);
  EXPECT_EQ(player->timeline.Current()->Frames(), 6);
  EXPECT_TRUE(view.Shown(C::pnlTimeline));
  const Rect seek = view.BoundsOf(C::gbSeek);
  const Rect where = view.BoundsOf(C::pnlWhere);
  const Rect strip = view.BoundsOf(C::pnlTimeline);
  EXPECT_EQ(seek.height, designed + 14);
  EXPECT_EQ(strip.left, where.left);
  EXPECT_EQ(strip.width, where.width);
  EXPECT_EQ(strip.top, where.top + 32 + 2);
  EXPECT_EQ(strip.height, 12);
  EXPECT_LE(strip.Bottom(), seek.height);
  // The picture gives up the room: the seek group still ends above the status bar.
  EXPECT_EQ(seek.Bottom(), view.BoundsOf(C::StatusBar1).top - 4);
  // A stream's layout takes it away again.
  player->DropFiles({Stream("clip.m4v", 2, 2)});
  player->StartPlayListItem(1);
  EXPECT_FALSE(view.Shown(C::pnlTimeline));
  EXPECT_EQ(view.BoundsOf(C::gbSeek).height, designed);
  EXPECT_EQ(player->timeline.Current(), nullptr);
  // And back to the AVI movie: its values were kept.
  const auto kept = player->timeline.Kept(a);
  player->StartPlayListItem(0);
  EXPECT_TRUE(view.Shown(C::pnlTimeline));
  EXPECT_EQ(player->timeline.Current(), kept);
}

}  // namespace
}  // namespace klv::test
