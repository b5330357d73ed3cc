#pragma once
// The wave device of a machine without sound: nothing is heard, but every
// buffer is reported done after its real playing time, buffers back to back,
// so .ztm pictures keep the pace the sound would give them.

#include <atomic>

#include "audio/completion_thread.h"
#include "audio/wave_device.h"

namespace klv {

class NullWaveDevice final : public WaveDevice {
 public:
  ~NullWaveDevice() override { Close(); }
  bool Open(Completion done) override;
  bool Write(int id, const int16_t* samples, size_t count) override;
  void Reset() override;
  void Close() override;
  std::string Name() const override { return "null"; }

 private:
  CompletionThread thread_;
  std::atomic<bool> open_ {false};
};

}  // namespace klv
