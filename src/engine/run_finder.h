#pragma once
// Next Motion and Previous Motion: the first frame of the next or previous run
// of motion frames, across the play list. A run is what klvtool scan reports:
// consecutive frames of one file whose difference (frame_differences.h) is
// above the threshold. It starts at its first frame, frame 1 at the earliest
// since frame 0 has no difference. Forward, the next run starts after the
// frame on show; backward, the previous run starts before it, so that from
// inside a run the first step back lands on that run's own start.
//
// Differences come from the motion timeline where it has them: a file whose
// values are complete is decided at once, and the filled part of one still
// filling is used as far as it goes. The rest is computed here a frame at a
// time with a reader of the finder's own, so the movie on show stays as it
// is until the owner moves to the result. The owner drives Step from its
// event loop. Files that cannot be read have no runs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/frame_differences.h"
#include "engine/motion_timeline.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

struct RunJump {
  enum class Outcome {
    kFound,  // the run starts at `frame` of entry `entry`
    kNone,   // no further run in the direction of the jump
  };
  Outcome outcome = Outcome::kNone;
  int entry = -1;
  int frame = -1;
  std::string path;  // the entry's file, as the list held it when the jump started
};

class RunFinder {
 public:
  // Shows each frame the finder reads itself, as the search does; may be empty.
  MotionSearcher::Preview preview;
  // bForceBW for the preview; may be null.
  const DecoderFlags* flags = nullptr;

  // From `frame` of entry `entry` of `files` (the play list in order; entries
  // that are not AVI movies are stepped over) towards the list's end
  // (`direction` +1) or start (-1). `timeline` may be null. Running() tells
  // whether frames are left to read; else Result() holds the outcome.
  void Start(std::vector<std::string> files, int entry, int frame, int direction, int threshold,
             const MotionTimeline* timeline);
  // Reads one frame (deciding from the timeline's values as far as they go
  // before and after it). True when the jump is decided.
  bool Step();
  // Forgets the jump under way.
  void Cancel() { running_ = false; }

  bool Running() const { return running_; }
  int Direction() const { return direction_; }
  const RunJump& Result() const { return result_; }
  // The entry being examined and the frame whose difference comes next.
  int Entry() const { return entry_; }
  int Frame() const { return k_; }
  // Frames read by the finder itself since Start (the timeline's not counted).
  int64_t FramesRead() const { return framesRead_; }

 private:
  // Takes up entry_ from `from`; `walked`: the walk came into it from a
  // neighbour, so every run of the file counts.
  void BeginFile(int from, bool walked);
  // The difference of frame k_ computed here; false when the file cannot be read.
  bool ReadDifference(int* difference);
  // Takes the difference of frame k_ and moves on; true when the jump is decided.
  bool Feed(int difference);
  // The file has no more frames to look at: decide, or walk on. True when decided.
  bool FileDone();
  bool Exhausted() const { return direction_ > 0 ? k_ >= frames_ : k_ < 1; }
  bool OpenOwn();
  void Finish(RunJump::Outcome outcome, int frame);

  std::vector<std::string> files_;
  int direction_ = 1;
  int threshold_ = 0;
  const MotionTimeline* timeline_ = nullptr;
  bool running_ = false;
  RunJump result_;
  int64_t framesRead_ = 0;

  // The file in hand.
  int entry_ = -1;
  int frames_ = 0;
  int from_ = 0;           // runs must start after (forward) or before (backward) it
  int k_ = 0;              // the frame whose difference comes next
  bool prevAbove_ = false; // forward: the frame before k_ is above the threshold
  int candidate_ = -1;     // backward: the lowest frame of the run being walked down
  std::shared_ptr<const TimelineValues> known_;
  std::unique_ptr<AviReader> avi_;
  std::unique_ptr<JpegDecoder> decoder_;
  DifferenceWalk walk_;
  bool unreadable_ = false;
};

}  // namespace klv
