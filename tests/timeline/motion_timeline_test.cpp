// The motion timeline: its values are the motion search's differences, it
// keeps what it has filled for the rest of the run, it stops and goes on
// cleanly, and what a reader sees while the worker fills is only ever a
// prefix of the final values. These tests also run under ThreadSanitizer.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/frame_differences.h"
#include "engine/motion_search.h"
#include "engine/motion_timeline.h"
#include "media/avi/avi_reader.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"
#include "timeline/worker_gate.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

// A 160 x 120 scene with planted motion: a dark box that stands from frame 6
// to 8, one that crosses the picture from 20 to 24, and a car from 33 to 37;
// recorded in event mode, frames 6 and 20 marked.
sample::MovieSpec Planted(int frames = 44) {
  sample::MovieSpec plan;
  plan.width = 160;
  plan.height = 120;
  plan.frames = frames;
  plan.scale = 1;
  plan.rate = 10;
  plan.eventMode = true;
  plan.eventFrames = {6, 20};
  sample::SceneObject standing{.shape = sample::ShapeKind::Box, .firstFrame = 6, .lastFrame = 8,
                               .x0 = 50, .y0 = 50, .x1 = 50, .y1 = 50, .width = 32, .height = 32,
                               .r = 15, .g = 15, .b = 15};
  sample::SceneObject crossing{.shape = sample::ShapeKind::Box, .firstFrame = 20, .lastFrame = 24,
                               .x0 = 30, .y0 = 80, .x1 = 130, .y1 = 80, .width = 28, .height = 28,
                               .r = 240, .g = 240, .b = 230};
  sample::SceneObject car{.shape = sample::ShapeKind::Car, .firstFrame = 33, .lastFrame = 37,
                          .x0 = 20, .y0 = 60, .x1 = 140, .y1 = 60, .width = 48, .height = 24};
  plan.scene.objects = {standing, crossing, car};
  return plan;
}

// The same two pictures over and over: a long movie that is quick to write.
std::string LongMovie(const std::string& path, int frames) {
  // Frame 7 of the planted scene shows the standing box.
  const sample::MovieSpec plan = Planted();
  const std::vector<uint8_t> a = sample::BuildCameraFrame(plan, 0);
  const std::vector<uint8_t> b = sample::BuildCameraFrame(plan, 7);
  std::vector<std::vector<uint8_t>> all;
  for (int i = 0; i < frames; ++i) all.push_back(i % 7 == 3 ? b : a);
  EXPECT_TRUE(sample::WriteBytes(path, sample::WriteAvi({plan.width, plan.height, 1, 10}, all)));
  return path;
}

class MotionTimelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("klv_timeline_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const sample::MovieSpec& plan) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(sample::WriteCameraAvi(path, plan));
    return path;
  }
  // Frames and event frames as the player's reader sees them.
  static std::pair<int, std::vector<int>> Shape(const std::string& path) {
    AviReader avi;
    JpegDecoder decoder;
    if (avi.AviOpen(path, decoder) != AviOpenStatus::kOk) return {0, {}};
    return {avi.TotalFrames(), avi.EventFrames()};
  }
  static std::shared_ptr<const TimelineValues> Start(MotionTimeline& t, const std::string& path) {
    const auto [frames, events] = Shape(path);
    return t.Start(path, frames, events);
  }
  fs::path dir_;
};

TEST_F(MotionTimelineTest, ValuesAreTheSearchsDifferencesAndMarkTheEvents) {
  const sample::MovieSpec plan = Planted();
  const std::string path = Write("planted.avi", plan);
  MotionTimeline timeline;
  const auto values = Start(timeline, path);
  ASSERT_TRUE(timeline.WaitIdle(seconds(120)));
  ASSERT_TRUE(values->Complete());
  ASSERT_EQ(values->Frames(), plan.frames);
  EXPECT_EQ(values->Filled(), plan.frames);
  EXPECT_EQ(values->EventFrames(), (std::vector<int>{6, 20}));
  EXPECT_EQ(values->Value(0), 0);
  EXPECT_EQ(timeline.FramesRead(), plan.frames);

  // At every threshold, the frames above it are exactly where one search
  // after another stops, forward and backward.
  AviReader avi;
  JpegDecoder decoder;
  ASSERT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
  MotionSearcher searcher;
  for (int threshold : {8, 30, 50, 90, 150}) {
    std::vector<int> above;
    for (int i = 1; i < plan.frames; ++i)
      if (values->Value(i) > threshold) above.push_back(i);
    std::vector<int> stops;
    for (int from = 0;;) {
      const MotionSearchResult r = searcher.MotionSearch(avi, decoder, from, plan.frames, threshold);
      if (r.outcome != SearchOutcome::kFound) break;
      stops.push_back(r.frame);
      from = r.frame;
    }
    EXPECT_EQ(stops, above) << "threshold " << threshold;
    // Backward, a search stops at the frame before each frame above it.
    std::vector<int> backStops, before;
    for (int from = plan.frames - 1;;) {
      const MotionSearchResult r = searcher.MotionSearch(avi, decoder, from, 0, threshold);
      if (r.outcome != SearchOutcome::kFound) break;
      backStops.push_back(r.frame);
      from = r.frame;
    }
    for (auto it = above.rbegin(); it != above.rend(); ++it)
      if (*it - 1 >= 1) before.push_back(*it - 1);
    EXPECT_EQ(backStops, before) << "threshold " << threshold;
  }
  // And the scene's own account of where it moved, from its noise-free
  // pictures, agrees at the default threshold; quiet frames stay quiet.
  const std::vector<int> expected = sample::ExpectedMotionFrames(plan, 50);
  ASSERT_FALSE(expected.empty());
  std::vector<int> above50;
  for (int i = 1; i < plan.frames; ++i) {
    if (values->Value(i) > 50) above50.push_back(i);
    if (i < 6 || (i > 9 && i < 20) || (i > 25 && i < 33) || i > 38) {
      EXPECT_LE(values->Value(i), sample::kQuietReducedBound) << "quiet frame " << i;
    }
  }
  EXPECT_EQ(above50, expected);
}

TEST_F(MotionTimelineTest, FilledValuesAreKeptForTheRunAndAChangedFileIsFilledAgain) {
  const std::string path = Write("kept.avi", Planted(12));
  MotionTimeline timeline;
  const auto first = Start(timeline, path);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  ASSERT_TRUE(first->Complete());
  const std::vector<uint8_t> before = first->Snapshot();
  EXPECT_EQ(timeline.FramesRead(), 12);

  // Another movie in between, then this one again: nothing is read twice.
  const std::string other = Write("other.avi", Planted(6));
  Start(timeline, other);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  timeline.Cancel();
  EXPECT_EQ(timeline.Current(), nullptr);
  const auto again = Start(timeline, path);
  EXPECT_EQ(again, first);
  EXPECT_EQ(timeline.Current(), first);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_EQ(timeline.FramesRead(), 12 + 6);
  EXPECT_EQ(timeline.Kept(path), first);

  // The file is written again (other pictures, a later time): new values.
  sample::MovieSpec changed = Planted(12);
  changed.scene.objects.clear();
  ASSERT_TRUE(sample::WriteCameraAvi(path, changed));
  fs::last_write_time(path, fs::last_write_time(path) + seconds(2));
  EXPECT_EQ(timeline.Kept(path), nullptr);
  const auto refilled = Start(timeline, path);
  EXPECT_NE(refilled, first);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  ASSERT_TRUE(refilled->Complete());
  EXPECT_NE(refilled->Snapshot(), before);
  for (int i = 1; i < 12; ++i) EXPECT_LE(refilled->Value(i), sample::kQuietReducedBound) << i;
}

TEST_F(MotionTimelineTest, ACancelledFillStopsAtOnceAndGoesOnFromThereWhenStartedAgain) {
  const std::string path = LongMovie((dir_ / "long.avi").string(), 300);
  const std::string other = LongMovie((dir_ / "other.avi").string(), 40);
  test::WorkerGate gate(20);
  MotionTimeline timeline;
  timeline.afterFrameForTesting = [&gate](int frame) { gate.Reached(frame); };
  const auto values = Start(timeline, path);
  ASSERT_TRUE(gate.WaitReached());
  // The movie closes while the worker is on frame 20: it stops there.
  timeline.Cancel();
  gate.Open();
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_EQ(values->Filled(), 21);
  EXPECT_EQ(values->GetState(), TimelineValues::State::kFilling);
  EXPECT_EQ(timeline.FramesRead(), 21);
  EXPECT_EQ(timeline.Kept(path), values);

  // Another movie fills meanwhile; then the first goes on from frame 21,
  // reading frame 20 again as the reference and nothing before it.
  Start(timeline, other);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_EQ(timeline.FramesRead(), 21 + 40);
  const auto resumed = Start(timeline, path);
  EXPECT_EQ(resumed, values);
  ASSERT_TRUE(timeline.WaitIdle(seconds(120)));
  EXPECT_TRUE(values->Complete());
  EXPECT_EQ(timeline.FramesRead(), 21 + 40 + (300 - 20));
  // What it filled in two goes is what one go gives.
  MotionTimeline fresh;
  const auto whole = Start(fresh, path);
  ASSERT_TRUE(fresh.WaitIdle(seconds(120)));
  EXPECT_EQ(whole->Snapshot(), values->Snapshot());
}

TEST_F(MotionTimelineTest, ReadersSeeAGrowingPrefixOfTheFinalValues) {
  const std::string path = LongMovie((dir_ / "long.avi").string(), 400);
  MotionTimeline timeline;
  const auto values = Start(timeline, path);
  std::vector<std::vector<uint8_t>> seen;
  int last = 0;
  while (values->GetState() == TimelineValues::State::kFilling) {
    const int filled = values->Filled();
    EXPECT_GE(filled, last);
    last = filled;
    seen.push_back(values->Snapshot());
    std::this_thread::yield();
  }
  ASSERT_TRUE(values->Complete());
  const std::vector<uint8_t> final = values->Snapshot();
  ASSERT_EQ(final.size(), 400u);
  for (const std::vector<uint8_t>& s : seen) {
    ASSERT_LE(s.size(), final.size());
    EXPECT_TRUE(std::equal(s.begin(), s.end(), final.begin()));
  }
  // The other picture comes every seventh frame and goes again.
  EXPECT_GT(final[3], 50);
  EXPECT_EQ(final[2], 0);
  EXPECT_EQ(final[3], final[4]);
}

TEST_F(MotionTimelineTest, SwitchingFilesQuicklyAndEndingMidFillStayClean) {
  const std::string a = LongMovie((dir_ / "a.avi").string(), 200);
  const std::string b = LongMovie((dir_ / "b.avi").string(), 150);
  auto timeline = std::make_unique<MotionTimeline>();
  for (int i = 0; i < 40; ++i) {
    Start(*timeline, i % 2 == 0 ? a : b);
    if (i % 5 == 4) timeline->Cancel();
  }
  const auto values = Start(*timeline, b);
  ASSERT_TRUE(timeline->WaitIdle(seconds(120)));
  ASSERT_TRUE(values->Complete());
  EXPECT_EQ(timeline->Current(), values);
  // Ended while a fill runs: the worker stops after its frame and is joined.
  Start(*timeline, a);
  timeline.reset();
  MotionTimeline fresh;
  const auto whole = Start(fresh, b);
  ASSERT_TRUE(fresh.WaitIdle(seconds(120)));
  EXPECT_EQ(whole->Snapshot(), values->Snapshot());
}

TEST_F(MotionTimelineTest, AMovieTheWorkerCannotReadHasNoValues) {
  MotionTimeline timeline;
  // Gone since the player opened it.
  const std::string missing = (dir_ / "missing.avi").string();
  const auto gone = timeline.Start(missing, 10, {});
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_EQ(gone->GetState(), TimelineValues::State::kFailed);
  EXPECT_EQ(gone->Filled(), 0);
  EXPECT_EQ(timeline.Kept(missing), nullptr);
  // Not the frame count the player saw: not the same movie.
  const std::string path = Write("short.avi", Planted(5));
  const auto other = timeline.Start(path, 9, {});
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_EQ(other->GetState(), TimelineValues::State::kFailed);
  // Started again with the right count, it fills.
  const auto right = Start(timeline, path);
  ASSERT_TRUE(timeline.WaitIdle(seconds(60)));
  EXPECT_TRUE(right->Complete());
  EXPECT_EQ(right->Frames(), 5);
}

TEST(DifferenceWalkTest, BackwardReportsTheLaterFrameOfEachPairAndStopsAtTheEnds) {
  const fs::path dir = fs::temp_directory_path() / "klv_difference_walk";
  fs::create_directories(dir);
  const std::string path = LongMovie((dir / "walk.avi").string(), 9);
  AviReader avi;
  JpegDecoder decoder;
  ASSERT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
  DifferenceWalk forward, backward;
  ASSERT_TRUE(forward.Begin(avi, decoder, 0, +1));
  std::vector<int> ahead(9, -1);
  int frame = 0, d = 0;
  while (forward.Next(&frame, &d)) ahead[static_cast<size_t>(frame)] = d;
  EXPECT_EQ(forward.FramesRead(), 9);
  EXPECT_EQ(forward.Upcoming(), -1);
  EXPECT_GT(ahead[3], 50);  // frame 3 shows the other picture
  EXPECT_EQ(ahead[3], ahead[4]);
  EXPECT_EQ(ahead[2], 0);
  std::vector<int> order;
  ASSERT_TRUE(backward.Begin(avi, decoder, 8, -1));
  while (backward.Next(&frame, &d)) {
    order.push_back(frame);
    EXPECT_EQ(d, ahead[static_cast<size_t>(frame)]) << frame;
  }
  EXPECT_EQ(order, (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_FALSE(backward.Begin(avi, decoder, 9, -1));
  EXPECT_FALSE(backward.Begin(avi, decoder, -1, +1));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace klv
