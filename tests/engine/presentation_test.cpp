// Zoom and the main window's layout.

#include <gtest/gtest.h>

#include "player_fixture.h"

namespace klv::test {
namespace {

using C = ControlId;

class PresentationTest : public PlayerFixture {};

TEST(ZoomTextTest, Texts) {
  const std::pair<int, const char*> cases[] = {
      {0, "Zoom = Variable"}, {50, "Zoom = 0.50"}, {100, "Zoom = 1"},
      {150, "Zoom = 1"},      {200, "Zoom = 2"},   {75, "Zoom = 0.75"}};
  for (auto [zoom, text] : cases) EXPECT_EQ(ZoomText(zoom), text) << zoom;
}

TEST_F(PresentationTest, NothingOpenedShowsA640By480View) {
  player->ApplyZoom();
  EXPECT_EQ(view.BoundsOf(C::Image1).width, 640);
  EXPECT_EQ(view.BoundsOf(C::Image1).height, 480);
  EXPECT_EQ(view.panels[4], "Zoom = 1");
}

TEST_F(PresentationTest, ClicksCycleHalfOneAndTwoAndCentreThePicture) {
  sample::MovieSpec plan = Small();
  plan.width = 320;
  plan.height = 256;
  PlayList({Movie("a.avi", 2, 1, plan)});
  player->SetZoom(50);
  const Size client = view.ScrollBoxClientSize();
  struct Step {
    int zoom, width, height;
    const char* text;
  } steps[] = {{50, 160, 128, "Zoom = 0.50"},
               {100, 320, 256, "Zoom = 1"},
               {200, 640, 512, "Zoom = 2"},
               {50, 160, 128, "Zoom = 0.50"}};
  bool first = true;
  for (const Step& s : steps) {
    if (!first) player->CycleZoom();
    first = false;
    const Rect& r = view.BoundsOf(C::Image1);
    EXPECT_EQ(player->state.zoom, s.zoom);
    EXPECT_EQ(r.width, s.width);
    EXPECT_EQ(r.height, s.height);
    EXPECT_EQ(r.left, r.width < client.width ? (client.width - r.width) / 2 : 0);
    EXPECT_EQ(r.top, r.height < client.height ? (client.height - r.height) / 2 : 0);
    EXPECT_EQ(view.panels[4], s.text);
  }
}

TEST_F(PresentationTest, VariableZoomFillsTheViewAndIgnoresClicks) {
  PlayList({Movie("a.avi", 2, 1)});
  player->SetZoom(0);
  const Size client = view.ScrollBoxClientSize();
  EXPECT_EQ(view.BoundsOf(C::Image1), (Rect{0, 0, client.width, client.height}));
  EXPECT_EQ(view.panels[4], "Zoom = Variable");
  player->CycleZoom();
  EXPECT_EQ(player->state.zoom, 0);
  view.client = {900, 600};
  player->LayoutWindow();
  const Size after = view.ScrollBoxClientSize();
  EXPECT_EQ(view.BoundsOf(C::Image1), (Rect{0, 0, after.width, after.height}));
}

TEST_F(PresentationTest, LayoutOfTheDesignedWindow) {
  struct Case {
    Size client;
    int listHeight;
  } cases[] = {{{1037, 666}, 200}, {{900, 500}, 200}, {{700, 400}, 187}};
  for (const Case& c : cases) {
    view.client = c.client;
    player->LayoutWindow();
    const Rect scroll = view.BoundsOf(C::ScrollBox1);
    EXPECT_EQ(scroll, (Rect{4, 4, c.client.width - 363, c.client.height - (34 + 52 + 19 + 16)}));
    const Rect panel = view.BoundsOf(C::pnlPlayCtrl);
    EXPECT_EQ(panel.top, scroll.Bottom() + 4);
    EXPECT_EQ(panel.left, scroll.width / 2 - panel.width / 2 + 4);
    const Rect seek = view.BoundsOf(C::gbSeek);
    EXPECT_EQ(seek.top, panel.Bottom() + 4);
    EXPECT_EQ(seek.width, scroll.width);
    EXPECT_EQ(view.BoundsOf(C::pnlWhere).width, seek.width - 8);
    const Rect rate = view.BoundsOf(C::gbPlayRate);
    EXPECT_EQ(rate, (Rect{scroll.width + 4, 4, 73, scroll.height}));
    EXPECT_EQ(view.BoundsOf(C::lblRate).left, rate.left);
    EXPECT_EQ(view.BoundsOf(C::lblRate).top, panel.top);
    const Rect stats = view.BoundsOf(C::gbStats);
    EXPECT_EQ(stats.left, rate.Right() + 4);
    EXPECT_EQ(stats.top, 4);
    const Rect motion = view.BoundsOf(C::gbMotion);
    EXPECT_EQ(motion.left, stats.Right() + 4);
    const Rect list = view.BoundsOf(C::gbPlayList);
    EXPECT_EQ(list.left, stats.left);
    EXPECT_EQ(list.top, motion.Bottom() + 4);
    EXPECT_EQ(list.height, c.listHeight) << c.client.height;
    const Rect box = view.BoundsOf(C::lbPlayList);
    const Rect path = view.BoundsOf(C::lblFilePath);
    const Rect buttons = view.BoundsOf(C::pnlPLControls);
    EXPECT_EQ(box.height, list.height - (box.top + buttons.height + path.height + 12));
    EXPECT_EQ(path.top, box.Bottom() + 4);
    EXPECT_EQ(buttons.top, path.Bottom() + 4);
    EXPECT_EQ(view.BoundsOf(C::StatusBar1),
              (Rect{0, c.client.height - 19, c.client.width, 19}));
  }
}

TEST_F(PresentationTest, TransportPanelEndsAfterPlayForwardOutsideEventMode) {
  PlayList({Movie("a.avi", 2, 1)});
  const Rect panel = view.BoundsOf(C::pnlPlayCtrl);
  EXPECT_EQ(panel.width, view.BoundsOf(C::sbForward).Right() + 5);
  EXPECT_EQ(panel.left, view.BoundsOf(C::ScrollBox1).width / 2 - panel.width / 2 + 4);
  EXPECT_EQ(view.range[C::tbWhere], (std::pair<int, int>{0, 1}));
}

TEST_F(PresentationTest, SeekAndProgressMaximaAndTicks) {
  PlayList({Movie("a.avi", 250, 1)});
  EXPECT_EQ(view.range[C::tbWhere].second, 249);
  EXPECT_EQ(view.range[C::pbWhere].second, 249);
  EXPECT_EQ(view.tickFrequency[C::tbWhere], 2);
}

TEST_F(PresentationTest, StampIsDrawnFromTheNextFrameOn) {
  PlayList({Movie("a.avi", 3, 1)});
  player->Pause();
  player->EmbedTimestampCommand();
  EXPECT_TRUE(player->state.embedTime);
  EXPECT_TRUE(view.checked[static_cast<size_t>(C::EmbedTimestamp1)]);
  player->StepForward();
  // The bottom band is black with white glyph pixels.
  const FramePicture& p = *player->Picture();
  bool white = false;
  for (int y = p.Height() - 16; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const uint8_t* px = p.Row(y) + x * 3;
      ASSERT_TRUE((px[0] == 0 && px[1] == 0 && px[2] == 0) ||
                  (px[0] == 255 && px[1] == 255 && px[2] == 255));
      white = white || px[0] == 255;
    }
  EXPECT_TRUE(white);
}

}  // namespace
}  // namespace klv::test
