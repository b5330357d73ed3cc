#pragma once
// The thread on which a wave device reports played buffers. Reports leave in
// the order posted, each at its due time, with no lock held, so the receiver
// may take its own locks and call the device again.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "audio/wave_device.h"

namespace klv {

class CompletionThread {
 public:
  using Clock = std::chrono::steady_clock;

  CompletionThread() = default;
  CompletionThread(const CompletionThread&) = delete;
  CompletionThread& operator=(const CompletionThread&) = delete;
  ~CompletionThread() { Stop(); }

  void Start(WaveDevice::Completion done);
  // Reports `id` once the buffers posted before it are reported and `playing`
  // has passed after the later of now and the previous buffer's due time:
  // buffers play back to back, and a device left without work starts again
  // from now.
  void Post(int id, std::chrono::microseconds playing);
  // Everything still waiting is reported at once, in order.
  void DueNow();
  // Joins the thread; reports still waiting are dropped.
  void Stop();

 private:
  struct Entry {
    int id;
    Clock::time_point due;
  };
  void Run();

  WaveDevice::Completion done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Entry> queue_;
  Clock::time_point lastDue_ {};
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace klv
