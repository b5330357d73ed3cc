#include "audio/manual_wave_device.h"

#include <utility>

namespace klv {

bool ManualWaveDevice::Open(Completion done) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failOpen) return false;
  done_ = std::move(done);
  open_ = true;
  return true;
}

bool ManualWaveDevice::Write(int id, const int16_t* samples, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return false;
  if (failWrites_ > 0) {
    --failWrites_;
    return false;
  }
  written_.push_back({id, std::vector<int16_t>(samples, samples + count)});
  pending_.push_back(id);
  return true;
}

void ManualWaveDevice::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++resets_;
}

void ManualWaveDevice::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
  pending_.clear();
}

bool ManualWaveDevice::CompleteNext() {
  int id = 0;
  Completion done;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty() || !open_) return false;
    id = pending_.front();
    pending_.pop_front();
    done = done_;
  }
  if (done) done(id);
  return true;
}

int ManualWaveDevice::CompleteAll() {
  int n = 0;
  while (CompleteNext()) ++n;
  return n;
}

std::vector<ManualWaveDevice::Buffer> ManualWaveDevice::Written() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_;
}

std::vector<int16_t> ManualWaveDevice::Samples() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<int16_t> all;
  for (const Buffer& b : written_) all.insert(all.end(), b.samples.begin(), b.samples.end());
  return all;
}

size_t ManualWaveDevice::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_.size();
}

int ManualWaveDevice::resets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return resets_;
}

bool ManualWaveDevice::isOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

void ManualWaveDevice::FailWrites(int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  failWrites_ = n;
}

}  // namespace klv
