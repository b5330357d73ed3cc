#pragma once
// Wave devices: where the PCM of the .ztm sound goes. A device plays 16-bit
// PCM, 16,000 samples a second, mono, from buffers written in order; each
// buffer carries an id, and when the device has played a buffer it reports
// that id through the completion callback, on the device's own thread (never
// on the thread that writes, never while holding a lock of its own).
//
// Backends: SDL (the real sound card), null (no sound, completions at the
// real playing time, so pictures keep their pace) and manual (tests decide
// when a buffer is done).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace klv {

inline constexpr int kWaveSampleRate = 16000;

class WaveDevice {
 public:
  using Completion = std::function<void(int id)>;

  virtual ~WaveDevice() = default;
  // Opens the device for 16-bit mono PCM at 16 kHz; `done` receives the id of
  // every buffer played (or dropped by Reset). False when it cannot open.
  virtual bool Open(Completion done) = 0;
  // Queues a copy of `count` samples behind the buffers already written.
  // False (nothing queued) when the device is not open. A buffer of no
  // samples completes when its turn comes.
  virtual bool Write(int id, const int16_t* samples, size_t count) = 0;
  // Drops the buffers not yet played; each is still reported done, in order.
  virtual void Reset() = 0;
  // Stops and closes; no completion is reported once Close has returned.
  virtual void Close() = 0;
  virtual std::string Name() const = 0;
};

// The device the player uses, returned open: SDL when it opens (KLV_AUDIO
// unset or "sdl"), else the null device; KLV_AUDIO=null always gives the null
// device.
std::unique_ptr<WaveDevice> OpenWaveDevice(WaveDevice::Completion done);

// Playing time of `samples` samples at 16 kHz, in microseconds.
inline int64_t WaveMicroseconds(size_t samples) {
  return static_cast<int64_t>(samples) * 1000000 / kWaveSampleRate;
}

}  // namespace klv
