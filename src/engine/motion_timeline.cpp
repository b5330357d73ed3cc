#include "engine/motion_timeline.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "engine/frame_differences.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

MovieFileKey MovieFileKeyOf(const std::string& path) {
  namespace fs = std::filesystem;
  MovieFileKey key;
  key.path = path;
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) return key;
  const fs::file_time_type modified = fs::last_write_time(path, ec);
  if (ec) return key;
  key.size = static_cast<int64_t>(size);
  key.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
  return key;
}

// ---- TimelineValues --------------------------------------------------------------

TimelineValues::TimelineValues(MovieFileKey key, int frames, std::vector<int> eventFrames)
    : key_(std::move(key)), values_(static_cast<size_t>(frames > 0 ? frames : 0), 0),
      events_(std::move(eventFrames)) {}

int TimelineValues::Value(int frame) const {
  if (frame < 0 || frame >= Filled()) return 0;
  return values_[static_cast<size_t>(frame)];
}

std::vector<uint8_t> TimelineValues::Snapshot() const {
  const int n = Filled();
  return std::vector<uint8_t>(values_.begin(), values_.begin() + n);
}

void TimelineValues::Fill(int frame, int value) {
  values_[static_cast<size_t>(frame)] = static_cast<uint8_t>(value);
  filled_.store(frame + 1, std::memory_order_release);
}

// ---- MotionTimeline ---------------------------------------------------------------

MotionTimeline::MotionTimeline() = default;

MotionTimeline::~MotionTimeline() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    quit_ = true;
    generation_.fetch_add(1, std::memory_order_acq_rel);
    job_.reset();
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

std::shared_ptr<const TimelineValues> MotionTimeline::Start(const std::string& path, int frames,
                                                            const std::vector<int>& eventFrames) {
  MovieFileKey key = MovieFileKeyOf(path);
  std::shared_ptr<TimelineValues> values;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (current_ != nullptr && current_->Key() == key && current_->Frames() == frames) return current_;
    generation_.fetch_add(1, std::memory_order_acq_rel);
    auto it = kept_.find(key);
    if (it != kept_.end() && it->second->Frames() == frames &&
        it->second->GetState() != TimelineValues::State::kFailed) {
      values = it->second;
    } else {
      values = std::make_shared<TimelineValues>(key, frames, eventFrames);
      kept_[key] = values;
    }
    current_ = values;
    job_ = values->Complete() ? nullptr : values;
    if (job_ != nullptr && !worker_.joinable()) worker_ = std::thread([this] { Run(); });
  }
  wake_.notify_all();
  return values;
}

void MotionTimeline::Cancel() {
  std::lock_guard<std::mutex> hold(lock_);
  generation_.fetch_add(1, std::memory_order_acq_rel);
  current_.reset();
  job_.reset();
}

std::shared_ptr<const TimelineValues> MotionTimeline::Current() const {
  std::lock_guard<std::mutex> hold(lock_);
  return current_;
}

std::shared_ptr<const TimelineValues> MotionTimeline::Kept(const std::string& path) const {
  const MovieFileKey key = MovieFileKeyOf(path);
  std::lock_guard<std::mutex> hold(lock_);
  auto it = kept_.find(key);
  if (it == kept_.end() || it->second->GetState() == TimelineValues::State::kFailed) return nullptr;
  return it->second;
}

bool MotionTimeline::WaitIdle(std::chrono::milliseconds limit) const {
  std::unique_lock<std::mutex> hold(lock_);
  return idle_.wait_for(hold, limit, [this] { return job_ == nullptr && !working_; });
}

void MotionTimeline::Run() {
#if defined(__linux__)
  // Below the user-interface thread: when both want the same core, the
  // picture on show goes first and the timeline fills a little later.
  const id_t self = static_cast<id_t>(::gettid());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, self);
  if (errno == 0) ::setpriority(PRIO_PROCESS, self, nice + 10 > 19 ? 19 : nice + 10);
#endif
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return quit_ || job_ != nullptr; });
    if (quit_) break;
    std::shared_ptr<TimelineValues> values = std::move(job_);
    job_.reset();
    const uint64_t generation = generation_.load(std::memory_order_acquire);
    working_ = true;
    hold.unlock();
    FillOne(values, generation);
    hold.lock();
    working_ = false;
    idle_.notify_all();
  }
}

void MotionTimeline::FillOne(const std::shared_ptr<TimelineValues>& values, uint64_t generation) {
  AviReader avi;
  JpegDecoder decoder;
  if (avi.AviOpen(values->Key().path, decoder) != AviOpenStatus::kOk ||
      avi.TotalFrames() != values->Frames()) {
    values->SetState(TimelineValues::State::kFailed);
    return;
  }
  // A fill stopped part way goes on from its last frame, which is read again
  // as the reference.
  const int filled = values->Filled();
  DifferenceWalk walk;
  if (!walk.Begin(avi, decoder, filled > 0 ? filled - 1 : 0, +1)) {
    values->SetState(TimelineValues::State::kFailed);
    return;
  }
  framesRead_.fetch_add(1, std::memory_order_relaxed);
  if (filled == 0) {
    values->Fill(0, 0);
    if (afterFrameForTesting) afterFrameForTesting(0);
  }
  int frame = 0, difference = 0;
  while (!Cancelled(generation) && walk.Next(&frame, &difference)) {
    values->Fill(frame, difference);
    framesRead_.fetch_add(1, std::memory_order_relaxed);
    if (afterFrameForTesting) afterFrameForTesting(frame);
  }
  if (values->Filled() == values->Frames()) values->SetState(TimelineValues::State::kComplete);
}

}  // namespace klv
