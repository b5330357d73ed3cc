#include "audio/completion_thread.h"

#include <algorithm>
#include <utility>

namespace klv {

void CompletionThread::Start(WaveDevice::Completion done) {
  Stop();
  done_ = std::move(done);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    queue_.clear();
    lastDue_ = Clock::now();
  }
  thread_ = std::thread([this] { Run(); });
}

void CompletionThread::Post(int id, std::chrono::microseconds playing) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lastDue_ = std::max(lastDue_, Clock::now()) + playing;
    queue_.push_back({id, lastDue_});
  }
  wake_.notify_one();
}

void CompletionThread::DueNow() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    for (Entry& e : queue_) e.due = std::min(e.due, now);
    lastDue_ = now;
  }
  wake_.notify_one();
}

void CompletionThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
}

void CompletionThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const Entry front = queue_.front();
    if (Clock::now() < front.due) {
      wake_.wait_until(lock, front.due);
      continue;
    }
    queue_.pop_front();
    lock.unlock();
    if (done_) done_(front.id);
    lock.lock();
  }
}

}  // namespace klv
