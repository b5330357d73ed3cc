// Decoding speed of our IMA ADPCM decoder beside ffmpeg's single-threaded
// decode of the same WAV, in samples a second: ten minutes of the sample
// writer's stepping tone, 128-byte blocks of 249 samples at 16 kHz.
//
// ffmpeg runs as a process; its CPU time (user + system) for one block is
// measured apart and taken off, so its figure is steady decoding too.
//
//   build/bench/bench/audio/audio_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/ima_adpcm.h"
#include "audio/wav_file.h"
#include "ffmpeg_cpu.h"
#include "support/adpcm_encoder.h"
#include "support/avi_writer.h"

namespace {

std::vector<uint8_t> g_adpcm;
std::string g_wav, g_oneBlockWav;
double g_oursShiftAdd = 0, g_oursMultiply = 0, g_oursStream = 0, g_ffmpeg = 0;  // samples a second

size_t Samples() { return g_adpcm.size() / klv::kImaBlockBytes * klv::kImaBlockSamples; }

bool Prepare() {
  klv::sample::SteppingTone tone;
  g_adpcm = klv::sample::SteppingToneAdpcm(tone, 6000);  // 600 s
  char tmpl[] = "/tmp/klv_audio_bench_XXXXXX";
  const char* dir = mkdtemp(tmpl);
  if (dir == nullptr) return false;
  g_wav = std::string(dir) + "/tone.wav";
  g_oneBlockWav = std::string(dir) + "/block.wav";
  return klv::sample::WriteBytes(g_wav, klv::ImaAdpcmWavBytes(g_adpcm.data(), g_adpcm.size())) &&
         klv::sample::WriteBytes(g_oneBlockWav, klv::ImaAdpcmWavBytes(g_adpcm.data(), klv::kImaBlockBytes));
}

void DecodeBlocks(benchmark::State& state, klv::ImaDifference form) {
  std::vector<int16_t> pcm(Samples());
  for (auto _ : state) {
    int16_t* out = pcm.data();
    for (size_t at = 0; at + klv::kImaBlockBytes <= g_adpcm.size(); at += klv::kImaBlockBytes)
      out += klv::DecodeImaBlock(g_adpcm.data() + at, klv::kImaBlockBytes, out, form);
    benchmark::DoNotOptimize(pcm.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Samples()));
}

void BM_OursBlocksShiftAdd(benchmark::State& state) { DecodeBlocks(state, klv::ImaDifference::ShiftAdd); }
void BM_OursBlocksMultiply(benchmark::State& state) { DecodeBlocks(state, klv::ImaDifference::Multiply); }

// As the audio output decodes: 512-byte buffers through the streaming decoder.
void BM_OursStream512(benchmark::State& state) {
  std::vector<int16_t> pcm;
  pcm.reserve(1024);
  size_t samples = 0;
  for (auto _ : state) {
    klv::ImaBlockStream stream;
    for (size_t at = 0; at < g_adpcm.size(); at += 512) {
      pcm.clear();
      stream.Put(g_adpcm.data() + at, std::min<size_t>(512, g_adpcm.size() - at), pcm);
      samples += pcm.size();
      benchmark::DoNotOptimize(pcm.data());
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(samples));
}

// CPU seconds of one ffmpeg decode of `wav`.
double RunFfmpeg(const std::string& wav) {
  return klv::bench::FfmpegCpuSeconds({"-nostdin", "-hide_banner", "-threads", "1", "-i", wav, "-f", "null", "-"});
}

void BM_FfmpegSingleThread(benchmark::State& state) {
  double steady = 0;
  int runs = 0;
  for (auto _ : state) {
    const double all = RunFfmpeg(g_wav);
    const double start = RunFfmpeg(g_oneBlockWav);
    if (all < 0 || start < 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    state.SetIterationTime(all);
    steady += all - start;
    ++runs;
  }
  g_ffmpeg = steady > 0 ? static_cast<double>(Samples()) * runs / steady : 0;
  state.counters["samples/s"] = g_ffmpeg;
}

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const auto it = r.counters.find("items_per_second");
      if (it == r.counters.end()) continue;
      const std::string name = r.benchmark_name();
      if (name.find("BM_OursBlocksShiftAdd") == 0) g_oursShiftAdd = it->second;
      if (name.find("BM_OursBlocksMultiply") == 0) g_oursMultiply = it->second;
      if (name.find("BM_OursStream512") == 0) g_oursStream = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(BM_OursBlocksShiftAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursBlocksMultiply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursStream512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FfmpegSingleThread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!Prepare()) {
    std::fprintf(stderr, "audio_bench: cannot write the benchmark WAV\n");
    return 1;
  }
  Collector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double seconds = static_cast<double>(Samples()) / klv::kImaSampleRate;
  std::printf("\n%s: %.0f s of sound, %zu samples; millions of samples a second\n", g_wav.c_str(), seconds,
              Samples());
  std::printf("  ours, shift and add (playback)   %8.1f\n", g_oursShiftAdd / 1e6);
  std::printf("  ours, exact product              %8.1f\n", g_oursMultiply / 1e6);
  std::printf("  ours, 512-byte buffers streamed  %8.1f\n", g_oursStream / 1e6);
  std::printf("  ffmpeg -threads 1                %8.1f\n", g_ffmpeg / 1e6);
  if (g_oursShiftAdd > 0 && g_ffmpeg > 0) std::printf("  ours / ffmpeg                    %8.2fx\n", g_oursShiftAdd / g_ffmpeg);
  std::remove(g_wav.c_str());
  std::remove(g_oneBlockWav.c_str());
  rmdir(g_wav.substr(0, g_wav.rfind('/')).c_str());
  benchmark::Shutdown();
  return 0;
}
