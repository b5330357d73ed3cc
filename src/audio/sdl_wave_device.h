#pragma once
// The sound card, through SDL's audio callback: the callback takes the
// samples of the written buffers in order (silence when none wait), and a
// buffer whose last sample it has taken is reported done on the device's
// completion thread. Playback starts with the first buffer written, so a
// fresh device plays no silence in front of it.

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "audio/completion_thread.h"
#include "audio/wave_device.h"

namespace klv {

class SdlWaveDevice final : public WaveDevice {
 public:
  ~SdlWaveDevice() override { Close(); }
  // False when SDL's audio cannot start or no device opens for the format.
  bool Open(Completion done) override;
  bool Write(int id, const int16_t* samples, size_t count) override;
  void Reset() override;
  void Close() override;
  std::string Name() const override;

  // SDL's reason for the last failure to open.
  const std::string& lastError() const { return lastError_; }

 private:
  struct Queued {
    int id;
    std::vector<int16_t> samples;
    size_t taken = 0;
  };
  static void Callback(void* self, uint8_t* stream, int length);
  void Take(int16_t* out, size_t count);

  uint32_t device_ = 0;  // SDL_AudioDeviceID; 0: closed
  bool playing_ = false;
  std::string driver_;
  std::string lastError_;
  std::mutex mutex_;  // the queue, between the writer and SDL's callback
  std::deque<Queued> queue_;
  CompletionThread thread_;
};

}  // namespace klv
