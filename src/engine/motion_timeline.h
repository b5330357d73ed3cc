#pragma once
// The motion timeline: how much each frame of the AVI movie on show changed
// from the frame before it (the motion search's difference, see
// frame_differences.h), computed on a worker thread with a reader and a
// decoder of its own as soon as the movie opens, so that the window can draw
// it along the seek bar while it fills.
//
// One worker serves the whole run. Starting another movie cancels the fill
// under way; a movie's values, whole or in part, are kept for the rest of the
// run under its path, size and modification time, so that a movie shown
// again (the play list wrapping round, a step into the previous entry) is
// not read twice: its fill goes on from where it stopped.
//
// Threads: Start, Cancel and the look-ups run on the user-interface thread;
// TimelineValues may be read from any thread while the worker fills it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace klv {

// A movie file as it is now: a file changed since its values were computed
// is another file.
struct MovieFileKey {
  std::string path;
  int64_t size = -1;
  int64_t modified = 0;  // nanoseconds since the epoch
  auto operator<=>(const MovieFileKey&) const = default;
};
MovieFileKey MovieFileKeyOf(const std::string& path);

// The values of one movie, frame 0 first. Frames below Filled() hold their
// value for good; the worker alone writes the others.
class TimelineValues {
 public:
  enum class State {
    kFilling,   // under way, or stopped part way (it goes on when started again)
    kComplete,  // every frame has its value
    kFailed,    // the worker could not read the movie (or it has changed)
  };

  TimelineValues(MovieFileKey key, int frames, std::vector<int> eventFrames);

  const MovieFileKey& Key() const { return key_; }
  int Frames() const { return static_cast<int>(values_.size()); }
  // The frames the camera marked as the start of an event, ascending.
  const std::vector<int>& EventFrames() const { return events_; }
  // Frames [0, Filled()) have their values.
  int Filled() const { return filled_.load(std::memory_order_acquire); }
  // The difference of `frame` from the frame before it, 0..255; 0 for frame 0
  // and for frames not filled yet.
  int Value(int frame) const;
  // The values filled so far, one a frame.
  std::vector<uint8_t> Snapshot() const;
  State GetState() const { return state_.load(std::memory_order_acquire); }
  bool Complete() const { return GetState() == State::kComplete; }

 private:
  friend class MotionTimeline;
  // The worker's side.
  void Fill(int frame, int value);  // frame == Filled()
  void SetState(State s) { state_.store(s, std::memory_order_release); }

  MovieFileKey key_;
  std::vector<uint8_t> values_;
  std::vector<int> events_;
  std::atomic<int> filled_ {0};
  std::atomic<State> state_ {State::kFilling};
};

class MotionTimeline {
 public:
  MotionTimeline();
  // Cancels the fill under way and waits for the worker to end.
  ~MotionTimeline();
  MotionTimeline(const MotionTimeline&) = delete;
  MotionTimeline& operator=(const MotionTimeline&) = delete;

  // The movie at `path`, open on show with `frames` frames and these event
  // frames, becomes the current one: its kept values when it has them, else
  // new ones that the worker starts filling; a fill of another movie stops.
  // A movie whose values are not complete goes on filling from where it
  // stopped. Never waits for the worker.
  std::shared_ptr<const TimelineValues> Start(const std::string& path, int frames,
                                              const std::vector<int>& eventFrames);
  // No current movie: the fill under way stops after the frame in hand.
  void Cancel();
  // The values of the current movie; null when none.
  std::shared_ptr<const TimelineValues> Current() const;
  // The values kept for the file at `path` as it is now, complete or in part;
  // null when it has none.
  std::shared_ptr<const TimelineValues> Kept(const std::string& path) const;

  // Tests: called on the worker after each frame it fills; set before the
  // first Start.
  std::function<void(int frame)> afterFrameForTesting;
  // Tests: waits until the worker has nothing to do; false after `limit`.
  bool WaitIdle(std::chrono::milliseconds limit) const;
  // Tests: frames the worker has read since construction.
  int64_t FramesRead() const { return framesRead_.load(std::memory_order_relaxed); }

 private:
  void Run();
  void FillOne(const std::shared_ptr<TimelineValues>& values, uint64_t generation);
  bool Cancelled(uint64_t generation) const {
    return generation_.load(std::memory_order_acquire) != generation;
  }

  mutable std::mutex lock_;
  mutable std::condition_variable wake_;   // a job or the end for the worker
  mutable std::condition_variable idle_;   // the worker has finished a job
  std::map<MovieFileKey, std::shared_ptr<TimelineValues>> kept_;
  std::shared_ptr<TimelineValues> current_;
  std::shared_ptr<TimelineValues> job_;     // waiting for the worker
  bool working_ = false;                    // the worker is filling
  bool quit_ = false;
  std::atomic<uint64_t> generation_ {0};    // bumped by every Start and Cancel
  std::atomic<int64_t> framesRead_ {0};
  std::thread worker_;                      // last: starts after the rest exists
};

}  // namespace klv
