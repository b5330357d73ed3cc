// Whole-frame decode of camera-sized 4:2:0 frames: ours beside libjpeg-turbo
// on the same frames, plus the entropy decoding alone (DC differences and
// skipped AC codes, as the motion search runs it).

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <map>
#include <vector>

#include "jpeg/jpeg_test_support.h"
#include "media/jpeg/jpeg_decoder.h"

namespace {

struct Frame {
  int w, h;
  std::vector<uint8_t> jpeg;
};

const Frame& GetFrame(int w, int h, int quality) {
  static std::map<std::tuple<int, int, int>, Frame> cache;
  auto key = std::make_tuple(w, h, quality);
  auto it = cache.find(key);
  if (it == cache.end()) {
    Frame f{w, h, klv::jpegtest::TurboEncode(klv::jpegtest::MakeScene(w, h, 11), w, h, quality)};
    it = cache.emplace(key, std::move(f)).first;
  }
  return it->second;
}

// Time columns are per frame, in milliseconds.
void Label(benchmark::State& state, const Frame& f) {
  state.counters["KiB"] = static_cast<double>(f.jpeg.size()) / 1024.0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.jpeg.size()));
}

void BM_OursDecodeFrame(benchmark::State& state) {
  const Frame& f = GetFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                            static_cast<int>(state.range(2)));
  klv::JpegDecoder d;
  d.AllocatePlanes(f.w, f.h);
  klv::FramePicture pic;
  pic.Create(f.w, f.h);
  for (auto _ : state) {
    if (!d.DecodeFrame(f.jpeg.data(), f.jpeg.size(), pic, 0).Ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(pic.Bits());
  }
  Label(state, f);
}

void Turbo(benchmark::State& state, int flags) {
  const Frame& f = GetFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                            static_cast<int>(state.range(2)));
  tjhandle h = tjInitDecompress();
  std::vector<uint8_t> out(static_cast<size_t>(klv::Stride24(f.w)) * f.h);
  for (auto _ : state) {
    if (tjDecompress2(h, f.jpeg.data(), f.jpeg.size(), out.data(), f.w, klv::Stride24(f.w), f.h, TJPF_BGR,
                      flags) != 0)
      state.SkipWithError("turbo failed");
    benchmark::DoNotOptimize(out.data());
  }
  tjDestroy(h);
  Label(state, f);
}
void BM_TurboFastUpsample(benchmark::State& state) { Turbo(state, TJFLAG_FASTUPSAMPLE); }
void BM_TurboDefault(benchmark::State& state) { Turbo(state, 0); }

void BM_OursEntropyOnly(benchmark::State& state) {
  const Frame& f = GetFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                            static_cast<int>(state.range(2)));
  klv::JpegDecoder d;
  const int p = d.ParseHeaders(f.jpeg.data(), f.jpeg.size(), nullptr, nullptr, nullptr, nullptr);
  const int mcus = ((f.w + 15) / 16) * ((f.h + 15) / 16);
  for (auto _ : state) {
    d.StartBits(f.jpeg.data() + p, f.jpeg.size() - static_cast<size_t>(p));
    int sum = 0;
    for (int m = 0; m < mcus && d.JpegError() == 0; ++m)
      for (int b = 0; b < 6; ++b) {
        sum += d.DecodeDcDiff(b < 4 ? 0 : 1);
        d.SkipAc(b >= 4);
      }
    if (d.JpegError() != 0) state.SkipWithError("entropy error");
    benchmark::DoNotOptimize(sum);
  }
  Label(state, f);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int q : {75, 90}) {
    b->Args({640, 480, q});
    b->Args({1280, 720, q});
  }
  b->ArgNames({"w", "h", "q"});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_OursDecodeFrame)->Apply(Sizes);
BENCHMARK(BM_TurboFastUpsample)->Apply(Sizes);
BENCHMARK(BM_TurboDefault)->Apply(Sizes);
BENCHMARK(BM_OursEntropyOnly)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
