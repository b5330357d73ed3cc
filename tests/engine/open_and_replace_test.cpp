// What the player does when a file cannot be opened, when the play list is
// replaced under a playing movie, when a file's rate rounds to nothing, and
// when playback runs on behind the save dialog.

#include <gtest/gtest.h>

#include "engine/avi_source.h"
#include "engine/recording_time.h"
#include "player_fixture.h"
#include "support/avi_writer.h"

namespace klv::test {
namespace {

using C = ControlId;

class OpenAndReplaceTest : public PlayerFixture {};

TEST_F(OpenAndReplaceTest, OpenDuringPlaybackStopsTheOldMovieAndKeepsTheIndexInsideTheList) {
  const std::string a = Movie("a.avi", 4, 1), b = Movie("b.avi", 4, 2), c = Movie("c.avi", 4, 3);
  const std::string d = Movie("d.avi", 6, 4);
  PlayList({a, b, c});
  player->StartPlayListItem(2);
  ASSERT_TRUE(player->state.playing);
  view.openAnswer = std::vector<std::string>{d};
  player->OpenFilesCommand();
  EXPECT_EQ(player->state.playListCount, 1);
  EXPECT_EQ(player->state.playListIndex, 0);
  EXPECT_EQ(view.caption, "d.avi");
  EXPECT_EQ(view.selected, 0);
  player->Pause();
  // Backward steps stay inside the new list: d's frame 0, then nothing more.
  player->StepBackward();
  player->StepBackward();
  EXPECT_EQ(view.caption, "d.avi");
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(player->state.playListIndex, 0);

  // A full list replaced under its second entry: no entry past the new list.
  std::vector<std::string> many;
  for (int i = 0; i < kMaxPlayList; ++i) many.push_back(Movie("m" + std::to_string(i) + ".avi", 2, 10 + i));
  PlayList({a, b});
  player->StartPlayListItem(1);
  view.openAnswer = many;
  player->OpenFilesCommand();
  EXPECT_EQ(player->state.playListCount, kMaxPlayList);
  EXPECT_EQ(player->state.playListIndex, 0);
  player->Pause();
  player->StepBackward();
  EXPECT_EQ(player->state.playListIndex, 0);
  EXPECT_EQ(view.caption, "m0.avi");
}

TEST_F(OpenAndReplaceTest, ARateThatRoundsToZeroPlaysAtOneFrameASecond) {
  sample::MovieSpec plan = Small();
  plan.rate = 1;  // rate word 1, capture interval 5
  PlayList({Movie("slow.avi", 5, 1, plan)});
  EXPECT_EQ(player->state.rate, 1);
  EXPECT_EQ(player->state.direction, 1);
  EXPECT_EQ(view.Position(C::tbRate), 29);
  Tick(2);
  EXPECT_EQ(Frame(), 2);
}

TEST_F(OpenAndReplaceTest, SaveCurrentWritesTheFrameItNamedWhilePlaybackRunsOn) {
  PlayList({Movie("a.avi", 20, 1)});
  Tick(3);
  ASSERT_EQ(Frame(), 3);
  view.whileSaveDialogOpen = [this] { Tick(5); };
  view.saveAnswers.push_back(Path("named.jpg"));
  EXPECT_TRUE(player->SaveCurrent(false));
  EXPECT_EQ(Frame(), 8) << "playback ran on behind the dialog";
  EXPECT_EQ(view.saveSuggestions.back(), Path("ztfrm00004.jpg"));
  EXPECT_EQ(sample::ReadBytes(Path("named.jpg")), sample::BuildCameraFrame(Small(), 3));
}

TEST_F(OpenAndReplaceTest, AFailedOpenClearsThePictureThePanelsAndTheSearch) {
  const std::string good = Movie("good.avi", 6, 1);
  PlayList({good});
  player->Pause();
  ASSERT_TRUE(On(C::sbSearchForward));
  ASSERT_EQ(view.panels[2], "Frames = 6");
  const std::string empty = Path("x.avi");
  ASSERT_TRUE(sample::WriteBytes(empty, {}));
  created[empty] = 2;
  player->ClearCommand();
  player->StartWithFiles({empty});
  EXPECT_FALSE(view.Shown(C::Image1));
  EXPECT_EQ(view.caption, "x.avi");
  for (int panel : {1, 2, 3}) EXPECT_EQ(view.panels[static_cast<size_t>(panel)], "") << panel;
  EXPECT_EQ(view.Text(C::lblCapInterval), "");
  EXPECT_EQ(view.Text(C::lblDate), "");
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) EXPECT_FALSE(On(id));
  EXPECT_EQ(player->Picture(), nullptr);
}

TEST_F(OpenAndReplaceTest, FilesThatCannotBeOpenedSayWhatIsWrong) {
  const std::string empty = Path("x.avi");
  ASSERT_TRUE(sample::WriteBytes(empty, {}));
  const std::string text = Path("y.m4v");
  ASSERT_TRUE(sample::WriteBytes(text, std::vector<uint8_t>(2000, 'a')));
  std::vector<uint8_t> cut = sample::BuildCameraAvi(Small());
  cut.resize(cut.size() / 2);
  const std::string truncated = Path("z.avi");
  ASSERT_TRUE(sample::WriteBytes(truncated, cut));
  for (const std::string& f : {empty, text, truncated}) {
    player->ClearCommand();
    player->StartWithFiles({f});
  }
  ASSERT_EQ(view.messages.size(), 3u);
  for (MessageKind k : view.messages) EXPECT_EQ(k, MessageKind::NotFound);
  EXPECT_EQ(view.reasons[0], "the file is empty");
  EXPECT_EQ(view.reasons[1], "not a camera stream: its headers cannot be read");
  EXPECT_EQ(view.reasons[2], "not a camera movie: no frame index");
}

TEST_F(OpenAndReplaceTest, AnUnattendedRunPassesOverADamagedMovieWithANote) {
  const std::string a = Movie("a.avi", 3, 1), c = Movie("c.avi", 3, 3);
  const std::string b = Path("b.avi");
  ASSERT_TRUE(sample::WriteBytes(b, std::vector<uint8_t>(500, 0)));
  created[b] = 2;
  PlayList({a, b, c});
  Tick(3);  // past a's last frame: b cannot be opened, c plays
  EXPECT_EQ(player->state.playListIndex, 2);
  EXPECT_EQ(view.caption, "c.avi");
  EXPECT_TRUE(player->state.playing);
  EXPECT_TRUE(view.messages.empty()) << "no dialog stops an unattended run";
  ASSERT_EQ(view.skipped.size(), 1u);
  EXPECT_EQ(view.skipped[0], "b.avi: not a camera movie: no frame index");
  // Opened on purpose, the same file still says why in the message window.
  player->StartPlayListItem(1);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.reasons[0], "not a camera movie: no frame index");
  EXPECT_FALSE(player->state.playing);
}

TEST_F(OpenAndReplaceTest, CopiedFilesPlayInTheOrderTheCameraRecordedThem) {
  // Copied in the wrong order: the later recording was written first.
  sample::MovieSpec evening = Small(), morning = Small();
  evening.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, 18, 0, 0);
  morning.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, 7, 0, 0);
  const std::string late = Movie("copy1.avi", 2, 0, evening);
  const std::string early = Movie("copy2.avi", 2, 0, morning);
  player->recordingTime = RecordingTime;
  player->AddToPlayList(late);
  player->AddToPlayList(early);
  ASSERT_EQ(player->state.playListCount, 2);
  EXPECT_EQ(player->playList[0].path, early);
  EXPECT_EQ(player->playList[1].path, late);
  // A movie without stamps takes its file's creation time: now, after both.
  sample::MovieSpec plain = Small();
  plain.timeStamps = false;
  const std::string unstamped = Movie("plain.avi", 2, 0, plain);
  player->AddToPlayList(unstamped);
  EXPECT_EQ(player->playList[2].path, unstamped);
}

}  // namespace
}  // namespace klv::test
