#pragma once
// Holds the motion timeline's worker after a chosen frame until the test lets
// it go (MotionTimeline::afterFrameForTesting calls Reached). Opened when it
// goes, so that a timeline destroyed after it never waits on it.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace klv::test {

class WorkerGate {
 public:
  explicit WorkerGate(int at) : at_(at) {}
  ~WorkerGate() { Open(); }
  WorkerGate(const WorkerGate&) = delete;
  WorkerGate& operator=(const WorkerGate&) = delete;

  // On the worker: waits at frame `at` until Open.
  void Reached(int frame) {
    if (frame != at_) return;
    std::unique_lock<std::mutex> hold(lock_);
    reached_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return open_; });
  }
  bool IsReached() {
    std::lock_guard<std::mutex> hold(lock_);
    return reached_;
  }
  bool WaitReached() {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(60), [this] { return reached_; });
  }
  void Open() {
    std::lock_guard<std::mutex> hold(lock_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  const int at_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool reached_ = false;
  bool open_ = false;
};

}  // namespace klv::test
