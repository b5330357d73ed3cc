// Wave devices: the null device's real-time pace, the reset of what waits,
// no report after close; and the audio output through SDL's disk driver,
// which writes what really reached the device into a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "audio/audio_output.h"
#include "audio/null_wave_device.h"
#include "audio/sdl_wave_device.h"
#include "audio_test_util.h"
#include "support/avi_writer.h"
#include "support/pcm_compare.h"

namespace klv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Completions with the time each arrived.
struct Reports {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<std::pair<int, Clock::time_point>> got;
  std::thread::id thread;

  WaveDevice::Completion Sink() {
    return [this](int id) {
      std::lock_guard<std::mutex> lock(mutex);
      got.emplace_back(id, Clock::now());
      thread = std::this_thread::get_id();
      cv.notify_all();
    };
  }
  bool WaitFor(size_t n, milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    return cv.wait_for(lock, limit, [&] { return got.size() >= n; });
  }
  std::vector<int> Ids() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<int> ids;
    for (const auto& g : got) ids.push_back(g.first);
    return ids;
  }
};

TEST(NullWaveDevice, BuffersCompleteBackToBackAtTheirPlayingTime) {
  Reports r;
  NullWaveDevice d;
  ASSERT_TRUE(d.Open(r.Sink()));
  const std::vector<int16_t> tenth(1600);  // 100 ms
  const auto t0 = Clock::now();
  for (int id = 0; id < 3; ++id) ASSERT_TRUE(d.Write(id, tenth.data(), tenth.size()));
  ASSERT_TRUE(d.Write(3, nullptr, 0));  // an empty buffer completes in its turn
  ASSERT_TRUE(r.WaitFor(4, milliseconds(3000)));
  EXPECT_EQ(r.Ids(), (std::vector<int> {0, 1, 2, 3}));
  for (int i = 0; i < 3; ++i) EXPECT_GE(r.got[static_cast<size_t>(i)].second - t0, milliseconds(100 * (i + 1)));
  EXPECT_NE(r.thread, std::this_thread::get_id());
}

TEST(NullWaveDevice, ResetReportsWhatWaitsAtOnceAndCloseReportsNothingMore) {
  Reports r;
  NullWaveDevice d;
  ASSERT_TRUE(d.Open(r.Sink()));
  const std::vector<int16_t> second(16000);
  const auto t0 = Clock::now();
  for (int id = 0; id < 3; ++id) d.Write(id, second.data(), second.size());
  d.Reset();
  ASSERT_TRUE(r.WaitFor(3, milliseconds(900)));
  EXPECT_LT(Clock::now() - t0, milliseconds(900));
  EXPECT_EQ(r.Ids(), (std::vector<int> {0, 1, 2}));

  d.Write(7, second.data(), 1600);
  d.Close();
  EXPECT_FALSE(d.Write(8, second.data(), 1600));
  std::this_thread::sleep_for(milliseconds(150));
  EXPECT_EQ(r.Ids().size(), 3u);
}

// The output fed a recording's bytes and driven by the device's completions,
// as the main window does, with SDL writing the device's samples to a file.
TEST(SdlWaveDevice, TheDiskDriverReceivesExactlyTheDecodedBytes) {
  const std::string file = test::TempPath("disk.raw");
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);

  std::mutex mutex;
  std::condition_variable cv;
  std::deque<int> messages;
  std::atomic<int> completions {0};
  bool sdl = false;
  std::vector<uint8_t> bytes = test::ToneAdpcm(1.6);
  bytes.resize(24 * AudioOutput::kBufferBytes);
  {
    AudioOutput out;
    out.post = [&](int w) {
      std::lock_guard<std::mutex> lock(mutex);
      messages.push_back(w);
      cv.notify_all();
    };
    out.openDevice = [&](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
      auto d = std::make_unique<SdlWaveDevice>();
      sdl = d->Open([&completions, done](int id) {
        ++completions;
        done(id);
      });
      return sdl ? std::move(d) : nullptr;
    };
    ASSERT_TRUE(out.OpenAudio());
    if (!sdl) {
      ::unsetenv("SDL_AUDIODRIVER");
      GTEST_SKIP() << "SDL's disk audio driver cannot start here";
    }
    EXPECT_EQ(out.deviceName(), "sdl:disk");
    ASSERT_EQ(out.AcceptAudioBytes(bytes.data(), static_cast<int>(bytes.size())), 0);
    ASSERT_EQ(out.StartAudio(5, 3), 5);
    for (bool dry = false; !dry;) {
      std::unique_lock<std::mutex> lock(mutex);
      ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return !messages.empty(); }));
      const int w = messages.front();
      messages.pop_front();
      lock.unlock();
      if (w == kAudioBufferDone) out.OnBufferDone();
      dry = w == kAudioUnderrun;
    }
    for (int i = 0; i < 500 && completions < 24; ++i) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(completions, 24);
    std::this_thread::sleep_for(milliseconds(100));  // the last piece reaches the file
    out.CloseAudio();
  }
  ::unsetenv("SDL_AUDIODRIVER");
  ::unsetenv("SDL_DISKAUDIOFILE");

  const std::vector<int16_t> got = sample::PcmOfRaw(sample::ReadBytes(file));
  std::remove(file.c_str());
  // SDL writes silence while the device waits for its first buffer, after
  // the last, and wherever a loaded machine let it run out: the sound is
  // what lies between, sample for sample.
  const std::vector<int16_t> expected = test::DecodeBlocks(bytes);
  const std::optional<sample::SoundInSilence> found = sample::FindSoundInSilence(got, expected, 512);
  ASSERT_TRUE(found.has_value()) << got.size() << " samples written for " << expected.size();
  EXPECT_EQ(found->lead % 512, 0u) << "the sound starts a piece of SDL's";
}

}  // namespace
}  // namespace klv
