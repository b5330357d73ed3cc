// Search Forward, Search Backward and Stop Search on the engine with a fake
// view: the threshold box, the walk through the play list, the labels, the
// preview, and the play list's buttons during a search. The fake view's
// search timer stands in for the event loop: RunSearch runs the slices.

#include <gtest/gtest.h>

#include "engine/player_fixture.h"
#include "support/avi_writer.h"
#include "support/jpeg_encoder.h"

namespace klv::test {
namespace {

using C = ControlId;

// Hand-made 64 x 48 frames: every block's luma 100; from frame `motionAt` on
// (when >= 0) block (3, 2) is 200 instead.
std::vector<uint8_t> Frame64(int luma) {
  sample::JpegOptions o;
  sample::QuantTable q;
  q.fill(16);
  q[0] = 8;
  o.lumaQuant = q;
  o.chromaQuant = q;
  sample::JpegCoefficients c = sample::ZeroCoefficients(64, 48);
  for (auto& b : c.y) b[0] = -28;  // 100
  c.Y(3, 2)[0] = static_cast<int16_t>(luma - 128);
  return sample::EncodeJpegCoefficients(c, o);
}

class SearchCommandTest : public PlayerFixture {
 protected:
  std::string Crafted(const std::string& name, int frames, int64_t createdAt, int motionAt = -1) {
    std::vector<std::vector<uint8_t>> f;
    const std::vector<uint8_t> quiet = Frame64(100), moved = Frame64(200);
    for (int i = 0; i < frames; ++i) f.push_back(motionAt >= 0 && i >= motionAt ? moved : quiet);
    const std::string path = Path(name);
    EXPECT_TRUE(sample::WriteBytes(path, sample::WriteAvi({64, 48, 5, 50}, f)));
    created[path] = createdAt;
    return path;
  }
  // A list of files, paused at frame `frame` of entry `entry`, threshold "50".
  void Ready(const std::vector<std::string>& files, int entry = 0, int frame = 0) {
    PlayList(files);
    if (entry != 0) player->StartPlayListItem(entry);
    player->Pause();
    view.UserSeek(frame);
    view.text[C::edtMotionThreshold] = "50";
    view.searchLabels.clear();
  }
  bool Searching() const { return player->Searching(); }
};

TEST_F(SearchCommandTest, FindsMotionInTheThirdFileOpensItSelectsItAndSaysFound) {
  const std::string a = Crafted("a.avi", 8, 1);
  const std::string b = Crafted("b.avi", 6, 2);
  const std::string c = Crafted("c.avi", 9, 3, 5);
  Ready({a, b, c}, 0, 2);
  player->searchSliceMs = 0;

  player->StartForwardSearch();
  EXPECT_TRUE(Searching());
  EXPECT_EQ(player->SearchDirection(), 1);
  EXPECT_EQ(view.searchLabel, 1);
  EXPECT_TRUE(view.searchTimer);
  // While it runs: the transport is off, Stop Search on, the progress bar shown.
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward,
               C::sbNextEvent, C::sbPrevEvent, C::sbSearchForward, C::sbSearchBackward})
    EXPECT_FALSE(On(id)) << ControlName(id);
  EXPECT_TRUE(On(C::sbStopSearch));
  EXPECT_TRUE(view.Shown(C::pbWhere));
  EXPECT_FALSE(view.Shown(C::tbWhere));
  EXPECT_EQ(player->settings.nMotionThreshold, 50);

  // One frame a slice: 3..7 of a, 0..5 of b, 0..5 of c (frame 0 of each file
  // read when it opens).
  const int slices = view.RunSearch();
  EXPECT_EQ(slices, 5 + 5 + 5);
  EXPECT_FALSE(Searching());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(view.selected, 2);
  EXPECT_EQ(view.caption, "c.avi");
  EXPECT_EQ(Frame(), 5);
  EXPECT_EQ(view.searchLabel, 3);
  EXPECT_EQ(view.panels[3], "Frame 6");
  EXPECT_TRUE(player->state.paused);
  EXPECT_EQ(view.searchLabels, (std::vector<int>{1, 3}));
  // Paused: the seek bar back, the buttons as Pause leaves them.
  EXPECT_TRUE(view.Shown(C::tbWhere));
  EXPECT_EQ(view.Position(C::tbWhere), 5);
  EXPECT_TRUE(On(C::sbSearchForward));
  EXPECT_TRUE(On(C::sbSearchBackward));
  EXPECT_FALSE(On(C::sbStopSearch));
  // The preview: the reduced 8 x 6 picture of every frame examined.
  EXPECT_EQ(view.previews, 6 + 6 + 6);
  EXPECT_EQ(view.previewWidth, 8);
  EXPECT_EQ(view.previewHeight, 6);
  EXPECT_EQ(view.previewStride, 24);
  // The last preview shows block (3, 2) bright: luma 200, grey chroma.
  EXPECT_EQ(view.previewBits[static_cast<size_t>(2 * 24 + 3 * 3)], 200);
  EXPECT_EQ(view.previewBits[0], 100);
}

TEST_F(SearchCommandTest, ForwardFromTheLastFrameOfTheLastEntryShowsItAgainWithSearchInactive) {
  const std::string a = Crafted("a.avi", 5, 1);
  const std::string b = Crafted("b.avi", 7, 2);
  Ready({a, b}, 1, 6);
  const int shownBefore = view.picturesShown;
  player->StartForwardSearch();
  view.RunSearch();
  EXPECT_FALSE(Searching());
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(Frame(), 6);
  EXPECT_GT(view.picturesShown, shownBefore);
  EXPECT_EQ(view.searchLabel, 0);
  EXPECT_FALSE(On(C::sbSearchForward));
  EXPECT_FALSE(On(C::sbNext));
}

TEST_F(SearchCommandTest, NoMotionAnywhereEndsAtTheLastFrameOfTheLastEntry) {
  Ready({Crafted("a.avi", 5, 1), Crafted("b.avi", 4, 2), Crafted("c.avi", 1, 3)});
  player->StartForwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(view.searchLabel, 0);
  EXPECT_EQ(view.caption, "c.avi");
}

TEST_F(SearchCommandTest, BackwardWalksIntoEarlierFilesFromTheirLastFrame) {
  // Motion in a: frames 0-2 quiet, 3 on moved. Backward from c, the search
  // stops in a at frame 2, which differs from frame 3 examined before it.
  const std::string a = Crafted("a.avi", 6, 1, 3);
  const std::string b = Crafted("b.avi", 1, 2);  // one frame: nothing to compare, the walk goes on
  const std::string c = Crafted("c.avi", 5, 3);
  Ready({a, b, c}, 2, 3);
  player->StartBackwardSearch();
  EXPECT_EQ(view.searchLabel, 2);
  EXPECT_EQ(player->SearchDirection(), -1);
  view.RunSearch();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.searchLabel, 3);

  // Nothing further back: frame 0 of the first entry, "Search Inactive".
  player->StartBackwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(view.searchLabel, 0);
  EXPECT_FALSE(On(C::sbSearchBackward));
}

TEST_F(SearchCommandTest, ThresholdBoxTakesItsLeadingNumberAndBeepsWithoutOne) {
  Ready({Crafted("a.avi", 6, 1, 4)});
  view.text[C::edtMotionThreshold] = "12abc";
  player->StartForwardSearch();
  EXPECT_EQ(player->settings.nMotionThreshold, 12);
  EXPECT_TRUE(Searching());
  view.RunSearch();
  EXPECT_EQ(Frame(), 4);
  EXPECT_EQ(view.beeps, 0);

  for (const char* text : {"abc", "", "0", "-20"}) {
    SCOPED_TRACE(text);
    view.UserSeek(0);
    view.text[C::edtMotionThreshold] = text;
    const int previews = view.previews;
    const int beeps = view.beeps;
    view.focused.reset();
    player->StartForwardSearch();
    EXPECT_EQ(view.beeps, beeps + 1);
    EXPECT_EQ(view.focused, C::edtMotionThreshold);
    EXPECT_FALSE(Searching());
    EXPECT_FALSE(view.searchTimer);
    EXPECT_EQ(view.previews, previews);
    EXPECT_EQ(Frame(), 0);
    EXPECT_TRUE(view.Shown(C::tbWhere));  // paused again
  }
}

TEST_F(SearchCommandTest, StopSearchLeavesThePictureAtTheFrameReachedAndSaysFound) {
  const std::string a = Crafted("a.avi", 30, 1);
  Ready({a}, 0, 4);
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  for (int i = 0; i < 3; ++i) player->SearchSlice();  // frames 5, 6, 7
  player->StopSearchCommand();
  EXPECT_FALSE(Searching());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_EQ(player->SearchDirection(), 0);
  EXPECT_EQ(Frame(), 7);
  EXPECT_EQ(view.searchLabel, 3);
  EXPECT_EQ(view.Position(C::tbWhere), 7);
  EXPECT_TRUE(On(C::sbSearchForward));
  EXPECT_FALSE(On(C::sbStopSearch));
  // Nothing runs afterwards.
  EXPECT_EQ(view.RunSearch(), 0);
  EXPECT_EQ(Frame(), 7);

  // Stopped before any slice ran: the frame after the start is examined and shown.
  player->StartForwardSearch();
  player->StopSearchCommand();
  EXPECT_EQ(Frame(), 8);
  EXPECT_EQ(view.searchLabel, 3);
}

TEST_F(SearchCommandTest, DoubleClickDuringASearchGoesOnSearchingInTheChosenEntry) {
  const std::string a = Crafted("a.avi", 40, 1, 35);
  const std::string b = Crafted("b.avi", 10, 2);
  const std::string c = Crafted("c.avi", 12, 3, 8);
  Ready({a, b, c});
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  player->SearchSlice();
  player->SearchSlice();
  player->PlayListDoubleClick(2);
  EXPECT_TRUE(Searching());
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(view.caption, "c.avi");
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 8);  // a's motion at 35 was never reached
  EXPECT_EQ(view.searchLabel, 3);

  // Backward: the chosen entry is searched from its last frame down.
  view.UserSeek(11);
  player->StartBackwardSearch();
  player->SearchSlice();
  player->PlayListDoubleClick(0);
  EXPECT_TRUE(Searching());
  EXPECT_EQ(Entry(), 0);
  view.RunSearch();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 34);
  EXPECT_EQ(view.searchLabel, 3);
}

TEST_F(SearchCommandTest, PreviousAndNextDuringASearchStartTheirEntryTheSameWay) {
  const std::string a = Crafted("a.avi", 10, 1, 3);
  const std::string b = Crafted("b.avi", 30, 2);
  const std::string c = Crafted("c.avi", 10, 3, 6);
  Ready({a, b, c}, 1, 0);
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  player->SearchSlice();
  player->NextCommand();
  EXPECT_TRUE(Searching());
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 6);

  view.UserSeek(0);
  player->StartPlayListItem(1);  // b, played
  player->Pause();
  view.UserSeek(20);
  player->StartBackwardSearch();
  player->SearchSlice();
  player->PreviousCommand();
  view.RunSearch();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.searchLabel, 3);
}

TEST_F(SearchCommandTest, AfterASearchHasEndedADoubleClickPlaysTheEntry) {
  const std::string a = Crafted("a.avi", 8, 1, 4);
  const std::string b = Crafted("b.avi", 8, 2, 2);
  Ready({a, b});
  player->StartForwardSearch();
  view.RunSearch();
  ASSERT_EQ(Frame(), 4);
  const int previews = view.previews;
  player->PlayListDoubleClick(1);
  EXPECT_FALSE(Searching());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_TRUE(player->state.playing);
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(view.previews, previews);
}

TEST_F(SearchCommandTest, ClearAndAnUnopenableEntryEndTheSearch) {
  const std::string a = Crafted("a.avi", 20, 1);
  const std::string gone = Crafted("gone.avi", 20, 2, 5);
  Ready({a, gone});
  std::filesystem::remove(gone);
  player->StartForwardSearch();
  view.RunSearch();
  EXPECT_FALSE(Searching());
  EXPECT_EQ(view.messages, (std::vector<MessageKind>{MessageKind::NotFound}));
  EXPECT_FALSE(On(C::sbForward));
  EXPECT_FALSE(On(C::sbSearchForward));
  EXPECT_EQ(view.searchLabel, 0);

  player->ClearCommand();
  const std::string b = Crafted("b.avi", 20, 3);
  PlayList({b});
  player->Pause();
  view.text[C::edtMotionThreshold] = "50";
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  player->SearchSlice();
  player->ClearCommand();
  EXPECT_FALSE(Searching());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_EQ(view.RunSearch(), 0);
  EXPECT_EQ(player->state.playListCount, 0);
  // A file dropped afterwards plays; no search comes back to life.
  player->DropFiles({Crafted("d.avi", 5, 4)});
  EXPECT_TRUE(player->state.playing);
  EXPECT_FALSE(Searching());
}

TEST_F(SearchCommandTest, TheWalkStepsOverEntriesThatAreNotAviMovies) {
  const std::string a = Crafted("a.avi", 6, 1, 4);
  const std::string s = Path("s.m4v");  // never opened: not even a stream
  ASSERT_TRUE(sample::WriteBytes(s, std::vector<uint8_t>(100, 0x5A)));
  created[s] = 2;
  const std::string c = Crafted("c.avi", 6, 3, 2);
  const std::string t = Path("t.m4v");
  ASSERT_TRUE(sample::WriteBytes(t, std::vector<uint8_t>(100, 0x5A)));
  created[t] = 4;
  Ready({a, s, c, t}, 0, 4);
  player->StartForwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 2);
  EXPECT_EQ(view.searchLabel, 3);
  // On past the last movie: its last frame, its entry.
  player->StartForwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 5);
  EXPECT_EQ(view.searchLabel, 0);
  // Backward into a.
  player->StartBackwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 1);  // 1 differs from 2
  player->StartBackwardSearch();
  view.RunSearch();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 3);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(SearchCommandTest, ClosingThePlayerDuringASearchStopsIt) {
  Ready({Crafted("a.avi", 30, 1)});
  player->searchSliceMs = 0;
  player->StartForwardSearch();
  player->SearchSlice();
  player->Shutdown();
  EXPECT_FALSE(view.searchTimer);
  EXPECT_FALSE(player->Searching());
  player->SearchSlice();  // a timer event already queued does nothing
}

}  // namespace
}  // namespace klv::test
