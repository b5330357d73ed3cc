// klvtool search and scan on sample-writer movies whose motion is known.
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

// 160 x 120 movies; boxes stand still from firstFrame to lastFrame, so the
// motion is in their first frame and in the frame after their last.
sample::MovieSpec Plan(int frames, std::vector<std::pair<int, int>> boxes, int hour) {
  sample::MovieSpec plan;
  plan.width = 160;
  plan.height = 120;
  plan.frames = frames;
  plan.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, hour, 0, 0);
  for (auto [first, last] : boxes) {
    sample::SceneObject box;
    box.firstFrame = first;
    box.lastFrame = last;
    box.x0 = box.x1 = 60 + first;
    box.y0 = box.y1 = 50;
    box.width = box.height = 40;
    box.r = box.g = box.b = 15;
    plan.scene.objects.push_back(box);
  }
  return plan;
}

class SearchCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() / ("klvtool_search_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    specs_ = new std::vector<sample::MovieSpec>{Plan(20, {}, 7), Plan(15, {}, 8),
                                                Plan(30, {{8, 9}, {20, 25}}, 9)};
    for (size_t i = 0; i < specs_->size(); ++i)
      ASSERT_TRUE(sample::WriteCameraAvi(Path(Name(i)), (*specs_)[i]));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete specs_;
  }
  static std::string Name(size_t i) { return std::string(1, static_cast<char>('a' + i)) + ".avi"; }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }
  static std::string Files() { return Path("a.avi") + " " + Path("b.avi") + " " + Path("c.avi"); }

  static fs::path* dir_;
  static std::vector<sample::MovieSpec>* specs_;
};
fs::path* SearchCliTest::dir_ = nullptr;
std::vector<sample::MovieSpec>* SearchCliTest::specs_ = nullptr;

TEST_F(SearchCliTest, SearchWalksThePlayListAndPrintsWhereItStopped) {
  ASSERT_EQ(sample::ExpectedMotionFrames((*specs_)[2], 50), (std::vector<int>{8, 10, 20, 26}));
  struct Case {
    std::string args;
    std::string out;
  };
  const Case cases[] = {
      {Files(), "found 3 8\n"},
      {"--start 3:8 " + Files(), "found 3 10\n"},
      {"--start 3:20 --threshold 50 " + Files(), "found 3 26\n"},
      {"--start 3:26 " + Files(), "none 3 29\n"},
      {"--start 2:14 " + Files(), "found 3 8\n"},
      {"--threshold 250 " + Files(), "none 3 29\n"},
      // Backward: the last frame of the last file down; a frame is reported
      // when it differs from the one after it.
      {"--backward " + Files(), "found 3 25\n"},
      {"--backward --start 3:25 " + Files(), "found 3 19\n"},
      {"--backward --start 3:10 " + Files(), "found 3 9\n"},
      {"--backward --start 3:7 " + Files(), "none 1 0\n"},
      {"--backward --start 3:0 " + Files(), "none 3 0\n"},
      {"--threshold=12abc " + Files(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolRun r = Klvtool("search " + c.args);
    if (c.out.empty()) {
      EXPECT_EQ(r.status, 2);
      continue;
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(SearchCliTest, ScanReportsEveryRunWithTheCamerasTime) {
  const ToolRun r = Klvtool("scan " + Files());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string c = Path("c.avi");
  // Frame 8 of c: 09:00:00 + 8 x 5 s.
  const std::string header = "file,first,last,time,largest_difference\n";
  ASSERT_EQ(r.out.rfind(header, 0), 0u) << r.out;
  std::vector<std::string> lines;
  std::stringstream ss(r.out.substr(header.size()));
  for (std::string line; std::getline(ss, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  const char* expected[][2] = {{"8,8,2010/05/15 09:00:40.00,", ""},
                               {"10,10,2010/05/15 09:00:50.00,", ""},
                               {"20,20,2010/05/15 09:01:40.00,", ""},
                               {"26,26,2010/05/15 09:02:10.00,", ""}};
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string start = c + "," + expected[i][0];
    ASSERT_EQ(lines[i].rfind(start, 0), 0u) << lines[i];
    const int largest = std::stoi(lines[i].substr(start.size()));
    EXPECT_GT(largest, 50);
    EXPECT_LE(largest, 255);
  }

  // A threshold above every difference: no runs. JSON: the same runs.
  EXPECT_EQ(Klvtool("scan --threshold 255 " + Files()).out, header);
  const ToolRun j = Klvtool("scan --format json " + Path("c.avi"));
  ASSERT_EQ(j.status, 0) << j.err;
  EXPECT_EQ(j.out.rfind("[\n  {\"file\": \"" + c + "\", \"first\": 8, \"last\": 8, \"time\": "
                        "\"2010/05/15 09:00:40.00\", \"largest_difference\": ", 0), 0u) << j.out;
  EXPECT_EQ(std::count(j.out.begin(), j.out.end(), '{'), 4);
  EXPECT_EQ(Klvtool("scan --format json " + Path("a.avi")).out, "[]\n");
}

TEST_F(SearchCliTest, RunsOfMovingObjectsSpanTheirFrames) {
  sample::MovieSpec plan = Plan(24, {}, 10);
  sample::SceneObject car;
  car.shape = sample::ShapeKind::Car;
  car.firstFrame = 5;
  car.lastFrame = 9;
  car.x0 = 10;
  car.x1 = 150;
  car.y0 = car.y1 = 70;
  car.width = 60;
  car.height = 36;
  car.r = 230;
  car.g = 230;
  car.b = 240;
  plan.scene.objects = {car};
  ASSERT_TRUE(sample::WriteCameraAvi(Path("car.avi"), plan));
  const std::vector<int> motion = sample::ExpectedMotionFrames(plan, 50);
  ASSERT_FALSE(motion.empty());
  // Consecutive frames form one run.
  std::string runs;
  for (size_t i = 0; i < motion.size();) {
    size_t j = i;
    while (j + 1 < motion.size() && motion[j + 1] == motion[j] + 1) ++j;
    runs += std::to_string(motion[i]) + "," + std::to_string(motion[j]) + ";";
    i = j + 1;
  }
  const ToolRun r = Klvtool("scan " + Path("car.avi"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::string got;
  std::stringstream ss(r.out);
  std::string line;
  std::getline(ss, line);
  while (std::getline(ss, line)) {
    const size_t a = line.find(',');
    const size_t b = line.find(',', a + 1);
    const size_t c = line.find(',', b + 1);
    got += line.substr(a + 1, c - a - 1) + ";";
  }
  EXPECT_EQ(got, runs);
}

TEST_F(SearchCliTest, BadArgumentsAndFilesFailCleanly) {
  struct Case {
    std::string args;
    int status;
    std::string errStart;
  };
  const Case cases[] = {
      {"search", 2, "klvtool: search takes"},
      {"search --threshold 0 " + Files(), 2, "klvtool: --threshold"},
      {"search --threshold abc " + Files(), 2, "klvtool: --threshold"},
      {"search --start 4:0 " + Files(), 2, "klvtool: --start"},
      {"search --start 1 " + Files(), 2, "klvtool: --start"},
      {"search " + Path("a.avi") + " " + Path("a.avi"), 2, "klvtool: each FILE"},
      {"search --start 1:20 " + Files(), 1, "klvtool: " + Path("a.avi") + ": frame 20 is beyond"},
      {"search " + Path("a.avi") + " " + Path("x.m4v"), 1, "klvtool: " + Path("x.m4v") + ": the motion"},
      {"search " + Path("a.avi") + " " + Path("missing.avi"), 1,
       "klvtool: " + Path("missing.avi") + ": File Not Found"},
      {"scan --format xml " + Files(), 2, "klvtool: --format"},
      {"scan", 2, "klvtool: scan takes"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Klvtool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << " -> " << r.err;
    EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << c.args << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  // scan goes on past a file it cannot read, and says so.
  const ToolRun r = Klvtool("scan " + Path("missing.avi") + " " + Path("c.avi"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("klvtool: " + Path("missing.avi") + ": File Not Found", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5) << r.out;

  const ToolRun help = Klvtool("--help");
  for (const char* c : {"search", "scan"})
    EXPECT_NE(help.out.find(std::string("  ") + c + " "), std::string::npos) << c;
}

}  // namespace
}  // namespace klv
