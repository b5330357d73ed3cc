// Decoding speed of the camera's MPEG-4 decoder beside ffmpeg's
// single-threaded decode of the same 640 x 480, 300-picture stream.
//
// The stream is KLV_BENCH_M4V when set, else made by make_bench_stream.sh
// (ffmpeg) into a temporary folder. Times are CPU times: the machine may be
// shared. ffmpeg's process start and first picture are measured apart and
// taken off, so both figures are per picture of steady decoding.
//
//   build/bench/bench/mpeg4/mpeg4_bench --benchmark_min_time=2

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ffmpeg_cpu.h"

#include "media/mpeg4/mpeg4_decoder.h"

namespace {

std::string g_stream;
int g_pictures = 0;
double g_oursDecodeMs = 0, g_oursBitmapMs = 0, g_oursDeblockMs = 0, g_ffmpegMs = 0;

bool PrepareStream() {
  if (const char* env = std::getenv("KLV_BENCH_M4V")) {
    g_stream = env;
  } else {
    char tmpl[] = "/tmp/klv_m4v_bench_XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (dir == nullptr) return false;
    g_stream = std::string(dir) + "/bench.m4v";
    const std::string cmd = std::string(KLV_SOURCE_DIR) + "/bench/mpeg4/make_bench_stream.sh " + g_stream;
    if (std::system(cmd.c_str()) != 0) return false;
  }
  klv::Mpeg4Decoder d;
  d.OpenStream(g_stream);
  while (d.DecodeNextFrame().position > 0) ++g_pictures;
  return d.PictureWidth() == 640 && g_pictures > 1;
}

void DecodeAll(benchmark::State& state, int method, bool bitmap) {
  klv::DecoderFlags flags;
  flags.g_nDeblockMethod = method;
  klv::Mpeg4Decoder d;
  d.SetFlags(&flags);
  if (d.OpenStream(g_stream) <= 0) {
    state.SkipWithError("cannot open the stream");
    return;
  }
  klv::FramePicture pic;
  pic.Create(d.PictureWidth(), d.PictureHeight());
  int64_t pictures = 0;
  for (auto _ : state) {
    d.RewindStream();
    int n = 0;
    while (d.DecodeNextFrame({bitmap ? &pic : nullptr, false, false}).position > 0) ++n;
    if (n != g_pictures) state.SkipWithError("decode failed");
    pictures += n;
  }
  state.SetItemsProcessed(pictures);
  state.counters["ms/picture"] =
      benchmark::Counter(static_cast<double>(pictures) / 1000.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_OursDecode(benchmark::State& state) { DecodeAll(state, 0, false); }
void BM_OursDecodeToBitmap(benchmark::State& state) { DecodeAll(state, 0, true); }
void BM_OursDecodeDeblockToBitmap(benchmark::State& state) { DecodeAll(state, 2, true); }

// CPU seconds (user + system) of one ffmpeg run over the stream (or its first picture).
double RunFfmpeg(bool onePicture) {
  std::vector<std::string> args = {"-hide_banner", "-threads", "1", "-i", g_stream};
  if (onePicture) args.insert(args.end(), {"-frames:v", "1"});
  args.insert(args.end(), {"-f", "null", "-"});
  return klv::bench::FfmpegCpuSeconds(args);
}

void BM_FfmpegSingleThread(benchmark::State& state) {
  double steady = 0;
  int runs = 0;
  for (auto _ : state) {
    const double all = RunFfmpeg(false);
    const double one = RunFfmpeg(true);
    if (all < 0 || one < 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    state.SetIterationTime(all);
    steady += all - one;
    ++runs;
  }
  g_ffmpegMs = steady / runs / (g_pictures - 1) * 1000.0;
  state.counters["ms/picture"] = g_ffmpegMs;
  state.counters["pictures"] = g_pictures;
}

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const double cpuMsPerPicture = r.GetAdjustedCPUTime() / g_pictures;  // time unit: ms
      if (r.benchmark_name().find("BM_OursDecode/") == 0 || r.benchmark_name() == "BM_OursDecode") {
        g_oursDecodeMs = cpuMsPerPicture;
      } else if (r.benchmark_name().find("BM_OursDecodeToBitmap") == 0) {
        g_oursBitmapMs = cpuMsPerPicture;
      } else if (r.benchmark_name().find("BM_OursDecodeDeblockToBitmap") == 0) {
        g_oursDeblockMs = cpuMsPerPicture;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(BM_OursDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeToBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursDecodeDeblockToBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegSingleThread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!PrepareStream()) {
    std::fprintf(stderr, "mpeg4_bench: no benchmark stream (ffmpeg missing?)\n");
    return 1;
  }
  Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%s: %d pictures 640x480, CPU ms per picture\n", g_stream.c_str(), g_pictures);
  std::printf("  ours, decode only            %.3f\n", g_oursDecodeMs);
  std::printf("  ours, decode + BGR           %.3f\n", g_oursBitmapMs);
  std::printf("  ours, decode + deblock + BGR %.3f\n", g_oursDeblockMs);
  std::printf("  ffmpeg -threads 1 decode     %.3f\n", g_ffmpegMs);
  if (g_oursDecodeMs > 0 && g_ffmpegMs > 0) {
    std::printf("  ffmpeg / ours (decode only)  %.2fx\n", g_ffmpegMs / g_oursDecodeMs);
  }
  benchmark::Shutdown();
  return 0;
}
