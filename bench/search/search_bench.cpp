// The motion search's speed: the whole search over camera AVI files on disk
// at 640 x 480 and 1280 x 720, beside an entropy-decoding-only pass over the
// same frames (ours, and libjpeg-turbo's coefficient read) and a full decode
// (ours, and libjpeg-turbo's); and the event-mode open of a 10,000-frame file.
// ffmpeg's full single-thread decode of the same files is timed by
// scripts/bench-search, which runs this program beside it.
//
//   bench_search [--dir DIR] [--write-only] [benchmark flags]
//
// The movies are made by the sample writer into DIR (default
// /tmp/klv_bench_search) once and reused; --write-only makes them and prints
// their paths.

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <turbojpeg.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/motion_search.h"
#include "media/avi/avi_reader.h"
#include "movie_bench.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace {

namespace fs = std::filesystem;

std::string g_dir = "/tmp/klv_bench_search";
constexpr int kFrames = 300;
constexpr int kEventFrames = 10000;

klv::sample::MovieSpec CameraSpec(int w, int h) {
  klv::sample::MovieSpec plan;
  plan.width = w;
  plan.height = h;
  plan.frames = kFrames;
  plan.scale = 5;
  plan.rate = 50;
  plan.jpeg.quality = 75;
  plan.scene.seed = 2010;
  plan.scene.road = true;
  return plan;
}

std::string CameraPath(int w, int h) {
  return g_dir + "/cam_" + std::to_string(w) + "x" + std::to_string(h) + ".avi";
}
std::string EventPath() { return g_dir + "/events_10000.avi"; }

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec) && fs::file_size(path, ec) > 0;
}

// A camera movie of kFrames frames with no motion in it, so that a search
// runs through every frame.
const std::string& CameraFile(int w, int h) {
  static std::map<std::pair<int, int>, std::string> made;
  auto it = made.find({w, h});
  if (it != made.end()) return it->second;
  const std::string path = CameraPath(w, h);
  if (!Exists(path)) {
    fs::create_directories(g_dir);
    if (!klv::sample::WriteCameraAvi(path, CameraSpec(w, h))) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
  return made.emplace(std::make_pair(w, h), path).first->second;
}

// 10,000 frames of 640 x 480 recorded in event mode, every 100th frame
// marked: a few pictures repeated (only the headers matter to the open).
const std::string& EventFile() {
  static std::string path;
  if (!path.empty()) return path;
  path = EventPath();
  if (Exists(path)) return path;
  fs::create_directories(g_dir);
  klv::sample::MovieSpec plan = CameraSpec(640, 480);
  plan.eventMode = true;
  std::vector<std::vector<uint8_t>> distinct;
  for (int i = 0; i < 4; ++i) {
    plan.eventFrames = {i == 1 ? 1 : -1};
    distinct.push_back(klv::sample::BuildCameraFrame(plan, i));  // 0: mode bit; 1: marked; 2, 3 plain
  }
  std::vector<std::vector<uint8_t>> frames;
  frames.reserve(kEventFrames);
  for (int i = 0; i < kEventFrames; ++i) {
    if (i == 0) frames.push_back(distinct[0]);
    else if (i % 100 == 0) frames.push_back(distinct[1]);
    else frames.push_back(distinct[2 + (i & 1)]);
  }
  if (!klv::sample::WriteBytes(path, klv::sample::WriteAvi({640, 480, 5, 50}, frames)))
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return path;
}

// Every frame's JPEG bytes of a file, in memory.
const std::vector<std::vector<uint8_t>>& Frames(int w, int h) {
  static std::map<std::pair<int, int>, std::vector<std::vector<uint8_t>>> cache;
  auto it = cache.find({w, h});
  if (it != cache.end()) return it->second;
  klv::AviReader avi;
  klv::JpegDecoder headers;
  std::vector<std::vector<uint8_t>> frames;
  if (avi.AviOpen(CameraFile(w, h), headers) == klv::AviOpenStatus::kOk) {
    for (int i = 0; i < avi.TotalFrames(); ++i) {
      std::vector<uint8_t> b;
      if (avi.AviReadFrame(i, b) == 0) {
        b.resize(avi.IndexEntry(i).size);
        frames.push_back(std::move(b));
      }
    }
  }
  return cache.emplace(std::make_pair(w, h), std::move(frames)).first->second;
}

void Fps(benchmark::State& state, int64_t framesPerIteration, int64_t bytesPerIteration) {
  state.SetItemsProcessed(state.iterations() * framesPerIteration);
  state.SetBytesProcessed(state.iterations() * bytesPerIteration);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(framesPerIteration),
                                             benchmark::Counter::kIsIterationInvariantRate);
}

int64_t TotalBytes(const std::vector<std::vector<uint8_t>>& frames) {
  int64_t n = 0;
  for (const auto& f : frames) n += static_cast<int64_t>(f.size());
  return n;
}

// The search as the player runs it over a file: read, reduce, convert, compare,
// frame after frame. Threshold 255: nothing stops it.
void SearchFile(benchmark::State& state, bool cold) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const std::string& path = CameraFile(w, h);
  klv::AviReader avi;
  klv::JpegDecoder decoder;
  if (avi.AviOpen(path, decoder) != klv::AviOpenStatus::kOk) {
    state.SkipWithError("cannot open");
    return;
  }
  klv::MotionSearcher searcher;
  int previews = 0;
  searcher.preview = [&previews](const klv::ReducedBitmapHeader&, const uint8_t*, int) { ++previews; };
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      klv::bench::EvictFromPageCache(path);
      state.ResumeTiming();
    }
    const klv::MotionSearchResult r = searcher.MotionSearch(avi, decoder, 0, avi.TotalFrames(), 255);
    if (r.outcome != klv::SearchOutcome::kReachedEnd) state.SkipWithError("the search stopped");
  }
  Fps(state, avi.TotalFrames(), static_cast<int64_t>(fs::file_size(path)));
}
void BM_SearchFile(benchmark::State& state) { SearchFile(state, false); }
void BM_SearchFileCold(benchmark::State& state) { SearchFile(state, true); }

// The reduced decode of frames already in memory (no reading).
void BM_ReducedDecode(benchmark::State& state) {
  const auto& frames = Frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  klv::JpegDecoder decoder;
  klv::MotionSearcher s;
  s.Allocate(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  int slot = 0;
  for (auto _ : state) {
    for (const auto& f : frames) {
      s.DecodeReducedPicture(decoder, f.data(), f.size(), slot);
      s.ReducedToRgb(slot);
      benchmark::DoNotOptimize(s.MotionDetected(slot, 1 - slot, 255));
      slot ^= 1;
    }
  }
  Fps(state, static_cast<int64_t>(frames.size()), TotalBytes(frames));
}

// Entropy decoding alone with our decoder: header walk, DC differences,
// AC codes decoded and dropped, nothing stored.
void BM_EntropyOnlyOurs(benchmark::State& state) {
  const auto& frames = Frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  klv::JpegDecoder d;
  const int mcus = ((static_cast<int>(state.range(0)) + 15) / 16) * ((static_cast<int>(state.range(1)) + 15) / 16);
  std::vector<int32_t> pred(static_cast<size_t>(mcus) * 6);
  for (auto _ : state) {
    for (const auto& f : frames) {
      const int p = d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
      benchmark::DoNotOptimize(d.DecodeDcPredictors(f.data() + p, f.size() - static_cast<size_t>(p), mcus, pred.data()));
    }
  }
  Fps(state, static_cast<int64_t>(frames.size()), TotalBytes(frames));
}

// Entropy decoding alone with libjpeg-turbo: every coefficient of every block
// into its coefficient arrays, no dequantisation, IDCT or colour.
void BM_EntropyOnlyTurbo(benchmark::State& state) {
  const auto& frames = Frames(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  for (auto _ : state) {
    for (const auto& f : frames) {
      jpeg_mem_src(&cinfo, f.data(), static_cast<unsigned long>(f.size()));
      jpeg_read_header(&cinfo, TRUE);
      benchmark::DoNotOptimize(jpeg_read_coefficients(&cinfo));
      jpeg_finish_decompress(&cinfo);
    }
  }
  jpeg_destroy_decompress(&cinfo);
  Fps(state, static_cast<int64_t>(frames.size()), TotalBytes(frames));
}

// Full decodes, for scale: ours (as playback decodes) and libjpeg-turbo's.
void BM_FullDecodeOurs(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const auto& frames = Frames(w, h);
  klv::JpegDecoder d;
  d.AllocatePlanes(w, h);
  klv::FramePicture pic;
  pic.Create(w, h);
  for (auto _ : state)
    for (const auto& f : frames) benchmark::DoNotOptimize(d.DecodeFrame(f.data(), f.size(), pic, 0));
  Fps(state, static_cast<int64_t>(frames.size()), TotalBytes(frames));
}

void BM_FullDecodeTurbo(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const auto& frames = Frames(w, h);
  tjhandle t = tjInitDecompress();
  std::vector<uint8_t> out(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  for (auto _ : state)
    for (const auto& f : frames)
      benchmark::DoNotOptimize(tjDecompress2(t, f.data(), static_cast<unsigned long>(f.size()), out.data(), w,
                                             w * 3, h, TJPF_BGR, 0));
  tjDestroy(t);
  Fps(state, static_cast<int64_t>(frames.size()), TotalBytes(frames));
}

// Opening an event-mode file walks every frame's headers for its event list.
void OpenEvents(benchmark::State& state, bool cold) {
  const std::string& path = EventFile();
  klv::AviReader avi;
  klv::JpegDecoder headers;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      klv::bench::EvictFromPageCache(path);
      state.ResumeTiming();
    }
    if (avi.AviOpen(path, headers) != klv::AviOpenStatus::kOk || avi.EventCount() != kEventFrames / 100 - 1)
      state.SkipWithError("open failed");
  }
  state.counters["frames"] = kEventFrames;
  state.counters["events"] = avi.EventCount();
}
void BM_OpenEventFile(benchmark::State& state) { OpenEvents(state, false); }
void BM_OpenEventFileCold(benchmark::State& state) { OpenEvents(state, true); }

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 720})->ArgNames({"w", "h"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_SearchFile)->Apply(Sizes)->MinTime(1.0);
BENCHMARK(BM_SearchFileCold)->Apply(Sizes)->MinTime(1.0);
BENCHMARK(BM_ReducedDecode)->Apply(Sizes);
BENCHMARK(BM_EntropyOnlyOurs)->Apply(Sizes);
BENCHMARK(BM_EntropyOnlyTurbo)->Apply(Sizes);
BENCHMARK(BM_FullDecodeOurs)->Apply(Sizes);
BENCHMARK(BM_FullDecodeTurbo)->Apply(Sizes);
BENCHMARK(BM_OpenEventFile)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OpenEventFileCold)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  return klv::bench::MovieBenchMain(argc, argv, &g_dir, [] {
    std::printf("%s\n%s\n%s\n", CameraFile(640, 480).c_str(), CameraFile(1280, 720).c_str(),
                EventFile().c_str());
  });
}
