// klvtool as a user runs it: output formats, exit statuses, files written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/movie_builder.h"
#include "tool_runner.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

class KlvtoolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() / ("klvtool_test_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    sample::MovieSpec plan;
    plan.width = 160;
    plan.height = 120;
    plan.frames = 20;
    plan.scale = 5;
    plan.rate = 50;
    plan.eventMode = true;
    plan.eventFrames = {6, 13};
    plan.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, 8, 0, 0);
    ASSERT_TRUE(sample::WriteCameraAvi(Path("clip.avi"), plan));
    frame7_ = new std::vector<uint8_t>(sample::BuildCameraFrame(plan, 7));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete frame7_;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }

  static fs::path* dir_;
  static std::vector<uint8_t>* frame7_;
};
fs::path* KlvtoolTest::dir_ = nullptr;
std::vector<uint8_t>* KlvtoolTest::frame7_ = nullptr;

TEST_F(KlvtoolTest, InfoPrintsKeyValueLines) {
  const ToolRun r = Klvtool("info " + Path("clip.avi"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "kind: avi\nwidth: 160\nheight: 120\nframes: 20\ncapture_interval: 5\nrate: 50\n"
            "event_mode: 1\ntimestamps: 1\nevents: 6 13\n");
}

TEST_F(KlvtoolTest, TimesFollowTheCamerasStamps) {
  const ToolRun r = Klvtool("times " + Path("clip.avi"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) {
    if (n == 0) {
      EXPECT_EQ(line, "0 2010/05/15 08:00:00.00");
    } else if (n == 19) {
      EXPECT_EQ(line, "19 2010/05/15 08:01:35.00");
    }
    ++n;
  }
  EXPECT_EQ(n, 20);
}

TEST_F(KlvtoolTest, FrameWritesABmpOfThePictureSize) {
  const std::string out = Path("f7.bmp");
  const ToolRun r = Klvtool("frame " + Path("clip.avi") + " 7 " + out + " --stamp");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> bmp = sample::ReadBytes(out);
  ASSERT_EQ(bmp.size(), 54u + 160u * 3u * 120u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(sample::GetLe32(bmp, 18), 160u);
  EXPECT_EQ(sample::GetLe32(bmp, 22), 120u);
  EXPECT_EQ(sample::GetLe16(bmp, 28), 24u);
  // The stamp's band: the bottom row (first in the file) is black at its left end.
  EXPECT_EQ(bmp[54], 0);
  // --bw gives grey pixels.
  const ToolRun bw = Klvtool("frame " + Path("clip.avi") + " 7 " + out + " --bw");
  ASSERT_EQ(bw.status, 0) << bw.err;
  const std::vector<uint8_t> grey = sample::ReadBytes(out);
  for (size_t i = 54; i + 2 < grey.size(); i += 3) {
    ASSERT_EQ(grey[i], grey[i + 1]);
    ASSERT_EQ(grey[i + 1], grey[i + 2]);
  }
}

TEST_F(KlvtoolTest, SaveWritesTheFramesBytesAsStored) {
  const std::string out = Path("ztfrm00008.jpg");
  const ToolRun r = Klvtool("save " + Path("clip.avi") + " 7 " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sample::ReadBytes(out), *frame7_);
}

TEST_F(KlvtoolTest, DecodeCountsGoodAndBadFrames) {
  const ToolRun r = Klvtool("decode " + Path("clip.avi"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "decoded 20 bad 0\n");
}

TEST_F(KlvtoolTest, FailuresSayWhyOnOneLine) {
  struct Case {
    std::string args;
    int status;
    std::string errStart;
  } cases[] = {
      {"info " + Path("missing.avi"), 1, "klvtool: " + Path("missing.avi") + ": File Not Found"},
      {"info " + Path("clip.mp4"), 1, "klvtool: " + Path("clip.mp4") + ": Unknown Format"},
      {"frame " + Path("clip.avi") + " 20 " + Path("x.bmp"), 1, "klvtool: "},
      {"save " + Path("clip.avi") + " 3 /proc/klv_no_dir/x.jpg", 1, "klvtool: "},
      {"frame " + Path("clip.avi") + " seven " + Path("x.bmp"), 2, "klvtool: "},
      {"info", 2, "klvtool: "},
      {"bogus", 2, "klvtool: "},
      {"frame " + Path("clip.avi") + " 1 " + Path("x.bmp") + " --deblock 3", 2, "klvtool: "},
  };
  for (const Case& c : cases) {
    const ToolRun r = Klvtool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << c.args << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST_F(KlvtoolTest, EmptyMovieSaysItHasNoFrames) {
  sample::MovieSpec plan;
  plan.width = 64;
  plan.height = 48;
  plan.frames = 0;
  ASSERT_TRUE(sample::WriteCameraAvi(Path("empty.avi"), plan));
  const ToolRun r = Klvtool("info " + Path("empty.avi"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "klvtool: " + Path("empty.avi") + ": File Does Not Contain Any Frames\n");
}

TEST_F(KlvtoolTest, HelpListsTheCommands) {
  const ToolRun r = Klvtool("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* c : {"info", "frame", "times", "decode", "save"})
    EXPECT_NE(r.out.find(std::string("  ") + c + " "), std::string::npos) << c;
}

}  // namespace
}  // namespace klv
