// The motion scan on several workers against one plain pass from frame 0 over
// a movie whose tables change and whose frames are damaged about the chunk
// edges; the header walk that lets a decoder start part way; the run finder
// and the context around runs; the chunking of the work.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>

#include "engine/frame_jobs.h"
#include "engine/motion_scan.h"
#include "engine/motion_search.h"
#include "media/avi/avi_reader.h"
#include "search/changing_tables_movie.h"
#include "support/avi_writer.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

class MotionScanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() / ("klv_motion_scan_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    ASSERT_TRUE(sample::WriteBytes(Path("tables.avi"), test::ChangingTablesMovie()));
    sample::MovieSpec small;
    small.width = 96;
    small.height = 64;
    small.frames = 70;
    small.scene.objects = {{sample::ShapeKind::Box, 10, 12, 20, 20, 30, 20, 24, 24, 250, 250, 250}};
    ASSERT_TRUE(sample::WriteCameraAvi(Path("small.avi"), small));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }

  // One pass from frame 0, as a forward search makes it.
  static std::vector<int> OnePass(const std::string& path) {
    AviReader avi;
    JpegDecoder decoder;
    EXPECT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
    MotionSearcher s;
    EXPECT_TRUE(s.Allocate(avi.Width(), avi.Height()));
    std::vector<int> changes(static_cast<size_t>(avi.TotalFrames()), 0);
    s.ReduceFrame(avi, decoder, 0, 0);
    for (int i = 1; i < avi.TotalFrames(); ++i) {
      s.ReduceFrame(avi, decoder, i, i & 1);
      changes[static_cast<size_t>(i)] = s.LargestDifference(i & 1, (i - 1) & 1);
    }
    return changes;
  }

  static fs::path* dir_;
};
fs::path* MotionScanTest::dir_ = nullptr;

TEST_F(MotionScanTest, AnyNumberOfWorkersComparesAsOnePassFromFrameZero) {
  const std::vector<int> tables = OnePass(Path("tables.avi"));
  const std::vector<int> small = OnePass(Path("small.avi"));
  ASSERT_EQ(tables.size(), 200u);
  // The chunks are cut where the damage is.
  EXPECT_EQ(SplitFrames({200}, 2, 12, 48)[1].first, 48);
  EXPECT_EQ(SplitFrames({200}, 2, 12, 48)[2].first, 96);
  // The planted boxes are there, and the damage changes what is compared.
  std::set<int> starts;
  for (const MotionRun& r : FindMotionRuns(tables, 50)) starts.insert(r.first);
  for (int f : {30, 90, 150}) EXPECT_TRUE(starts.count(f)) << f;

  for (int jobs : {1, 2, 3, 5}) {
    SCOPED_TRACE(jobs);
    ScanOptions o;
    o.jobs = jobs;
    int64_t last = 0;
    o.progress = [&](int64_t done, int64_t total) {
      EXPECT_EQ(total, 270);
      EXPECT_GT(done, last);
      last = done;
    };
    const ScanResult r = ScanFrameChanges({{Path("tables.avi"), 200}, {Path("small.avi"), 70}}, o);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.failed, (std::vector<bool> {false, false}));
    EXPECT_EQ(r.changes[0], tables);
    EXPECT_EQ(r.changes[1], small);
    EXPECT_EQ(last, 270);
  }
}

TEST_F(MotionScanTest, AStopRequestEndsTheScanAndAMissingFileIsReported) {
  ScanOptions o;
  o.jobs = 2;
  std::atomic<int> calls {0};
  o.stopped = [&] { return ++calls > 40; };
  const ScanResult r = ScanFrameChanges({{Path("tables.avi"), 200}}, o);
  EXPECT_TRUE(r.stopped);

  const ScanResult gone = ScanFrameChanges({{Path("none.avi"), 20}, {Path("small.avi"), 70}}, {});
  EXPECT_EQ(gone.failed, (std::vector<bool> {true, false}));
  EXPECT_EQ(gone.changes[1], OnePass(Path("small.avi")));
}

// A decoder that walks the headers in front of a frame decodes it as one
// that decoded every frame before it; without the walk it would not.
TEST_F(MotionScanTest, TheHeaderWalkGivesADecoderStartingPartWayTheTablesOfOnePass) {
  const std::string path = Path("tables.avi");
  AviReader avi;
  JpegDecoder decoder;
  ASSERT_EQ(avi.AviOpen(path, decoder), AviOpenStatus::kOk);
  ASSERT_TRUE(decoder.AllocatePlanes(avi.Width(), avi.Height()));
  FramePicture p;
  ASSERT_TRUE(p.Create(avi.Width(), avi.Height()));
  std::vector<std::vector<uint8_t>> pictures;
  for (int i = 0; i < 200; ++i) {
    const bool shown = ReadAndDecodeFrame(avi, decoder, i, p);
    pictures.push_back(shown ? std::vector<uint8_t>(p.Bits(), p.Bits() + p.SizeBytes()) : std::vector<uint8_t>());
  }
  for (int start : {1, 61, 96, 101, 131, 144, 161, 199}) {
    SCOPED_TRACE(start);
    AviReader a;
    JpegDecoder d;
    ASSERT_EQ(a.AviOpen(path, d), AviOpenStatus::kOk);
    ASSERT_TRUE(d.AllocatePlanes(a.Width(), a.Height()));
    a.AviWalkHeaders(d, 0, start);
    for (int i = start; i < std::min(200, start + 4); ++i) {
      const bool shown = ReadAndDecodeFrame(a, d, i, p);
      ASSERT_EQ(shown, !pictures[static_cast<size_t>(i)].empty()) << i;
      if (shown) {
        EXPECT_TRUE(std::equal(pictures[static_cast<size_t>(i)].begin(), pictures[static_cast<size_t>(i)].end(), p.Bits()))
            << i;
      }
    }
  }
  // Without the walk, frame 120 is read with the first frame's tables.
  AviReader fresh;
  JpegDecoder d;
  ASSERT_EQ(fresh.AviOpen(path, d), AviOpenStatus::kOk);
  ASSERT_TRUE(d.AllocatePlanes(fresh.Width(), fresh.Height()));
  const bool shown = ReadAndDecodeFrame(fresh, d, 120, p);
  EXPECT_FALSE(shown && std::equal(pictures[120].begin(), pictures[120].end(), p.Bits()));
}

TEST(MotionRuns, RunsAreConsecutiveFramesAboveTheThreshold) {
  // Frame 0 never counts; exactly the threshold is not motion; the peak is
  // the first of equal largest changes.
  const std::vector<int> changes = {200, 0, 60, 70, 50, 0, 55, 0, 51, 51, 20};
  EXPECT_EQ(FindMotionRuns(changes, 50),
            (std::vector<MotionRun> {{2, 3, 70, 3}, {6, 6, 55, 6}, {8, 9, 51, 8}}));
  EXPECT_TRUE(FindMotionRuns(changes, 70).empty());
  EXPECT_EQ(FindMotionRuns({0, 0, 90}, 50), (std::vector<MotionRun> {{2, 2, 90, 2}}));
  EXPECT_TRUE(FindMotionRuns({}, 50).empty());
}

TEST(MotionRuns, ContextStaysInTheFileAndMergesRunsThatMeet) {
  const std::vector<MotionRun> runs = {{2, 3, 70, 3}, {6, 6, 55, 6}, {9, 9, 51, 9}, {30, 31, 80, 30}};
  EXPECT_EQ(RunsWithContext(runs, 0, 40),
            (std::vector<FrameSpan> {{2, 3}, {6, 6}, {9, 9}, {30, 31}}));
  // [1,4] and [5,7] touch, [8,10] touches that: one span; the last is cut at
  // the file's end.
  EXPECT_EQ(RunsWithContext(runs, 1, 32), (std::vector<FrameSpan> {{1, 10}, {29, 31}}));
  EXPECT_EQ(RunsWithContext(runs, 5, 40), (std::vector<FrameSpan> {{0, 14}, {25, 36}}));
  EXPECT_EQ(RunsWithContext(runs, 100, 40), (std::vector<FrameSpan> {{0, 39}}));
}

TEST(FrameJobs, ChunksCoverEveryFrameOnceInOrder) {
  const std::vector<int> frames = {300, 0, 7, 1000};
  for (int jobs : {1, 2, 4, 16}) {
    SCOPED_TRACE(jobs);
    const std::vector<FrameChunk> chunks = SplitFrames(frames, jobs, 8, 20);
    int file = 0, next = 0;
    for (const FrameChunk& c : chunks) {
      if (c.file != file) {
        EXPECT_EQ(next, frames[static_cast<size_t>(file)]);
        file = c.file;
        next = 0;
      }
      EXPECT_EQ(c.first, next);
      EXPECT_GT(c.end, c.first);
      // A chunk is short only at a file's end.
      if (jobs > 1 && c.end != frames[static_cast<size_t>(c.file)]) {
        EXPECT_GE(c.end - c.first, 20);
      }
      next = c.end;
    }
    EXPECT_EQ(file, 3);
    EXPECT_EQ(next, 1000);
    if (jobs == 1) {
      EXPECT_EQ(chunks.size(), 3u);  // one per file with frames
    } else if (jobs == 4) {
      EXPECT_GE(chunks.size(), 20u);
    }
  }
}

TEST(FrameJobs, EveryTaskRunsOnceAndAStopHandsOutNoMore) {
  std::vector<std::atomic<int>> runs(100);
  std::mutex lock;
  std::set<int> workers;
  RunJobs(3, runs.size(), [&](int w, size_t i) {
    ++runs[i];
    std::lock_guard<std::mutex> g(lock);
    workers.insert(w);
  });
  for (const auto& r : runs) EXPECT_EQ(r.load(), 1);
  EXPECT_LE(workers.size(), 3u);
  EXPECT_LE(*workers.rbegin(), 2);

  std::atomic<bool> stop {false};
  std::atomic<int> ran {0};
  RunJobs(2, 1000, [&](int, size_t i) {
    if (i == 10) stop = true;
    ++ran;
  }, &stop);
  EXPECT_LT(ran.load(), 1000);
  EXPECT_EQ(JobCount(3), 3);
  EXPECT_GE(JobCount(0), 1);
}

}  // namespace
}  // namespace klv
