// Playback while the motion timeline fills: the main window (on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise) plays the 10,000-frame
// 1280 x 720 movie of timeline_movie.h at 30 frames a second while its
// timeline fills on the worker, and goes on playing as long again once the
// timeline is complete. For both spans it prints the time between playback
// ticks and the time each tick took (the frame's read, decode and display),
// as median, 95th and 99th percentile and worst, the ticks that came more
// than half an interval late, and the ticks that moved more than one frame.
//
//   timeline_playback [--dir DIR] [--seconds S]   (S: the span after the fill, default 10)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/motion_timeline.h"
#include "player/klvmain.h"
#include "timeline/timeline_movie.h"

namespace {

struct Tick {
  double at = 0;    // ms since the start, when the tick ended
  double took = 0;  // ms the tick's work took
  int moved = 0;    // frames it moved
  bool filling = false;
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

void Report(const char* what, const std::vector<Tick>& ticks, bool filling, int intervalMs) {
  std::vector<double> gaps, took;
  int late = 0, skipped = 0;
  for (size_t i = 1; i < ticks.size(); ++i) {
    if (ticks[i].filling != filling || ticks[i - 1].filling != filling) continue;
    const double gap = ticks[i].at - ticks[i - 1].at;
    gaps.push_back(gap);
    took.push_back(ticks[i].took);
    if (gap > intervalMs * 1.5) ++late;
    if (ticks[i].moved > 1) ++skipped;
  }
  std::printf("%-30s ticks %5zu | between ticks ms: median %5.1f  p95 %5.1f  p99 %5.1f  worst %6.1f"
              " | tick work ms: median %4.1f  p99 %5.1f  worst %5.1f | late %d, skipped frames %d\n",
              what, gaps.size(), Percentile(gaps, 0.5), Percentile(gaps, 0.95), Percentile(gaps, 0.99),
              gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()), Percentile(took, 0.5),
              Percentile(took, 0.99), took.empty() ? 0.0 : *std::max_element(took.begin(), took.end()), late,
              skipped);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::string dir = "/tmp/klv_bench_timeline";
  int after = 10;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) dir = argv[++i];
    else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) after = std::atoi(argv[++i]);
  }
  const std::string movie = klv::bench::TimelineMovie(dir);
  const std::string ini = dir + "/playback.ini";
  std::ofstream(ini) << "[settings]\nnMotionThreshold=50\n";

  TfrmKLVMain w(ini);
  w.show();
  klv::Player& p = w.player();
  auto* timer = w.findChild<QTimer*>("Timer1");
  std::vector<Tick> ticks;
  QElapsedTimer clock;
  int lastFrame = 0;
  double fillEnded = -1;
  // Runs after the player's own handler of the same timeout. The first tick
  // has measured the decode time; the speed bar's change (as a user's nudge
  // would) puts it into the timer, as playback goes on from then.
  bool measuring = false;
  QObject::connect(timer, &QTimer::timeout, &w, [&] {
    if (!measuring) {
      p.RateChanged(0);
      measuring = true;
      lastFrame = p.CurrentFrame();
      return;
    }
    Tick t;
    t.at = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const auto values = p.timeline.Current();
    t.filling = values != nullptr && !values->Complete();
    t.moved = p.CurrentFrame() - lastFrame;
    lastFrame = p.CurrentFrame();
    ticks.push_back(t);
    if (!t.filling && fillEnded < 0) fillEnded = t.at;
  });
  // The time a tick took: from its timer event to the end of its handlers.
  struct Stamp : QObject {
    QElapsedTimer* clock;
    QTimer* timer;
    double started = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (o == timer && e->type() == QEvent::Timer) started = static_cast<double>(clock->nsecsElapsed()) / 1e6;
      return false;
    }
  } stamp;
  stamp.clock = &clock;
  stamp.timer = timer;
  timer->installEventFilter(&stamp);
  QObject::connect(timer, &QTimer::timeout, &w, [&] {
    if (measuring && !ticks.empty()) ticks.back().took = ticks.back().at - stamp.started;
  });

  clock.start();
  w.Start({movie});
  const auto values = p.timeline.Current();
  if (values == nullptr) {
    std::fprintf(stderr, "timeline_playback: the movie did not open\n");
    return 1;
  }
  QTimer stop;
  stop.setInterval(100);
  QObject::connect(&stop, &QTimer::timeout, [&] {
    if (fillEnded >= 0 && clock.elapsed() > fillEnded + after * 1000.0) app.quit();
    if (clock.elapsed() > 10 * 60 * 1000) app.quit();
  });
  stop.start();
  app.exec();
  p.Pause();

  std::printf("movie %s: %d frames %dx%d, rate %d/s, timer %d ms, step %d\n", movie.c_str(), values->Frames(),
              1280, 720, p.state.rate, timer->interval(), p.state.step);
  std::printf("timeline filled in %.1f s while playing (%.0f frames a second)\n", fillEnded / 1000.0,
              values->Frames() / (fillEnded / 1000.0));
  Report("while the timeline fills", ticks, true, timer->interval());
  Report("after (timeline complete)", ticks, false, timer->interval());
  return 0;
}
