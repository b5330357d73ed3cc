// Next Motion and Previous Motion on the engine with a fake view: the jumps
// land on the first frames of the runs that klvtool scan reports, across the
// play list, whether the motion timeline has the values (decided at once) or
// the frames must be read (a slice at a time, with Stop Search).

#include <gtest/gtest.h>

#include <sstream>

#include "engine/player_fixture.h"
#include "support/avi_writer.h"
#include "timeline/worker_gate.h"
#include "tool/tool_runner.h"

namespace klv::test {
namespace {

using C = ControlId;
using Spot = std::pair<int, int>;  // play-list entry, frame

sample::SceneObject Box(int first, int last, double x0, double x1) {
  return {.shape = sample::ShapeKind::Box, .firstFrame = first, .lastFrame = last, .x0 = x0, .y0 = 60,
          .x1 = x1, .y1 = 60, .width = 32, .height = 32, .r = 12, .g = 12, .b = 12};
}

class MotionRunsTest : public PlayerFixture {
 protected:
  void TearDown() override {
    held_.Open();
    PlayerFixture::TearDown();
  }
  // Keeps the timeline's worker at frame 0 of the first movie it fills, so
  // that the timeline never knows more than that frame.

  // a: a box stands from 5 to 7 (motion at 5 and at 8), another crosses from
  // 20 to 24; b: nothing happens; c: a box crosses from 10 to 13.
  std::vector<std::string> ThreeMovies() {
    return {Scene("a.avi", 40, 1, {Box(5, 7, 40, 40), Box(20, 24, 20, 140)}), Scene("b.avi", 30, 2, {}),
            Scene("c.avi", 30, 3, {Box(10, 13, 30, 130)})};
  }
  std::string Scene(const std::string& name, int frames, int64_t createdAt,
                    std::vector<sample::SceneObject> objects) {
    sample::MovieSpec plan;
    plan.width = 160;
    plan.height = 120;
    plan.scale = 1;
    plan.rate = 10;
    plan.scene.objects = std::move(objects);
    return Movie(name, frames, createdAt, plan);
  }
  void HoldTheWorker() {
    player->timeline.afterFrameForTesting = [this](int frame) { held_.Reached(frame); };
  }

  // The first frame of every run klvtool scan reports, as play-list spots.
  static std::vector<Spot> ScanStarts(const std::vector<std::string>& files, int threshold) {
    std::string args = "scan --format csv --threshold " + std::to_string(threshold);
    for (const std::string& f : files) args += " " + f;
    const ToolRun r = Klvtool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Spot> starts;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
      const size_t comma = line.find(',');
      const std::string file = line.substr(0, comma);
      const int entry = static_cast<int>(std::find(files.begin(), files.end(), file) - files.begin());
      starts.emplace_back(entry, std::stoi(line.substr(comma + 1)));
    }
    return starts;
  }

  void Ready(const std::vector<std::string>& files, int threshold = 50) {
    PlayList(files);
    player->Pause();
    view.text[C::edtMotionThreshold] = std::to_string(threshold);
  }
  void At(int entry, int frame) {
    if (Entry() != entry) player->StartPlayListItem(entry);
    player->Pause();
    ASSERT_TRUE(player->GoToFrame(frame));
    ASSERT_EQ(Where(), Spot(entry, frame));
  }
  Spot Where() const { return {Entry(), Frame()}; }
  // One jump, the event loop running the slices it needs. False when it
  // found no run (a beep, the picture where it was).
  bool Jump(int direction) {
    const int beeps = view.beeps;
    if (direction > 0)
      player->NextMotionCommand();
    else
      player->PrevMotionCommand();
    view.RunSearch();
    EXPECT_FALSE(player->FindingRun());
    EXPECT_TRUE(player->state.paused);
    EXPECT_TRUE(view.Shown(C::tbWhere));
    return view.beeps == beeps;
  }
  // Every jump from `start` in `direction` until none is left.
  std::vector<Spot> Walk(Spot start, int direction) {
    At(start.first, start.second);
    std::vector<Spot> spots;
    while (Jump(direction) && spots.size() < 50) {
      spots.push_back(Where());
      EXPECT_EQ(view.searchLabel, static_cast<int>(SearchLabel::kFound));
      EXPECT_EQ(view.selected, Entry());
    }
    EXPECT_EQ(view.searchLabel, static_cast<int>(SearchLabel::kInactive));
    return spots;
  }

  WorkerGate held_{0};
};

TEST_F(MotionRunsTest, JumpsReadingTheFramesLandOnTheRunsKlvtoolScanReports) {
  HoldTheWorker();
  const std::vector<std::string> files = ThreeMovies();
  for (int threshold : {50, 140}) {
    SCOPED_TRACE(threshold);
    const std::vector<Spot> starts = ScanStarts(files, threshold);
    if (threshold == 50) {
      ASSERT_EQ(starts, (std::vector<Spot>{{0, 5}, {0, 8}, {0, 20}, {2, 10}}));
    }
    player->ClearCommand();
    Ready(files, threshold);
    player->searchSliceMs = 0;  // one frame a slice

    const std::vector<Spot> forward = Walk({0, 0}, +1);
    EXPECT_EQ(forward, starts);
    // The last jump read to the end of the list and stayed where it was.
    EXPECT_EQ(Where(), starts.back());
    EXPECT_GT(player->Runs().FramesRead(), 0);
    std::vector<Spot> backward = Walk({2, 29}, -1);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, starts);
  }
  // The timeline knew no more than frame 0 of the first movie.
  EXPECT_LE(player->timeline.FramesRead(), 1);
}

TEST_F(MotionRunsTest, WithTheTimelineFilledAJumpIsDecidedAtOnceWithoutReadingAFrame) {
  const std::vector<std::string> files = ThreeMovies();
  Ready(files);
  for (int entry : {2, 1, 0}) {
    player->StartPlayListItem(entry);
    player->Pause();
    ASSERT_TRUE(player->timeline.WaitIdle(std::chrono::seconds(120)));
    ASSERT_TRUE(player->timeline.Current()->Complete());
  }
  const std::vector<Spot> starts = ScanStarts(files, 50);
  At(0, 0);
  for (const Spot& s : starts) {
    player->NextMotionCommand();
    // No slice of the event loop was needed.
    EXPECT_FALSE(view.searchTimer);
    EXPECT_EQ(Where(), s);
    EXPECT_EQ(player->Runs().FramesRead(), 0);
    EXPECT_EQ(view.beeps, 0);
  }
  EXPECT_EQ(view.searchLabels, std::vector<int>(starts.size(), static_cast<int>(SearchLabel::kFound)));
  player->NextMotionCommand();
  EXPECT_EQ(view.beeps, 1);
  EXPECT_EQ(Where(), starts.back());
  EXPECT_EQ(player->Runs().FramesRead(), 0);
}

TEST_F(MotionRunsTest, OneStepARunFromInsideOne) {
  HoldTheWorker();
  Ready(ThreeMovies());
  constexpr Spot kHere{-1, -1};  // on from where the jump before landed
  struct Case {
    Spot from;
    int direction;
    Spot to;  // kHere: none found, the picture stays
    const char* why;
  } cases[] = {
      {{0, 22}, +1, {2, 10}, "inside a's crossing run (20 to 25): the next run"},
      {{0, 22}, -1, {0, 20}, "inside it backward: its own start"},
      {kHere, -1, {0, 8}, "from its start: the run before"},
      {{0, 25}, +1, {2, 10}, "from its last frame: the next run, not frame 26"},
      {{0, 19}, +1, {0, 20}, "from the quiet frame before a run: that run"},
      {{0, 5}, -1, kHere, "before the first run of the list: none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    if (c.from != kHere) At(c.from.first, c.from.second);
    const Spot before = Where();
    EXPECT_EQ(Jump(c.direction), c.to != kHere);
    EXPECT_EQ(Where(), c.to != kHere ? c.to : before);
  }
}

TEST_F(MotionRunsTest, StopSearchEndsAJumpThatReadsFramesAndLeavesThePicture) {
  HoldTheWorker();
  Ready(ThreeMovies());
  player->searchSliceMs = 0;
  At(1, 3);
  player->NextMotionCommand();
  ASSERT_TRUE(player->FindingRun());
  EXPECT_TRUE(view.searchTimer);
  EXPECT_EQ(view.searchLabel, static_cast<int>(SearchLabel::kForward));
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward,
               C::sbSearchForward, C::sbSearchBackward})
    EXPECT_FALSE(On(id)) << ControlName(id);
  EXPECT_TRUE(On(C::sbStopSearch));
  // Meanwhile the other commands that read frames or move the picture wait.
  EXPECT_FALSE(player->PlayPauseCommand());
  EXPECT_FALSE(player->GoToFrame(10));
  const int beeps = view.beeps;
  player->PrevMotionCommand();
  EXPECT_EQ(view.beeps, beeps + 1);
  player->SearchSlice();
  player->SearchSlice();
  EXPECT_TRUE(player->FindingRun());

  player->StopSearchCommand();
  EXPECT_FALSE(player->FindingRun());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_EQ(Where(), Spot(1, 3));
  EXPECT_EQ(view.searchLabel, static_cast<int>(SearchLabel::kInactive));
  EXPECT_TRUE(player->state.paused);
  for (C id : {C::sbNext, C::sbForward, C::sbPrevious, C::sbSearchForward, C::sbSearchBackward})
    EXPECT_TRUE(On(id)) << ControlName(id);
  EXPECT_FALSE(On(C::sbStopSearch));

  // A play-list choice during a jump ends it and plays the entry chosen.
  player->NextMotionCommand();
  ASSERT_TRUE(player->FindingRun());
  player->PlayListDoubleClick(2);
  EXPECT_FALSE(player->FindingRun());
  EXPECT_FALSE(view.searchTimer);
  EXPECT_EQ(Entry(), 2);
  EXPECT_TRUE(player->state.playing);
}

TEST_F(MotionRunsTest, OtherKindsAndUnreadableFilesAreSteppedOver) {
  const std::vector<std::string> three = ThreeMovies();
  const std::string junk = Path("junk.avi");
  const std::string stream = Path("x.m4v");
  ASSERT_TRUE(sample::WriteBytes(junk, {'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'}));
  ASSERT_TRUE(sample::WriteBytes(stream, {0, 0, 1, 0xB0}));
  created[junk] = 2;
  created[stream] = 2;
  created[three[1]] = 5;  // b after them
  Ready({three[0], junk, stream, three[1]});
  At(0, 20);
  EXPECT_FALSE(Jump(+1));
  EXPECT_EQ(Where(), Spot(0, 20));
  EXPECT_TRUE(view.messages.empty());
  // c joins at the end: reached across all of them.
  created[three[2]] = 6;
  player->DropFiles({three[2]});
  player->Pause();
  ASSERT_EQ(player->state.playListCount, 5);
  At(0, 20);
  EXPECT_TRUE(Jump(+1));
  EXPECT_EQ(Where(), Spot(4, 10));
  EXPECT_TRUE(Jump(-1));
  EXPECT_EQ(Where(), Spot(0, 20));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(MotionRunsTest, AThresholdThatIsNoNumberOrAMovieWithoutFramesBeeps) {
  Ready(ThreeMovies());
  At(0, 0);
  view.text[C::edtMotionThreshold] = "many";
  player->NextMotionCommand();
  EXPECT_EQ(view.beeps, 1);
  EXPECT_EQ(view.focused, C::edtMotionThreshold);
  EXPECT_EQ(Where(), Spot(0, 0));
  EXPECT_FALSE(player->FindingRun());
  // No movie at all.
  player->ClearCommand();
  view.text[C::edtMotionThreshold] = "50";
  player->NextMotionCommand();
  player->PrevMotionCommand();
  EXPECT_EQ(view.beeps, 3);
  EXPECT_FALSE(player->FindingRun());
}

}  // namespace
}  // namespace klv::test
