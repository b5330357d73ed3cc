// Pictures against sound in .ztm playback, and what playing costs: a
// recording at 640 x 480, 10 pictures a second, whose tone steps with the
// picture on show, played to its end by the engine (the window's event loop
// with a fake view) through the null device and through SDL's disk driver.
//
// Once a second the picture on show is set against the picture the sound
// being heard belongs to: sample s of the recording's sound was recorded
// while picture s / 1600 was on show. Sound heard: for the null device the
// samples written less what is still queued at the real-time pace; for the
// disk driver the samples SDL has written to its file (less the silence in
// front). The CPU share is the process's user + system time over the run
// divided by its wall time, beside ffmpeg decoding the same pictures and
// sound at their real pace (-re, one thread, no output).
//
//   build/bench/bench/ztm_sync/ztm_sync [SECONDS]      (default 60)

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/ima_adpcm.h"
#include "audio/wav_file.h"
#include "engine/player.h"
#include "engine/ztm_source.h"
#include "engine/ztm_run.h"
#include "ffmpeg_cpu.h"
#include "support/avi_writer.h"
#include "support/pcm_compare.h"

namespace {

using klv::test::SteadyClock;
using klv::test::kSamplesPerPicture;

double CpuSeconds() {
  struct rusage ru {};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double Seconds(SteadyClock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Sample {
  int second = 0;
  int shown = 0;        // picture on show
  int64_t heard = 0;    // samples of the recording's sound heard
};

struct Run {
  std::string device;
  bool ok = false;
  std::string failure;
  std::vector<Sample> samples;
  std::vector<klv::test::ShowEvent> shows;
  double cpu = 0, wall = 0;
  size_t starved = 0;  // times the device ran out and played silence
};

// Plays the recording at `path` to its end; `heard` gives the sound heard now.
template <typename Heard>
Run Play(const std::string& device, const std::string& path, const klv::test::PictureIds& ids,
         const std::vector<int16_t>& sound, const std::shared_ptr<klv::test::WaveLog>& log, Heard heard) {
  Run run;
  run.device = device;
  klv::test::FakeView view;
  klv::Player player(&view);
  view.player = &player;
  player.recordingTime = [](const std::string&, int64_t* out) {
    *out = 0;
    return true;
  };
  player.Initialize();
  player.openWaveDevice = klv::test::TappedOpener(log);
  klv::test::WatchShows(view, ids, *log, run.shows);

  const double cpu0 = CpuSeconds();
  const SteadyClock::time_point start = SteadyClock::now();
  player.StartWithFiles({path});
  if (player.Source() == nullptr || !player.state.playing) {
    run.failure = "the recording did not start";
    return run;
  }
  const std::string opened = dynamic_cast<klv::ZtmSource&>(*player.Source()).Audio().deviceName();
  if (opened != device) {
    run.failure = "the device opened is " + opened;
    player.CloseSource();
    return run;
  }
  SteadyClock::time_point next = start + std::chrono::seconds(1);
  const SteadyClock::time_point limit = start + std::chrono::seconds(ids.Count() / 10 + 60);
  while (player.state.playing && SteadyClock::now() < limit) {
    view.RunPostedUntil([&] { return !player.state.playing || SteadyClock::now() >= next; }, std::min(next, limit));
    if (!player.state.playing || SteadyClock::now() < next) continue;
    const int shown = run.shows.empty() ? klv::test::PictureIds::kUnknown : run.shows.back().picture;
    run.samples.push_back({static_cast<int>(run.samples.size()) + 1, shown, heard()});
    next += std::chrono::seconds(1);
  }
  run.wall = Seconds(SteadyClock::now() - start);
  run.cpu = CpuSeconds() - cpu0;
  if (player.state.playing) {
    run.failure = "still playing at the time limit";
    return run;
  }
  log->WaitAllPlayed(SteadyClock::now() + std::chrono::seconds(10));
  player.CloseSource();
  view.whenShown = nullptr;
  const std::vector<int16_t> written = log->Samples();
  if (written.size() > sound.size() || !std::equal(written.begin(), written.end(), sound.begin())) {
    run.failure = "the sound handed on is not the recording's sound from its start (a restart dropped some)";
    return run;
  }
  run.ok = true;
  return run;
}

void Report(const Run& run, int pictures) {
  std::printf("\n== %s device\n", run.device.c_str());
  if (!run.ok) {
    std::printf("   failed: %s\n", run.failure.c_str());
    return;
  }
  std::printf("   second  shown  heard(picture)  drift  drift(fraction)\n");
  int minDrift = 1 << 30, maxDrift = -(1 << 30);
  double sumT = 0, sumD = 0, sumTT = 0, sumTD = 0;
  for (const Sample& s : run.samples) {
    const double heardPicture = static_cast<double>(s.heard) / kSamplesPerPicture;
    const int drift = s.shown - static_cast<int>(std::floor(heardPicture));
    const double fraction = s.shown - heardPicture;
    minDrift = std::min(minDrift, drift);
    maxDrift = std::max(maxDrift, drift);
    sumT += s.second;
    sumD += fraction;
    sumTT += static_cast<double>(s.second) * s.second;
    sumTD += s.second * fraction;
    std::printf("   %6d  %5d  %8.2f        %+3d    %+6.2f\n", s.second, s.shown, heardPicture, drift, fraction);
  }
  const double n = static_cast<double>(run.samples.size());
  const double slope = n > 1 ? (n * sumTD - sumT * sumD) / (n * sumTT - sumT * sumT) : 0;
  std::printf("   drift in pictures: %d .. %d; mean %+.2f; trend %+.4f pictures a minute\n", minDrift, maxDrift,
              n > 0 ? sumD / n : 0.0, slope * 60);

  // At each picture's show: how far ahead of the sound heard it went up.
  double lo = 1e9, hi = -1e9, sum = 0;
  int count = 0;
  for (const klv::test::ShowEvent& e : run.shows) {
    if (e.picture < 2 || e.picture >= pictures - 1) continue;
    const double ahead = e.picture - static_cast<double>(e.played) / kSamplesPerPicture;
    lo = std::min(lo, ahead);
    hi = std::max(hi, ahead);
    sum += ahead;
    ++count;
  }
  if (count > 0)
    std::printf("   at each show (sound reported played): picture ahead of the sound by %.2f .. %.2f, mean %.2f\n",
                lo, hi, sum / count);
  if (run.starved > 0) std::printf("   the device ran out of sound %zu times\n", run.starved);
  std::printf("   CPU: %.2f s over %.2f s of playing = %.1f %% of one core\n", run.cpu, run.wall,
              100 * run.cpu / run.wall);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
  const int pictures = seconds * 10;
  char tmpl[] = "/tmp/klv_ztm_sync_XXXXXX";
  const char* dir = mkdtemp(tmpl);
  if (dir == nullptr) return 1;
  const std::string path = std::string(dir) + "/sync.ztm";
  std::printf("Making a %d s recording, 640 x 480, %d pictures ...\n", seconds, pictures);
  std::fflush(stdout);
  const klv::sample::ZtmFile z = klv::sample::BuildZtm(klv::test::SyncRecording(640, 480, pictures, 20));
  klv::sample::WriteBytes(path, z.bytes);
  const klv::test::PictureIds ids(path);
  if (ids.Count() != pictures || !ids.AllDistinct()) {
    std::fprintf(stderr, "the recording's pictures cannot be told apart\n");
    return 1;
  }
  std::vector<int16_t> sound;
  klv::ImaBlockStream decoder;
  decoder.Put(z.audio.data(), z.audio.size(), sound);

  std::vector<Run> runs;
  {
    setenv("KLV_AUDIO", "null", 1);
    auto log = std::make_shared<klv::test::WaveLog>();
    runs.push_back(Play("null", path, ids, sound, log, [&] { return log->HeardByClock(SteadyClock::now()); }));
    unsetenv("KLV_AUDIO");
  }
  {
    const std::string file = std::string(dir) + "/disk.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    auto log = std::make_shared<klv::test::WaveLog>();
    // What SDL has written so far, silence in front included; the silence is
    // taken off once the whole file can be matched against the sound.
    Run run = Play("sdl:disk", path, ids, sound, log, [&] {
      std::fflush(nullptr);  // SDL writes through the C library's buffer
      struct stat st {};
      return ::stat(file.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size / 2) : int64_t{0};
    });
    if (run.ok) {
      const std::optional<klv::sample::SoundInSilence> found = klv::sample::FindSoundInSilence(
          klv::sample::PcmOfRaw(klv::sample::ReadBytes(file)), log->Samples(), 512);
      if (!found) {
        run.ok = false;
        run.failure = "SDL's file is not the sound handed on, in silence";
      } else {
        for (Sample& s : run.samples) s.heard -= static_cast<int64_t>(found->SilenceBefore(static_cast<size_t>(s.heard)));
        run.starved = found->gaps.size();
      }
    }
    runs.push_back(std::move(run));
  }
  for (const Run& run : runs) Report(run, pictures);

  // ffmpeg: the same pictures (the recording without its side packets) and
  // the same sound (its ADPCM in a WAV), decoded at their real pace.
  std::vector<uint8_t> m4v(z.bytes.begin(), z.bytes.begin() + static_cast<std::ptrdiff_t>(z.headerLength));
  for (const auto& p : z.pictures)
    m4v.insert(m4v.end(), z.bytes.begin() + static_cast<std::ptrdiff_t>(p.vopOffset),
               z.bytes.begin() + static_cast<std::ptrdiff_t>(p.endOffset));
  const std::string m4vPath = std::string(dir) + "/pictures.m4v", wavPath = std::string(dir) + "/sound.wav";
  klv::sample::WriteBytes(m4vPath, m4v);
  klv::sample::WriteBytes(wavPath, klv::ImaAdpcmWavBytes(z.audio.data(), z.audio.size()));
  const SteadyClock::time_point t0 = SteadyClock::now();
  const double ffmpegCpu =
      klv::bench::FfmpegCpuSeconds({"-nostdin", "-threads", "1", "-re", "-r", "10", "-f", "m4v", "-i", m4vPath, "-re",
                                    "-i", wavPath, "-map", "0:v", "-map", "1:a", "-f", "null", "-"});
  const double ffmpegWall = Seconds(SteadyClock::now() - t0);
  std::printf("\n== ffmpeg -threads 1 -re, the same pictures and sound, no output\n");
  if (ffmpegCpu < 0)
    std::printf("   ffmpeg failed\n");
  else
    std::printf("   CPU: %.2f s over %.2f s = %.1f %% of one core\n", ffmpegCpu, ffmpegWall, 100 * ffmpegCpu / ffmpegWall);

  std::filesystem::remove_all(dir);
  for (const Run& run : runs)
    if (!run.ok) return 1;
  return 0;
}
