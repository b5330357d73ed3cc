// The audio output: buffers and ring, the credit that paces the pictures,
// stop and restart, underrun, the full set of buffers, the ring's wrap, the
// device's thread, and what happens without a sound card.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "audio/audio_output.h"
#include "audio/manual_wave_device.h"
#include "audio/null_wave_device.h"
#include "audio_test_util.h"

namespace klv {
namespace {

constexpr int kBuf = AudioOutput::kBufferBytes;

// The engine's side: the credits of the pictures in the order they are
// shown, the advances, and the message queue of the user-interface thread.
struct FakeEngine {
  std::vector<int> credits;  // of picture 0, 1, ... as each is shown
  int shown = 0;
  std::vector<int> advancedAfter;  // bytes moved (after priming) at each advance
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<int> messages;
  int underruns = 0;

  void Post(int w) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      messages.push_back(w);
    }
    posted.notify_all();
  }
  bool Take(int* w, std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!posted.wait_for(lock, wait, [&] { return !messages.empty(); })) return false;
    *w = messages.front();
    messages.pop_front();
    return true;
  }
};

class AudioOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open(bool failDevice = false) {
    out.post = [this](int w) { engine.Post(w); };
    out.openDevice = [this, failDevice](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
      auto d = std::make_unique<ManualWaveDevice>();
      d->failOpen = failDevice;
      if (!d->Open(std::move(done))) return nullptr;
      device = d.get();
      return d;
    };
    ASSERT_TRUE(out.OpenAudio());
  }
  // The engine's credit hooks, and the bytes moved when each advance came.
  void Pace(std::vector<int> credits) {
    engine.credits = std::move(credits);
    out.shownPictureCredit = [this] {
      const size_t i = static_cast<size_t>(engine.shown);
      return i < engine.credits.size() ? engine.credits[i] : 1 << 30;
    };
    out.advance = [this] {
      engine.advancedAfter.push_back(moved());
      ++engine.shown;
    };
  }
  int moved() const { return fed - out.ringCount() - primed; }
  void Feed(const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(out.AcceptAudioBytes(bytes.data(), static_cast<int>(bytes.size())), 0);
    fed += static_cast<int>(bytes.size());
  }
  // One completion and the message it posts, run as the main window does.
  bool Step() {
    if (!device->CompleteNext()) return false;
    Dispatch();
    return true;
  }
  void Dispatch() {
    int w;
    while (engine.Take(&w)) {
      if (w == kAudioBufferDone) out.OnBufferDone();
      if (w == kAudioUnderrun) ++engine.underruns;
    }
  }
  // Completions until the device has nothing left.
  void RunDry() {
    while (Step()) {
    }
  }

  FakeEngine engine;
  AudioOutput out;
  ManualWaveDevice* device = nullptr;
  int fed = 0, primed = 0;
};

TEST_F(AudioOutputTest, FewerThanThreeBuffersAtStartSendOnlyTheFilledOnes) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(1);
  Feed({tone.begin(), tone.begin() + 1200});
  EXPECT_EQ(out.StartAudio(5, 3), 2);
  const auto written = device->Written();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].id, 0);
  EXPECT_EQ(written[1].id, 1);
  EXPECT_EQ(device->Samples(), test::DecodeBlocks({tone.begin(), tone.begin() + 2 * kBuf}));
  EXPECT_EQ(out.ringCount(), 1200 - 2 * kBuf);

  // With no whole buffer nothing goes and nothing completes.
  out.ResetAudio();
  device->CompleteAll();
  Feed({tone.begin(), tone.begin() + 500});
  EXPECT_EQ(out.StartAudio(5, 3), 0);
  EXPECT_TRUE(out.started());
  EXPECT_EQ(device->Written().size(), 2u);
}

TEST_F(AudioOutputTest, EveryByteReachesTheDeviceInOrderThenItRunsDry) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(3);  // 94 buffers and a part
  Feed(tone);
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  RunDry();
  EXPECT_EQ(device->Samples(), test::DecodeBlocks(tone));
  const auto written = device->Written();
  for (size_t i = 0; i < written.size(); ++i) ASSERT_EQ(written[i].id, static_cast<int>(i % 16));
  EXPECT_EQ(engine.underruns, 1);
  EXPECT_FALSE(out.started());
}

TEST_F(AudioOutputTest, PicturesAdvanceExactlyWhenTheirBytesHaveMoved) {
  Pace({700, 300, 1000, 5, 1500, 512, 2000});
  Feed(test::ToneAdpcm(1.5));
  primed = 5 * kBuf;
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  EXPECT_TRUE(engine.advancedAfter.empty());  // priming bytes count for no picture
  EXPECT_EQ(out.bytesSincePicture(), 0);
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(Step());
  std::vector<int> expected;
  int sum = 0;
  for (int c : engine.credits) expected.push_back(sum += c);
  EXPECT_EQ(engine.advancedAfter, expected);
  EXPECT_EQ(out.bytesSincePicture(), moved() - sum);
}

TEST_F(AudioOutputTest, PicturesWithoutSoundArePassedOverAtOnceButNotForever) {
  // Three silent pictures, then one with sound.
  Pace({0, 0, 0, 600, 0, 400});
  Feed(test::ToneAdpcm(1));
  primed = 5 * kBuf;
  out.StartAudio(5, 3);
  ASSERT_TRUE(Step());
  EXPECT_EQ(engine.advancedAfter, (std::vector<int> {0, 0, 0}));
  ASSERT_TRUE(Step());
  EXPECT_EQ(engine.advancedAfter, (std::vector<int> {0, 0, 0, 600, 600, 1000}));

  // A picture that never gets sound (the engine's credit stays 0) costs at
  // most eight advances per fill, and the fill returns.
  out.shownPictureCredit = [] { return 0; };
  const size_t before = engine.advancedAfter.size();
  out.FillBuffers();
  EXPECT_EQ(engine.advancedAfter.size() - before, static_cast<size_t>(AudioOutput::kMaxZeroCreditAdvances));
}

TEST_F(AudioOutputTest, AfterTheLastSoundTheBuffersStillQueuedKeepThePicturesGoingToTheEnd) {
  // 8,320 bytes: 16 buffers and a quarter; pictures of 800 bytes each.
  const std::vector<uint8_t> tone = test::ToneAdpcm(1);
  Pace(std::vector<int>(20, 800));
  Feed(tone);
  primed = 5 * kBuf;
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  out.EndOfSound();
  // Each completion stands for a buffer's worth of sound heard, moved or
  // not: the pictures go on at every 800 bytes of it until the device has
  // played the last buffer, and only then does the run end.
  std::vector<int> advancesAt;  // completions handled at each advance
  int completions = 0;
  size_t pendingAtEnd = 99;
  out.advance = [&] { advancesAt.push_back(completions); };
  while (device->CompleteNext()) {
    ++completions;
    int w;
    while (engine.Take(&w)) {
      if (w == kAudioBufferDone) out.OnBufferDone();
      if (w == kAudioUnderrun) {
        ++engine.underruns;
        pendingAtEnd = device->Pending();
      }
    }
  }
  EXPECT_EQ(device->Samples(), test::DecodeBlocks(tone)) << "every whole block played";
  EXPECT_EQ(completions, 17);
  EXPECT_EQ(engine.underruns, 1);
  EXPECT_EQ(pendingAtEnd, 0u);
  EXPECT_FALSE(out.started());
  std::vector<int> expected;
  for (int k = 1; 800 * k <= 512 * (completions - 1); ++k) expected.push_back((800 * k + 511) / 512);
  EXPECT_EQ(advancesAt, expected) << "ten pictures, not the seven the moved bytes alone reach";

  // Without the end of the sound an empty ring is an underrun at once.
  Feed(tone);
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  EXPECT_FALSE(out.soundEnded());
  RunDry();
  EXPECT_EQ(engine.underruns, 2);
}

TEST_F(AudioOutputTest, AFullSetOfBuffersIsNeverOverwritten) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(2);
  Feed(tone);
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  // Fills with no send in between: buffers 5..15, then 0..2 behind the
  // three sent; then all 16 wait and filling stops.
  for (int i = 0; i < 20; ++i) out.FillBuffers();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.count(i), kBuf) << i;
  EXPECT_EQ(out.fillIndex(), out.nextToSend());
  EXPECT_EQ(out.ringCount(), static_cast<int>(tone.size()) - 19 * kBuf);
  RunDry();
  EXPECT_EQ(device->Samples(), test::DecodeBlocks(tone));
}

TEST_F(AudioOutputTest, StopWhilePlayingThenACleanRestartFromBufferZero) {
  Feed(test::ToneAdpcm(1, 500));
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  out.ResetAudio();
  EXPECT_EQ(out.ringCount(), 0);
  // The three in flight finish with the sound stopped: no messages, and the
  // bookkeeping starts over.
  EXPECT_EQ(device->CompleteAll(), 3);
  int w;
  EXPECT_FALSE(engine.Take(&w));
  EXPECT_EQ(out.nextToSend(), -1);
  EXPECT_EQ(out.fillIndex(), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out.count(i), 0);

  const std::vector<uint8_t> other = test::ToneAdpcm(1, 900);
  Feed(other);
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  const auto written = device->Written();
  ASSERT_EQ(written.size(), 6u);
  std::vector<int16_t> again;
  for (size_t i = 3; i < 6; ++i) {
    EXPECT_EQ(written[i].id, static_cast<int>(i - 3));
    again.insert(again.end(), written[i].samples.begin(), written[i].samples.end());
  }
  EXPECT_EQ(again, test::DecodeBlocks({other.begin(), other.begin() + 3 * kBuf}));
}

TEST_F(AudioOutputTest, TheRefillAfterAnUnderrunStartsTheSoundAgain) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(1);
  Feed({tone.begin(), tone.begin() + 8 * kBuf});
  out.StartAudio(5, 3);
  RunDry();
  ASSERT_EQ(engine.underruns, 1);
  const size_t before = device->Written().size();
  // The engine's refill: more pictures' sound, then the start.
  Feed({tone.begin() + 8 * kBuf, tone.end()});
  EXPECT_EQ(out.StartAudio(5, 3), 5);
  EXPECT_EQ(device->Written().size(), before + 3);
  RunDry();
  EXPECT_EQ(device->Samples(), test::DecodeBlocks(tone));
}

TEST_F(AudioOutputTest, TheRingWrapsInOrderForAcceptFillAndPriming) {
  const std::vector<uint8_t> first = test::ToneAdpcm(3.9, 500);  // 31,232 bytes
  ASSERT_GT(first.size(), 31000u);
  Feed(first);
  out.StartAudio(5, 3);
  RunDry();
  ASSERT_EQ(out.ringRead(), static_cast<int>(first.size()));
  // Accepted across index 32,767, then primed and filled across it.
  const std::vector<uint8_t> second = test::ToneAdpcm(1.5, 700);
  Feed(second);
  EXPECT_EQ(out.ringWrite(), static_cast<int>((first.size() + second.size()) % 32768));
  const size_t before = device->Samples().size();
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  RunDry();
  const std::vector<int16_t> all = device->Samples();
  EXPECT_EQ(std::vector<int16_t>(all.begin() + static_cast<long>(before), all.end()), test::DecodeBlocks(second));
  // A full ring drops the surplus and says how much.
  const std::vector<uint8_t> big(40000, 0x11);
  EXPECT_EQ(out.AcceptAudioBytes(big.data(), 40000), 40000 - 32768);
  EXPECT_EQ(out.ringCount(), 32768);
}

TEST_F(AudioOutputTest, AFailedSendIsRetriedWithTheSameSound) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(1);
  Feed(tone);
  out.StartAudio(5, 3);
  device->FailWrites(1);
  ASSERT_TRUE(Step());  // buffer 3 is refused
  EXPECT_EQ(out.nextToSend(), 3);
  RunDry();
  EXPECT_EQ(device->Samples(), test::DecodeBlocks(tone));
}

TEST_F(AudioOutputTest, WithoutASoundDeviceTheNullDevicePacesTheBuffers) {
  out.CloseAudio();
  Open(/*failDevice=*/true);
  EXPECT_EQ(out.deviceName(), "null");
  Feed(test::ToneAdpcm(1));
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(out.StartAudio(2, 2), 2);
  int w = -1;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(engine.Take(&w, std::chrono::seconds(5)));
    EXPECT_EQ(w, kAudioBufferDone);
  }
  // Two buffers of 996 samples play for 124.5 ms.
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::microseconds(124500));
}

// Counts its closes; otherwise the manual device.
class ClosingDevice final : public WaveDevice {
 public:
  explicit ClosingDevice(int* closes) : closes_(closes) {}
  bool Open(Completion done) override { return inner_.Open(std::move(done)); }
  bool Write(int id, const int16_t* s, size_t n) override { return inner_.Write(id, s, n); }
  void Reset() override { inner_.Reset(); }
  void Close() override {
    ++*closes_;
    inner_.Close();
  }
  std::string Name() const override { return "closing"; }

 private:
  int* closes_;
  ManualWaveDevice inner_;
};

TEST_F(AudioOutputTest, OpeningAgainClosesThePreviousDevice) {
  int closes = 0;
  out.openDevice = [&closes](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
    auto d = std::make_unique<ClosingDevice>(&closes);
    d->Open(std::move(done));
    return d;
  };
  ASSERT_TRUE(out.OpenAudio());
  Feed(test::ToneAdpcm(0.5));
  out.StartAudio(3, 3);
  ASSERT_TRUE(out.OpenAudio());  // the next file
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(out.ringCount(), 0);
  EXPECT_FALSE(out.started());
  out.CloseAudio();
  EXPECT_EQ(closes, 2);
  EXPECT_FALSE(out.isOpen());
  const uint8_t b[4] = {1, 2, 3, 4};
  EXPECT_EQ(out.AcceptAudioBytes(b, 4), 4);  // no ring: dropped
  EXPECT_EQ(out.StartAudio(5, 3), 0);
  out.OnBufferDone();  // a late message does nothing
}

TEST_F(AudioOutputTest, CompletionsOnTheDeviceThreadMeetTheUserInterfaceSafely) {
  const std::vector<uint8_t> tone = test::ToneAdpcm(2);
  std::atomic<bool> stop {false};
  std::thread deviceThread([&] {
    while (!stop) {
      if (!device->CompleteNext()) std::this_thread::yield();
    }
  });
  int runs = 0;
  for (int round = 0; round < 40; ++round) {
    out.AcceptAudioBytes(tone.data(), static_cast<int>(tone.size()) / 4);
    if (out.StartAudio(5, 3) > 0) ++runs;
    for (int i = 0; i < 6; ++i) {
      int w;
      if (engine.Take(&w, std::chrono::milliseconds(2)) && w == kAudioBufferDone) out.OnBufferDone();
    }
    if (round % 3 == 0) out.ResetAudio();  // a pause while buffers are out
  }
  stop = true;
  deviceThread.join();
  EXPECT_GT(runs, 10);
  // Whatever the interleaving, the bookkeeping stays in range.
  EXPECT_GE(out.nextToSend(), -1);
  EXPECT_LT(out.nextToSend(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_LE(out.count(i), kBuf);
}

}  // namespace
}  // namespace klv
