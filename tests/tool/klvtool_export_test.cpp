// klvtool export, thumbnail, scan's sheet and page, and -j: the commands as a
// user runs them, what they write, what they say, and what they leave behind
// when they fail or are interrupted.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "search/changing_tables_movie.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"
#include "support/mpeg4_stream.h"
#include "tool_runner.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

struct Png {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
};

// libpng's own reading of a file: 8-bit RGB rows.
Png ReadPng(const std::string& path) {
  Png p;
  png_image image {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return {};
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  return p;
}

// Pixels of the planted objects' red, which nothing else in the scenes has.
int RedPixels(const Png& p) {
  int n = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t* c = p.At(x, y);
      n += c[0] > 170 && c[1] < 90 && c[2] < 90;
    }
  return n;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

sample::SceneObject RedBox(int first, int last, double x, double y, int size) {
  sample::SceneObject box;
  box.firstFrame = first;
  box.lastFrame = last;
  box.x0 = box.x1 = x;
  box.y0 = box.y1 = y;
  box.width = box.height = size;
  box.r = 235;
  box.g = 30;
  box.b = 25;
  return box;
}

class KlvtoolExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() / ("klvtool_export_" + std::to_string(::getpid())));
    fs::create_directories(*dir_);
    ASSERT_TRUE(sample::WriteBytes(Path("tables.avi"), test::ChangingTablesMovie()));
    sample::MovieSpec plain;
    plain.width = 320;
    plain.height = 240;
    plain.frames = 120;
    plain.scene.seed = 5;
    ASSERT_TRUE(sample::WriteCameraAvi(Path("quiet.avi"), plain));
    sample::MovieSpec red = plain;
    red.scene.objects = {RedBox(70, 74, 150, 110, 64)};
    ASSERT_EQ(sample::ExpectedMotionFrames(red, 50), (std::vector<int> {70, 75}));
    ASSERT_TRUE(sample::WriteCameraAvi(Path("red.avi"), red));
    sample::MovieSpec events = plain;
    events.frames = 40;
    events.eventMode = true;
    events.eventFrames = {25};
    events.scene.objects = {RedBox(25, 27, 100, 100, 64)};
    ASSERT_TRUE(sample::WriteCameraAvi(Path("events.avi"), events));
    ASSERT_TRUE(sample::WriteBytes(Path("pan.m4v"), sample::BuildM4vStream(sample::DemoM4vSpec())));
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
  }
  static std::string Path(const std::string& name) { return (*dir_ / name).string(); }
  // A fresh folder for what a command writes.
  static fs::path Out(const std::string& name) {
    const fs::path p = *dir_ / name;
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
  }
  static fs::path* dir_;
};
fs::path* KlvtoolExportTest::dir_ = nullptr;

TEST_F(KlvtoolExportTest, ScanAndDecodeOnManyWorkersPrintAndWriteWhatOneWorkerDoes) {
  const std::string files = Path("tables.avi") + " " + Path("red.avi");
  const ToolRun one = Klvtool("scan -j 1 " + files);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find(Path("red.avi") + ",70,70,"), std::string::npos) << one.out;
  for (const char* jobs : {"-j 2", "-j3", "-j 7"}) {
    SCOPED_TRACE(jobs);
    const ToolRun many = Klvtool(std::string("scan ") + jobs + " " + files);
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.out, one.out);
  }

  const fs::path a = Out("decode1"), b = Out("decode3");
  const ToolRun d1 = Klvtool("decode -j 1 " + Path("tables.avi") + " --out " + a.string());
  const ToolRun d3 = Klvtool("decode " + Path("tables.avi") + " --out " + b.string() + " -j 3");
  ASSERT_EQ(d1.status, 0) << d1.err;
  EXPECT_EQ(d1.out, d3.out);
  // Frames 44-47, 94, 141 are cut short, 97 cannot be read, 143 and 160 have
  // no scan.
  EXPECT_EQ(d1.out, "decoded 191 bad 9\n");
  ASSERT_EQ(Names(a), Names(b));
  EXPECT_EQ(Names(a).size(), 191u);
  for (const std::string& n : Names(a))
    EXPECT_EQ(sample::ReadBytes((a / n).string()), sample::ReadBytes((b / n).string())) << n;

  EXPECT_EQ(Klvtool("decode -j 0 " + Path("red.avi")).status, 2);
  EXPECT_EQ(Klvtool("scan -j x " + files).status, 2);
}

TEST_F(KlvtoolExportTest, ExportWritesTheMovieAndSaysWhatItHolds) {
  const fs::path out = Out("export");
  const std::string mp4 = (out / "clip.mp4").string();
  ToolRun r = Klvtool("export " + Path("quiet.avi") + " " + Path("red.avi") + " -o " + mp4 +
                      " --from 1:110 --to 2:9 --stamp -j 2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "pictures 20 damaged 0 size 320x240 rate 10/1 seconds 2.000 sound 0\n");
  EXPECT_EQ(Names(out), std::vector<std::string> {"clip.mp4"});
  const std::vector<uint8_t> bytes = sample::ReadBytes(mp4);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), "ftyp");

  r = Klvtool("export " + Path("red.avi") + " -o " + mp4 + " --motion-only --context 2 --quality 30 --fps 5");
  ASSERT_EQ(r.status, 0) << r.err;
  // The box's run 70 and 75, with 2 frames around: 68-77.
  EXPECT_EQ(r.out, "pictures 10 damaged 0 size 320x240 rate 5/1 seconds 2.000 sound 0\n");

  // A movie that cannot be read among others is left out and named.
  r = Klvtool("export " + Path("missing.avi") + " " + Path("red.avi") + " -o " + mp4 + " --to 2:4");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.rfind("klvtool: " + Path("missing.avi") + ": File Not Found", 0), 0u) << r.err;
  EXPECT_EQ(r.out.rfind("pictures 5 ", 0), 0u) << r.out;

  struct Case {
    std::string args;
    int status;
    std::string errStart;
  };
  const Case cases[] = {
      {Path("red.avi"), 2, "klvtool: export writes the movie given with -o"},
      {Path("red.avi") + " -o x.mp4 --from 2:0", 2, "klvtool: --from"},
      {Path("red.avi") + " " + Path("quiet.avi") + " -o x.mp4 --from 2:5 --to 1:0", 2, "klvtool: --from is after"},
      {Path("red.avi") + " -o x.mp4 --quality 52", 2, "klvtool: --quality"},
      {Path("red.avi") + " -o x.mp4 --fps 0", 2, "klvtool: --fps"},
      {Path("red.avi") + " -o x.mp4 --threshold 9", 2, "klvtool: --threshold and --context go with"},
      {Path("missing.avi") + " -o " + mp4, 1, "klvtool: " + Path("missing.avi") + ": File Not Found"},
      {Path("red.avi") + " -o " + (out / "no/such/x.mp4").string(), 1,
       "klvtool: cannot write " + (out / "no/such/x.mp4").string()},
      {Path("quiet.avi") + " -o " + mp4 + " --motion-only", 1, "klvtool: no motion found"},
  };
  fs::remove(mp4);
  for (const Case& c : cases) {
    const ToolRun e = Klvtool("export " + c.args);
    EXPECT_EQ(e.status, c.status) << c.args << " -> " << e.err;
    EXPECT_EQ(e.err.rfind(c.errStart, 0), 0u) << c.args << " -> " << e.err;
    EXPECT_EQ(std::count(e.err.begin(), e.err.end(), '\n'), 1) << e.err;
  }
  EXPECT_TRUE(Names(out).empty());
}

// Ctrl-C while the movie is being written: the command says so, fails, and
// the folder is as it was.
TEST_F(KlvtoolExportTest, CtrlCStopsAnExportAndLeavesNothing) {
  const fs::path out = Out("interrupt");
  const std::string err = (out.parent_path() / "interrupt.err").string();
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::freopen(err.c_str(), "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    const std::string mp4 = (out / "long.mp4").string(), avi = Path("quiet.avi"), red = Path("red.avi");
    ::execl(KLVTOOL_PATH, "klvtool", "export", avi.c_str(), red.c_str(), avi.c_str(), red.c_str(), "-o", mp4.c_str(),
            "--quality", "0", "-j", "1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Once the movie is being written (its temporary file is there).
  bool writing = false;
  for (int i = 0; i < 6000 && !writing; ++i) {
    writing = !Names(out).empty();
    if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(writing);
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::vector<uint8_t> said = sample::ReadBytes(err);
  const std::string text(said.begin(), said.end());
  EXPECT_NE(text.find("klvtool: export interrupted; nothing was written\n"), std::string::npos) << text;
  EXPECT_TRUE(Names(out).empty());
}

TEST_F(KlvtoolExportTest, ThumbnailShowsTheEventOrTheFrameThatStandsOutWithinItsSize) {
  const fs::path out = Out("thumbs");
  struct Case {
    std::string file;
    std::string size;
    int width, height;
    bool red;
  };
  const Case cases[] = {
      {"red.avi", "", 256, 192, true},      // the box stands out among 100 of 120 frames
      {"events.avi", "--size 64", 64, 48, true},  // the first event frame
      {"quiet.avi", "", 256, 192, false},
      {"pan.m4v", "--size 100", 100, 75, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string png = (out / (c.file + ".png")).string();
    const ToolRun r = Klvtool("thumbnail " + Path(c.file) + " " + png + " " + c.size);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const Png p = ReadPng(png);
    EXPECT_EQ(p.width, c.width);
    EXPECT_EQ(p.height, c.height);
    EXPECT_EQ(RedPixels(p) > p.width * p.height / 200, c.red) << RedPixels(p);
  }

  // Other people's movies and files that are none: one line, no picture.
  const std::string junk = Path("junk.avi"), mp4 = Path("holiday.mp4"), mjpeg = Path("other.avi");
  ASSERT_TRUE(sample::WriteBytes(junk, std::vector<uint8_t>(5000, 'x')));
  ASSERT_TRUE(sample::WriteBytes(mp4, std::vector<uint8_t>(64, 0)));
  ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=5 -t 1 -c:v mjpeg " + mjpeg +
                         " </dev/null")
                            .c_str()),
            0);
  for (const std::string& f : {junk, mp4, mjpeg, Path("missing.avi")}) {
    SCOPED_TRACE(f);
    const fs::path folder = Out("refused");
    const ToolRun r = Klvtool("thumbnail " + f + " " + (folder / "t.png").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("klvtool: " + f + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(Names(folder).empty());
  }
  EXPECT_EQ(Klvtool("thumbnail " + Path("red.avi") + " x.png --size 2").status, 2);
  const ToolRun over = Klvtool("thumbnail " + Path("red.avi") + " " + Path("red.avi"));
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err, "klvtool: " + Path("red.avi") + ": is one of the movies read\n");
  EXPECT_EQ(Klvtool("scan " + Path("red.avi") + " --sheet " + Path("red.avi")).status, 1);
}

TEST_F(KlvtoolExportTest, TheSheetAndThePageShowEachRunWithItsFrame) {
  const fs::path out = Out("sheet");
  const std::string sheet = (out / "card.png").string();
  const ToolRun r = Klvtool("scan " + Path("quiet.avi") + " " + Path("red.avi") + " --sheet " + sheet);
  ASSERT_EQ(r.status, 0) << r.err;
  // Two runs: the box arrives (70) and leaves (75).
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
  const Png p = ReadPng(sheet);
  ASSERT_GT(p.width, 0);
  EXPECT_EQ(p.width, 16 + 2 * 240 + 12 + 16) << "one cell a run, side by side";
  EXPECT_GT(RedPixels(p), 100) << "the box is on the sheet";

  const ToolRun quiet = Klvtool("scan " + Path("quiet.avi") + " --sheet " + (out / "quiet.png").string());
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(RedPixels(ReadPng((out / "quiet.png").string())), 0);

  const std::string page = (out / "card.html").string();
  const ToolRun h = Klvtool("scan --format html -o " + page + " " + Path("red.avi"));
  ASSERT_EQ(h.status, 0) << h.err;
  EXPECT_EQ(h.out, "");
  const std::vector<uint8_t> bytes = sample::ReadBytes(page);
  const std::string html(bytes.begin(), bytes.end());
  EXPECT_NE(html.find("data:image/png;base64,"), std::string::npos);
  EXPECT_NE(html.find(">70</a></td>"), std::string::npos) << html.substr(html.size() - 600);
  // Each run's frame as the camera stored it, beside the page and linked.
  for (const int frame : {70, 75}) {
    const std::string link = "card_files/red_" + std::string(frame == 70 ? "00070" : "00075") + ".jpg";
    EXPECT_NE(html.find("href=\"" + link + "\""), std::string::npos) << link;
    const std::string saved = (out / "saved.jpg").string();
    ASSERT_EQ(Klvtool("save " + Path("red.avi") + " " + std::to_string(frame) + " " + saved).status, 0);
    EXPECT_EQ(sample::ReadBytes((out / link).string()), sample::ReadBytes(saved));
  }
  EXPECT_EQ(Klvtool("scan --format html " + Path("red.avi")).status, 2);
}

}  // namespace
}  // namespace klv
