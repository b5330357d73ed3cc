// The motion timeline's fill of a 10,000-frame 1280 x 720 camera movie (see
// timeline_movie.h), beside ffmpeg reading the same file in the same run, one
// thread each: its DC-only decode (-lowres 3, one sample for each 8 x 8 block,
// the reduced picture the timeline compares) and its full decode.
//
//   bench_timeline [--dir DIR] [--write-only] [benchmark flags]
//
// The fill is timed from Start to a complete timeline (wall time, the worker
// opening the file included); its CPU time is the process's, the worker's
// alone while the main thread waits. ffmpeg's figures are its CPU time.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "engine/motion_timeline.h"
#include "ffmpeg_cpu.h"
#include "media/avi/avi_reader.h"
#include "movie_bench.h"
#include "timeline/timeline_movie.h"

namespace {

std::string g_dir = "/tmp/klv_bench_timeline";

const std::string& Movie() {
  static const std::string path = klv::bench::TimelineMovie(g_dir);
  return path;
}

double ProcessCpuSeconds() {
  rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void Fill(benchmark::State& state, bool cold) {
  const std::string& path = Movie();
  klv::AviReader avi;
  klv::JpegDecoder headers;
  if (avi.AviOpen(path, headers) != klv::AviOpenStatus::kOk) {
    state.SkipWithError("cannot open the movie");
    return;
  }
  double cpu = 0;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      klv::bench::EvictFromPageCache(path);
      state.ResumeTiming();
    }
    const double before = ProcessCpuSeconds();
    klv::MotionTimeline timeline;  // a fresh one: nothing kept
    const auto values = timeline.Start(path, avi.TotalFrames(), avi.EventFrames());
    if (!timeline.WaitIdle(std::chrono::minutes(10)) || !values->Complete()) state.SkipWithError("not filled");
    cpu += ProcessCpuSeconds() - before;
  }
  const double frames = avi.TotalFrames();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * frames));
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["fps_cpu"] = frames * static_cast<double>(state.iterations()) / cpu;
}
void BM_TimelineFill(benchmark::State& state) { Fill(state, false); }
void BM_TimelineFillCold(benchmark::State& state) { Fill(state, true); }

void Ffmpeg(benchmark::State& state, bool dcOnly) {
  const std::string& path = Movie();
  std::vector<std::string> args = {"-nostdin", "-hide_banner", "-threads", "1"};
  if (dcOnly) args.insert(args.end(), {"-lowres", "3"});
  args.insert(args.end(), {"-i", path, "-f", "null", "-"});
  double cpu = 0;
  for (auto _ : state) {
    const double s = klv::bench::FfmpegCpuSeconds(args);
    if (s < 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    state.SetIterationTime(s);
    cpu += s;
  }
  const double frames = klv::bench::kTimelineFrames;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * frames));
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["fps_cpu"] = frames * static_cast<double>(state.iterations()) / cpu;
}
void BM_FfmpegDcOnly(benchmark::State& state) { Ffmpeg(state, true); }
void BM_FfmpegFullDecode(benchmark::State& state) { Ffmpeg(state, false); }

BENCHMARK(BM_TimelineFill)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_TimelineFillCold)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FfmpegDcOnly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_FfmpegFullDecode)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return klv::bench::MovieBenchMain(argc, argv, &g_dir, [] { std::printf("%s\n", Movie().c_str()); });
}
