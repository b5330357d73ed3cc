#include "audio/null_wave_device.h"

#include <utility>

namespace klv {

bool NullWaveDevice::Open(Completion done) {
  Close();
  thread_.Start(std::move(done));
  open_ = true;
  return true;
}

bool NullWaveDevice::Write(int id, const int16_t* samples, size_t count) {
  (void)samples;
  if (!open_) return false;
  thread_.Post(id, std::chrono::microseconds(WaveMicroseconds(count)));
  return true;
}

void NullWaveDevice::Reset() { thread_.DueNow(); }

void NullWaveDevice::Close() {
  open_ = false;
  thread_.Stop();
}

}  // namespace klv
