// MP4 export speed: our writer (BGR pictures -> H.264 in MP4) beside the
// ffmpeg program doing the same job on the same pictures (raw BGR from a
// file, libx264, same preset and quality, index moved to the front), both in
// pictures per second of wall time, as the user waits for them.
//
//   bench_export [--dir DIR] [benchmark flags]
//
// The pictures are a sample-writer scene at 1280 x 720 with a car driving
// through; they are rendered once into DIR (default /tmp/klv_bench_export).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export/mp4_writer.h"
#include "export/export_test_util.h"
#include "support/scene.h"

namespace {

namespace fs = std::filesystem;

std::string g_dir = "/tmp/klv_bench_export";
constexpr int kWidth = 1280, kHeight = 720, kPictures = 90, kRate = 30;

const std::vector<klv::FramePicture>& Pictures() {
  static std::vector<klv::FramePicture> pictures = [] {
    klv::sample::SceneSpec plan;
    plan.seed = 2026;
    plan.road = true;
    klv::sample::SceneObject car;
    car.shape = klv::sample::ShapeKind::Car;
    car.lastFrame = kPictures - 1;
    car.x0 = -150;
    car.x1 = kWidth + 150;
    car.y0 = car.y1 = kHeight * 0.72;
    car.width = 260;
    car.height = 110;
    car.r = 180;
    car.g = 30;
    car.b = 40;
    plan.objects.push_back(car);
    const klv::sample::Scene scene(plan, kWidth, kHeight);
    std::vector<klv::FramePicture> out;
    for (int k = 0; k < kPictures; ++k) out.push_back(klv::test::ScenePicture(scene, k));
    return out;
  }();
  return pictures;
}

// The same pictures as one raw BGR file for the ffmpeg program.
const std::string& RawFile() {
  static const std::string path = [] {
    fs::create_directories(g_dir);
    const std::string p = g_dir + "/pictures_1280x720.bgr";
    std::ofstream f(p, std::ios::binary);
    for (const klv::FramePicture& pic : Pictures())
      for (int y = 0; y < kHeight; ++y) f.write(reinterpret_cast<const char*>(pic.Row(y)), kWidth * 3);
    return p;
  }();
  return path;
}

const char* const kPresets[] = {"veryfast", "faster", "fast", "medium"};

void Rate(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kPictures);
  state.counters["fps"] = benchmark::Counter(kPictures, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Mp4Writer(benchmark::State& state) {
  const char* preset = kPresets[state.range(0)];
  const auto& pictures = Pictures();
  fs::create_directories(g_dir);
  const std::string out = g_dir + "/ours.mp4";
  klv::Mp4Options o;
  o.rate = kRate;
  o.preset = preset;
  for (auto _ : state) {
    klv::Mp4Writer w;
    bool ok = w.Open(out, kWidth, kHeight, o);
    for (const auto& p : pictures) ok = ok && w.AddPicture(p);
    if (!ok || !w.Finish()) {
      state.SkipWithError(w.Error().c_str());
      return;
    }
  }
  state.SetLabel(std::string(preset) + ", " + std::to_string(fs::file_size(out) / 1024) + " KiB");
  Rate(state);
}

void BM_FfmpegProgram(benchmark::State& state) {
  const char* preset = kPresets[state.range(0)];
  const std::string& raw = RawFile();
  const std::string out = g_dir + "/ffmpeg.mp4";
  const std::string cmd = "ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt bgr24 -s " + std::to_string(kWidth) + "x" +
                          std::to_string(kHeight) + " -r " + std::to_string(kRate) + " -i " + raw +
                          " -c:v libx264 -preset " + preset + " -crf 23 -pix_fmt yuv420p -movflags +faststart " + out;
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
  }
  state.SetLabel(std::string(preset) + ", " + std::to_string(fs::file_size(out) / 1024) + " KiB");
  Rate(state);
}

BENCHMARK(BM_Mp4Writer)->ArgName("preset")->DenseRange(0, 3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegProgram)->ArgName("preset")->DenseRange(0, 3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      g_dir = argv[++i];
      continue;
    }
    args.push_back(argv[i]);
  }
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  Pictures();  // rendered before any timing
  RawFile();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
