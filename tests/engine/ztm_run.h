#pragma once
// A .ztm recording played by the engine as the window plays it, watched from
// outside: the wave device the audio output opens sits behind a tap that
// keeps every sample written and counts what the device reports played, and
// each picture shown is looked up among the recording's own pictures. Used
// by the end-to-end tests and by the sync figures (bench/ztm_sync).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "audio/wave_device.h"
#include "engine/player.h"
#include "fake_view.h"
#include "media/common/picture.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "support/adpcm_encoder.h"
#include "support/ztm_writer.h"

namespace klv::test {

using SteadyClock = std::chrono::steady_clock;

// A recording whose sound is the stepping tone: the sound recorded while
// picture p was on show has picture p's pitch and is samples
// [p, p + 1) * 1600 of the recording's sound. No lead bytes, so the sound
// the player hands on is the recording's sound from its first byte.
inline sample::ZtmSpec SyncRecording(int width, int height, int pictures, int intraPeriod) {
  sample::ZtmSpec plan;
  plan.video.encoder.width = width;
  plan.video.encoder.height = height;
  plan.video.pictures = pictures;
  plan.video.intraPeriod = intraPeriod;
  plan.video.scene.noise = 4;  // no two pictures alike
  plan.leadBytes = false;
  plan.audio = sample::SteppingToneAdpcm(sample::SteppingTone(), pictures);
  return plan;
}

// Samples of sound recorded while one picture is on show.
inline constexpr int64_t kSamplesPerPicture = 1600;

// What went through a tap, read from any thread.
class WaveLog {
 public:
  // The completion the wrapped device reports to: the log counts the
  // buffer played, then `done` hears of it.
  WaveDevice::Completion Reporting(WaveDevice::Completion done) {
    return [this, done = std::move(done)](int id) {
      Played(id);
      if (done) done(id);
    };
  }

  void Wrote(int id, const int16_t* samples, size_t count) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto now = SteadyClock::now();
      if (written_.empty()) firstWrite_ = now;
      lastDueBefore_ = lastDue_;
      lastDue_ = std::max(lastDue_, now) + std::chrono::microseconds(WaveMicroseconds(count));
      written_.insert(written_.end(), samples, samples + count);
      unplayed_.push_back({id, count});
    }
    wake_.notify_all();
  }
  // The device refused the buffer just logged.
  void Unwrote(size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    written_.resize(written_.size() - count);
    unplayed_.pop_back();
    lastDue_ = lastDueBefore_;
  }
  void Played(int id) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (unplayed_.empty() || unplayed_.front().first != id) {
        ++outOfOrder_;
      } else {
        played_ += unplayed_.front().second;
        unplayed_.pop_front();
      }
    }
    wake_.notify_all();
  }

  std::vector<int16_t> Samples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
  }
  size_t WrittenSamples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_.size();
  }
  size_t PlayedSamples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return played_;
  }
  // Completions that were not for the oldest buffer waiting.
  int OutOfOrder() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outOfOrder_;
  }
  SteadyClock::time_point FirstWrite() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstWrite_;
  }
  // Samples heard by `t` from a device that plays its buffers back to back
  // in real time, starting again from the moment of a write when it had run
  // dry (the null device's pace): written less what is still queued.
  int64_t HeardByClock(SteadyClock::time_point t) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto queued = std::max(lastDue_ - t, SteadyClock::duration::zero());
    return static_cast<int64_t>(written_.size()) -
           std::chrono::duration_cast<std::chrono::microseconds>(queued).count() * kWaveSampleRate / 1000000;
  }

  // Until every buffer written has been reported played; false at `deadline`.
  bool WaitAllPlayed(SteadyClock::time_point deadline) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return wake_.wait_until(lock, deadline, [this] { return unplayed_.empty(); });
  }
  // Until some buffer waits to be reported; false at `deadline`.
  bool WaitUnplayed(SteadyClock::time_point deadline) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return wake_.wait_until(lock, deadline, [this] { return !unplayed_.empty(); });
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable wake_;
  std::vector<int16_t> written_;
  std::deque<std::pair<int, size_t>> unplayed_;  // id and samples, in the order written
  size_t played_ = 0;
  int outOfOrder_ = 0;
  SteadyClock::time_point firstWrite_ {};
  SteadyClock::time_point lastDue_ {};
  SteadyClock::time_point lastDueBefore_ {};
};

// A wave device in front of another: everything is passed on and logged.
class WaveTap final : public WaveDevice {
 public:
  WaveTap(std::unique_ptr<WaveDevice> inner, std::shared_ptr<WaveLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}
  bool Open(Completion done) override { return inner_->Open(log_->Reporting(std::move(done))); }
  bool Write(int id, const int16_t* samples, size_t count) override {
    // Logged first: the device may report the buffer played before Write returns.
    log_->Wrote(id, samples, count);
    if (inner_->Write(id, samples, count)) return true;
    log_->Unwrote(count);
    return false;
  }
  void Reset() override { inner_->Reset(); }
  void Close() override { inner_->Close(); }
  std::string Name() const override { return inner_->Name(); }
  WaveDevice& Inner() { return *inner_; }

 private:
  std::unique_ptr<WaveDevice> inner_;
  std::shared_ptr<WaveLog> log_;
};

using DeviceOpener = std::function<std::unique_ptr<WaveDevice>(WaveDevice::Completion)>;

// A Player::openWaveDevice that opens `open` (unset: OpenWaveDevice, the
// player's own choice) behind a tap logging into `log`.
inline DeviceOpener TappedOpener(std::shared_ptr<WaveLog> log, DeviceOpener open = nullptr) {
  return [log, open](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
    WaveDevice::Completion reporting = log->Reporting(std::move(done));
    std::unique_ptr<WaveDevice> inner = open ? open(std::move(reporting)) : OpenWaveDevice(std::move(reporting));
    if (!inner) return nullptr;
    return std::make_unique<WaveTap>(std::move(inner), log);
  };
}

// The recording's pictures by their content, decoded by a reader of our own.
class PictureIds {
 public:
  explicit PictureIds(const std::string& path) {
    Mpeg4Decoder d;
    if (d.OpenStream(path) <= 0) return;
    FramePicture p;
    p.Create(d.PictureWidth(), d.PictureHeight());
    for (int k = 0; d.DecodeNextFrame({&p}).decoded; ++k) {
      auto [at, fresh] = ids_.emplace(Hash(p), k);
      if (!fresh) at->second = kAmbiguous;
      count_ = k + 1;
    }
  }
  static constexpr int kUnknown = -1;
  static constexpr int kAmbiguous = -2;
  // The picture's index in the recording; kUnknown or kAmbiguous.
  int Of(const FramePicture& p) const {
    const auto at = ids_.find(Hash(p));
    return at == ids_.end() ? kUnknown : at->second;
  }
  int Count() const { return count_; }
  bool AllDistinct() const { return static_cast<int>(ids_.size()) == count_; }

 private:
  static size_t Hash(const FramePicture& p) {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(p.Bits()), p.SizeBytes()));
  }
  std::unordered_map<size_t, int> ids_;
  int count_ = 0;
};

// One picture going up: which, how much sound had been reported played, when.
struct ShowEvent {
  int picture = PictureIds::kUnknown;
  size_t played = 0;
  SteadyClock::time_point at {};
};

// Logs every picture `view` shows.
inline void WatchShows(FakeView& view, const PictureIds& ids, const WaveLog& log,
                       std::vector<ShowEvent>& shows) {
  view.whenShown = [&](const FramePicture& p) {
    shows.push_back({ids.Of(p), log.PlayedSamples(), SteadyClock::now()});
  };
}

// The window's event loop until playback has stopped; false when `limit`
// passed first.
inline bool RunUntilStopped(FakeView& view, const Player& player, std::chrono::milliseconds limit) {
  return view.RunPostedUntil([&] { return !player.state.playing; }, SteadyClock::now() + limit);
}

}  // namespace klv::test
