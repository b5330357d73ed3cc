// A .ztm recording played to its end by the engine as the window plays it,
// with real device threads: SDL's disk driver (which writes what reached the
// device into a file), the null device (completions at the real playing
// time) and the manual device completed from a thread of the test's own.
// The sound handed on is the recording's sound from its first sample, every
// picture goes up once and in order, and no picture goes up before the sound
// recorded while the picture in front of it was on show is being heard.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

#include "audio/ima_adpcm.h"
#include "audio/manual_wave_device.h"
#include "audio/sdl_wave_device.h"
#include "engine/ztm_source.h"
#include "player_fixture.h"
#include "support/pcm_compare.h"
#include "tool/tool_audio.h"
#include "ztm_run.h"

namespace klv::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ZtmSyncTest : public PlayerFixture {
 protected:
  static constexpr int kPictures = 30;  // three seconds

  void SetUp() override {
    PlayerFixture::SetUp();
    path = Path("sync.ztm");
    ASSERT_TRUE(sample::WriteBytes(path, sample::BuildZtmFile(SyncRecording(176, 144, kPictures, 10))));
    created[path] = 0;
    ids = std::make_unique<PictureIds>(path);
    ASSERT_EQ(ids->Count(), kPictures);
    ASSERT_TRUE(ids->AllDistinct());
    WatchShows(view, *ids, *log, shows);
  }
  void TearDown() override {
    player.reset();  // the device is closed before the log and the view's hook go
    view.whenShown = nullptr;
    PlayerFixture::TearDown();
  }

  // Plays the recording from its start to its end through `open` (unset:
  // the player's own choice of device), behind the tap.
  void PlayToTheEnd(DeviceOpener open) {
    player->openWaveDevice = TappedOpener(log, std::move(open));
    PlayList({path});
    ASSERT_EQ(player->state.kind, SourceKind::Ztm);
    ASSERT_TRUE(player->state.playing);
    ASSERT_TRUE(RunUntilStopped(view, *player, milliseconds(60000)))
        << "still playing after a minute, " << shows.size() << " pictures shown";
  }
  ZtmSource& Ztm() { return *dynamic_cast<ZtmSource*>(player->Source()); }

  // What `klvtool audio` writes for the recording.
  std::vector<int16_t> KlvtoolSound() {
    std::string in = path, out = Path("sound.wav");
    char* argv[] = {in.data(), out.data()};
    EXPECT_EQ(tool::CmdAudio(2, argv), 0);
    return sample::PcmOfWav(sample::ReadBytes(out));
  }

  // Every picture from the second on went up once, in order, and the stop
  // rewound to the first once the device had played everything; the sound
  // handed on is every whole block of the recording's own.
  void ExpectPicturesInOrderAndTheRecordingsSound() {
    std::vector<int> order;
    for (const ShowEvent& s : shows) order.push_back(s.picture);
    std::vector<int> expected;
    for (int k = 1; k < kPictures; ++k) expected.push_back(k);
    expected.push_back(0);
    EXPECT_EQ(order, expected);

    const std::vector<int16_t> sound = KlvtoolSound();
    const std::vector<int16_t> written = log->Samples();
    ASSERT_LE(written.size(), sound.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), sound.begin())) << "not the recording's sound";
    EXPECT_GT(written.size() + kImaBlockSamples, sound.size()) << "the end of the sound was not played";
    ASSERT_FALSE(shows.empty());
    EXPECT_EQ(shows.back().played, written.size()) << "stopped before the sound had played out";
    EXPECT_EQ(log->OutOfOrder(), 0);
  }

  // No picture went up before the sound recorded while the picture in front
  // of it was on show had begun to be heard (`heard`: samples played at the
  // moment picture k went up).
  template <typename Heard>
  void ExpectNoPictureBeforeItsSound(Heard heard) {
    for (const ShowEvent& s : shows) {
      if (s.picture < 2 || &s == &shows.back()) continue;  // the start and the stop show at once
      EXPECT_GE(heard(s), (s.picture - 1) * kSamplesPerPicture - 2) << "picture " << s.picture;
    }
  }

  std::string path;
  std::unique_ptr<PictureIds> ids;
  std::shared_ptr<WaveLog> log = std::make_shared<WaveLog>();
  std::vector<ShowEvent> shows;
};

TEST_F(ZtmSyncTest, SdlsDiskDriverWritesExactlyTheSoundHandedOnAndThePicturesFollowIt) {
  const std::string file = Path("disk.raw");
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv output("SDL_DISKAUDIOFILE", file.c_str());
  ScopedEnv choice("KLV_AUDIO", nullptr);
  {
    SdlWaveDevice probe;
    if (!probe.Open([](int) {})) GTEST_SKIP() << "SDL's disk driver cannot open here: " << probe.lastError();
  }
  ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(nullptr));
  EXPECT_EQ(Ztm().Audio().deviceName(), "sdl:disk");
  // What the stop left with the device plays out; closing writes the file.
  ASSERT_TRUE(log->WaitAllPlayed(SteadyClock::now() + seconds(10)));
  player->CloseSource();

  ExpectPicturesInOrderAndTheRecordingsSound();
  // Silence in front and behind, and where a loaded machine let SDL run out.
  const std::optional<sample::SoundInSilence> found =
      sample::FindSoundInSilence(sample::PcmOfRaw(sample::ReadBytes(file)), log->Samples(), 512);
  ASSERT_TRUE(found.has_value()) << "the file is not the sound handed on, in silence";
  if (!found->gaps.empty()) std::cout << "SDL ran out " << found->gaps.size() << " times\n";
  // SDL takes its samples as the device reports them played.
  ExpectNoPictureBeforeItsSound([](const ShowEvent& s) { return static_cast<int64_t>(s.played); });
}

TEST_F(ZtmSyncTest, TheNullDeviceKeepsThePicturesToRealTime) {
  ScopedEnv choice("KLV_AUDIO", "null");
  ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(nullptr));
  EXPECT_EQ(Ztm().Audio().deviceName(), "null");
  ExpectPicturesInOrderAndTheRecordingsSound();
  // No picture ahead of the clock: the sound the device has played by the
  // time a picture goes up is at least what real time allows.
  const SteadyClock::time_point start = log->FirstWrite();
  ExpectNoPictureBeforeItsSound([start](const ShowEvent& s) {
    return std::chrono::duration_cast<std::chrono::microseconds>(s.at - start).count() * kWaveSampleRate / 1000000;
  });
}

// Completes the manual device's buffers on a thread of its own as soon as
// they are written, until destroyed.
class Completer {
 public:
  explicit Completer(const WaveLog& log) : thread_([this, &log] {
    while (!finish_) {
      ManualWaveDevice* d = device.load();
      if (log.WaitUnplayed(SteadyClock::now() + milliseconds(20)) && d != nullptr) d->CompleteNext();
    }
  }) {}
  ~Completer() {
    finish_ = true;
    thread_.join();
  }
  Completer(const Completer&) = delete;
  Completer& operator=(const Completer&) = delete;
  std::atomic<ManualWaveDevice*> device {nullptr};

 private:
  std::atomic<bool> finish_ {false};
  std::thread thread_;
};

TEST_F(ZtmSyncTest, TheManualDeviceCompletedFromAnotherThread) {
  {
    Completer completer(*log);
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd([&](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
      auto d = std::make_unique<ManualWaveDevice>();
      if (!d->Open(std::move(done))) return nullptr;
      completer.device = d.get();
      return d;
    }));
    ASSERT_TRUE(log->WaitAllPlayed(SteadyClock::now() + seconds(10)));
  }
  ExpectPicturesInOrderAndTheRecordingsSound();
  ExpectNoPictureBeforeItsSound([](const ShowEvent& s) { return static_cast<int64_t>(s.played); });
}

}  // namespace
}  // namespace klv::test
