#pragma once
// A wave device for tests: it records every buffer written and reports a
// buffer done only when told to (CompleteNext), on whichever thread calls it,
// so a test can run completions on its own thread against the writer.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "audio/wave_device.h"

namespace klv {

class ManualWaveDevice final : public WaveDevice {
 public:
  struct Buffer {
    int id = 0;
    std::vector<int16_t> samples;
  };

  bool Open(Completion done) override;
  bool Write(int id, const int16_t* samples, size_t count) override;
  // Buffers not yet played stay until completed (a wave-out reset returns
  // them too).
  void Reset() override;
  void Close() override;
  std::string Name() const override { return "manual"; }

  // Reports the oldest buffer not yet reported; false when none waits.
  bool CompleteNext();
  // Reports buffers until none waits; how many were reported.
  int CompleteAll();

  // Everything written since the device was made, in order.
  std::vector<Buffer> Written() const;
  // All samples written, in order.
  std::vector<int16_t> Samples() const;
  size_t Pending() const;
  int resets() const;
  bool isOpen() const;

  // Failure switches: the next Open fails; the next `n` writes fail.
  bool failOpen = false;
  void FailWrites(int n);

 private:
  mutable std::mutex mutex_;
  Completion done_;
  bool open_ = false;
  int failWrites_ = 0;
  int resets_ = 0;
  std::vector<Buffer> written_;
  std::deque<int> pending_;
};

}  // namespace klv
