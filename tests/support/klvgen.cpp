// klvgen OUTDIR: writes the demo movies a new user sees, and README.txt
// listing what happens in them.
//
// Each movie is one function below that returns a DemoFile (name, bytes,
// modification time, README lines), registered in Demos(). A movie of another
// kind (.m4v, .ztm) is added the same way. The movies are built on up to two
// threads, then written one after another in the order of Demos(), so that
// their creation times follow that order.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_times.h"
#include "support/adpcm_encoder.h"
#include "support/movie_builder.h"
#include "support/mpeg4_stream.h"
#include "support/ztm_writer.h"

namespace {

using namespace klv::sample;

// One demo file, ready to be written.
struct DemoFile {
  std::string name;
  std::vector<uint8_t> bytes;
  uint64_t modified = 0;           // camera-clock time for the file's modification time (0: now)
  std::vector<std::string> notes;  // its README paragraph
};

std::string Format(const char* fmt, auto... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

std::string StampText(uint64_t stamp) {
  CalendarTime t;
  DateFromTimeStamp(stamp, &t);
  return Format("%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// Sets a file's access and modification times to a camera clock time, read
// as local time (the camera knows no time zone).
bool SetFileTimes(const std::string& path, uint64_t stamp) {
  CalendarTime t;
  if (!DateFromTimeStamp(stamp, &t)) return false;
  int64_t when = 0;
  if (!klv::LocalTimeToUnix(t.year, t.month, t.day, t.hour, t.minute, t.second, &when)) return false;
  const struct timespec times[2] = {{static_cast<std::time_t>(when), 0}, {static_cast<std::time_t>(when), 0}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// "a-b, c-d" from a sorted frame list.
std::string Ranges(const std::vector<int>& frames) {
  std::string r;
  for (size_t i = 0; i < frames.size();) {
    size_t j = i;
    while (j + 1 < frames.size() && frames[j + 1] == frames[j] + 1) ++j;
    if (!r.empty()) r += ", ";
    r += i == j ? Format("%d", frames[i]) : Format("%d-%d", frames[i], frames[j]);
    i = j + 1;
  }
  return r.empty() ? "none" : r;
}

// Builds an AVI demo: its bytes, the end of the recording as its
// modification time, and its README paragraph.
DemoFile AviDemo(const std::string& name, const MovieSpec& plan, const std::string& what) {
  DemoFile d;
  d.name = name;
  d.bytes = BuildCameraAvi(plan);
  d.modified = FrameTimeStampOf(plan, plan.frames);
  auto& n = d.notes;
  n.push_back(Format("%s  %dx%d, %d frames every %u s, played at %d fps, %.1f MB", name.c_str(), plan.width,
                     plan.height, plan.frames, plan.scale, plan.rate / static_cast<int>(plan.scale),
                     d.bytes.size() / 1048576.0));
  n.push_back("  recorded " + StampText(plan.timeStampStart) + " to " + StampText(d.modified));
  n.push_back("  " + what);
  for (const auto& o : plan.scene.objects) {
    const char* kind = o.shape == ShapeKind::Animal ? "goat" : o.shape == ShapeKind::Car ? "car" : "object";
    n.push_back(Format("  %s in the picture in frames %d-%d", kind, o.firstFrame, o.lastFrame));
  }
  n.push_back("  motion search (threshold 50) stops at frames: " + Ranges(ExpectedMotionFrames(plan, 50)));
  if (plan.eventMode) n.push_back("  event frames: " + Ranges(plan.eventFrames));
  return d;
}

// A white goat: bright against the meadow and the road at any time of day.
SceneObject Goat(int first, int last, double y, bool leftToRight, int width) {
  SceneObject o;
  o.shape = ShapeKind::Animal;
  o.firstFrame = first;
  o.lastFrame = last;
  o.width = 150;
  o.height = 96;
  o.x0 = leftToRight ? -40 : width + 40;
  o.x1 = leftToRight ? width + 40 : -40;
  o.y0 = o.y1 = y;
  o.r = 245;
  o.g = 240;
  o.b = 225;
  return o;
}

SceneObject Car(int first, int last, double y, bool leftToRight, int width, uint8_t r, uint8_t g, uint8_t b) {
  SceneObject o;
  o.shape = ShapeKind::Car;
  o.firstFrame = first;
  o.lastFrame = last;
  o.width = 190;
  o.height = 90;
  o.x0 = leftToRight ? -60 : width + 60;
  o.x1 = leftToRight ? width + 60 : -60;
  o.y0 = o.y1 = y;
  o.r = r;
  o.g = g;
  o.b = b;
  return o;
}

MovieSpec DaySpec(int hour, int minute, double brightness, int driftOffset) {
  MovieSpec plan;
  plan.width = 640;
  plan.height = 480;
  plan.frames = 300;
  plan.scale = 5;
  plan.rate = 50;
  plan.jpeg.quality = 75;
  plan.timeStampStart = TimeStampFromDate(2010, 5, 15, hour, minute, 0);
  plan.scene.seed = 2010;
  plan.scene.road = true;
  plan.scene.brightness = brightness;
  plan.scene.driftOffset = driftOffset;
  return plan;
}

// A day's play list: three files of the same view, morning, noon and dusk.
DemoFile DayMorning() {
  MovieSpec plan = DaySpec(7, 0, 0.85, 0);
  plan.scene.objects = {Goat(120, 131, 300, true, plan.width)};
  return AviDemo("day_0700.avi", plan, "a goat crosses the meadow");
}

DemoFile DayNoon() {
  MovieSpec plan = DaySpec(12, 0, 1.0, 180);
  plan.scene.objects = {Car(60, 64, 385, false, plan.width, 200, 30, 25),
                        Goat(250, 265, 290, false, plan.width)};
  return AviDemo("day_1200.avi", plan, "a red car passes, later a goat crosses back");
}

DemoFile DayDusk() {
  MovieSpec plan = DaySpec(17, 30, 0.8, 360);
  plan.scene.objects = {Car(150, 154, 385, true, plan.width, 235, 235, 240)};
  return AviDemo("day_1730.avi", plan, "a white car passes");
}

// Event mode: the camera marks the frames that triggered it.
DemoFile EventDemo() {
  MovieSpec plan = DaySpec(9, 15, 0.95, 90);
  plan.frames = 120;
  plan.eventMode = true;
  plan.eventFrames = {20, 57, 95};
  plan.scene.objects = {Goat(20, 29, 300, true, plan.width),
                        Car(57, 61, 385, false, plan.width, 30, 60, 170),
                        Goat(95, 104, 280, false, plan.width)};
  return AviDemo("events.avi", plan, "recorded in event mode; each event is an arrival");
}

// A larger picture, played fast: for zoom 50 and the speed control.
DemoFile WideDemo() {
  MovieSpec plan;
  plan.width = 1280;
  plan.height = 720;
  plan.frames = 150;
  plan.scale = 5;
  plan.rate = 150;
  plan.jpeg.quality = 75;
  plan.timeStampStart = TimeStampFromDate(2010, 5, 16, 10, 0, 0);
  plan.scene.seed = 720;
  plan.scene.road = true;
  plan.scene.driftOffset = 200;
  SceneObject car = Car(40, 45, 580, true, plan.width, 240, 190, 20);
  car.width = 380;
  car.height = 180;
  SceneObject goat = Goat(100, 114, 430, false, plan.width);
  goat.width = 300;
  goat.height = 190;
  plan.scene.objects = {car, goat};
  return AviDemo("wide_720p.avi", plan, "a yellow van passes, later a goat crosses");
}

// An MPEG-4 stream as the camera's newer models record it; the player shows
// a picture every 66 ms.
DemoFile StreamDemo() {
  const M4vStreamSpec plan = DemoM4vSpec();
  DemoFile d;
  d.name = "pan.m4v";
  d.bytes = BuildM4vStream(plan);
  d.notes = {Format("%s  %dx%d MPEG-4 stream, %d pictures, an intra picture every %d, %.1f MB", d.name.c_str(),
                    plan.encoder.width, plan.encoder.height, plan.pictures, plan.intraPeriod,
                    d.bytes.size() / 1048576.0),
             "  the view pans while three boxes move; it plays forward only and pauses at its end",
             "  Options > Deblock (ShowMenus=1) switches the camera's deblocking filter on and off"};
  return d;
}

// A recording with sound, played at the pace of its sound: a tone whose
// pitch steps with every picture, so that pictures and sound drifting apart
// can be heard.
DemoFile SoundDemo() {
  ZtmSpec plan;
  plan.video.encoder.width = 320;
  plan.video.encoder.height = 240;
  plan.video.encoder.intraQuant = 5;
  plan.video.encoder.interQuant = 6;
  plan.video.encoder.searchRange = 4;
  plan.video.pictures = 70;
  plan.video.intraPeriod = 10;
  plan.video.scene.seed = 7;
  plan.video.scene.panX = 0;
  plan.video.scene.panY = 0;
  plan.video.scene.objects = 3;
  plan.video.scene.objectSpeed = 3;
  plan.video.scene.textureScale = 12;
  plan.picturesPerSecond = 10;
  const SteppingTone tone;
  plan.audio = SteppingToneAdpcm(tone, plan.video.pictures);
  DemoFile d;
  d.name = "garden.ztm";
  d.bytes = BuildZtmFile(plan);
  d.notes = {Format("%s  %dx%d MPEG-4 recording with sound, %d pictures at %.0f a second (%.0f s), %.1f MB",
                    d.name.c_str(), plan.video.encoder.width, plan.video.encoder.height, plan.video.pictures,
                    plan.picturesPerSecond, plan.video.pictures / plan.picturesPerSecond, d.bytes.size() / 1048576.0),
             "  three boxes wander over a still garden; an intra picture with its time stamp every 10 pictures",
             Format("  the sound is a tone whose pitch climbs by %d Hz with each picture, from %d Hz, and",
                    tone.stepHz, tone.baseHz),
             Format("  starts again every %d pictures: the pictures follow the sound, so a step in", tone.steps),
             "  pitch heard away from a change of picture means the two have drifted apart",
             "  klvtool audio garden.ztm garden.wav writes the sound as a WAV file"};
  return d;
}

// In the order they are written: the day's files in time order, so that
// their creation times sort them as the camera recorded them.
std::vector<std::function<DemoFile()>> Demos() {
  return {DayMorning, DayNoon, DayDusk, EventDemo, WideDemo, StreamDemo, SoundDemo};
}

bool WriteDemo(const std::string& dir, const DemoFile& d) {
  const std::string path = dir + "/" + d.name;
  std::remove(path.c_str());  // a new file, so that its creation time is now
  if (!WriteBytes(path, d.bytes)) {
    std::fprintf(stderr, "klvgen: cannot write %s\n", path.c_str());
    return false;
  }
  if (d.modified != 0 && !SetFileTimes(path, d.modified)) {
    std::fprintf(stderr, "klvgen: cannot set the times of %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: klvgen OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "klvgen: cannot create %s\n", dir.c_str());
    return 1;
  }
  const auto t0 = std::chrono::steady_clock::now();
  const auto makers = Demos();
  std::vector<DemoFile> files(makers.size());
  std::atomic<size_t> next {0};
  // Built from the end of the list: the large movie last in the list starts
  // first, which balances the two threads better.
  const auto work = [&] {
    for (size_t i; (i = next++) < makers.size();) {
      const size_t k = makers.size() - 1 - i;
      files[k] = makers[k]();
    }
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();

  std::string readme =
      "Kelvarn demo movies\n\n"
      "Frames are counted from 0. The day_*.avi files form one day's play list:\n"
      "drop all three on the player; they play in recording order.\n\n";
  bool ok = true;
  size_t total = 0;
  for (const DemoFile& d : files) {
    ok = WriteDemo(dir, d) && ok;
    total += d.bytes.size();
    for (const auto& line : d.notes) readme += line + "\n";
    readme += "\n";
  }
  if (!WriteBytes(dir + "/README.txt", std::vector<uint8_t>(readme.begin(), readme.end()))) {
    std::fprintf(stderr, "klvgen: cannot write %s/README.txt\n", dir.c_str());
    ok = false;
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("klvgen: %zu movies, %.1f MB in %s (%.1f s)\n", files.size(), total / 1048576.0, dir.c_str(), s);
  return ok ? 0 : 1;
}
