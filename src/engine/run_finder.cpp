#include "engine/run_finder.h"

#include <algorithm>

#include "engine/player_state.h"

namespace klv {

void RunFinder::Start(std::vector<std::string> files, int entry, int frame, int direction, int threshold,
                      const MotionTimeline* timeline) {
  files_ = std::move(files);
  direction_ = direction < 0 ? -1 : 1;
  threshold_ = threshold;
  timeline_ = timeline;
  result_ = {};
  framesRead_ = 0;
  running_ = true;
  entry_ = entry;
  if (entry < 0 || entry >= static_cast<int>(files_.size())) {
    Finish(RunJump::Outcome::kNone, -1);
    return;
  }
  BeginFile(frame, false);
}

void RunFinder::BeginFile(int from, bool walked) {
  const std::string& path = files_[static_cast<size_t>(entry_)];
  known_ = timeline_ != nullptr ? timeline_->Kept(path) : nullptr;
  avi_.reset();
  decoder_.reset();
  walk_ = DifferenceWalk();
  walk_.Searcher().preview = preview;
  walk_.Searcher().flags = flags;
  unreadable_ = false;
  if (known_ != nullptr) {
    frames_ = known_->Frames();
  } else if (OpenOwn()) {
    frames_ = avi_->TotalFrames();
  } else {
    frames_ = 0;  // nothing to look at: the walk goes on
  }
  if (walked) from = direction_ > 0 ? 0 : frames_;
  from_ = std::clamp(from, 0, frames_);
  // Forward from a frame inside the file, that frame's own difference tells
  // whether the next one starts a run or goes on with one.
  if (direction_ > 0)
    k_ = from_ + 1 >= frames_ ? frames_ : std::max(from_, 1);
  else
    k_ = from_ - 1;
  prevAbove_ = false;
  candidate_ = -1;
}

bool RunFinder::OpenOwn() {
  avi_ = std::make_unique<AviReader>();
  decoder_ = std::make_unique<JpegDecoder>();
  if (avi_->AviOpen(files_[static_cast<size_t>(entry_)], *decoder_) == AviOpenStatus::kOk) return true;
  avi_.reset();
  decoder_.reset();
  unreadable_ = true;
  return false;
}

bool RunFinder::Step() {
  if (!running_) return true;
  for (;;) {
    if (Exhausted()) {
      if (FileDone()) return true;
      continue;
    }
    int difference = 0;
    if (known_ != nullptr && k_ < known_->Filled()) {
      // The timeline has it: no frame to read.
      difference = known_->Value(k_);
      if (Feed(difference)) return true;
      continue;
    }
    if (!ReadDifference(&difference)) {
      // The file cannot be read (any more): it has no runs.
      k_ = direction_ > 0 ? frames_ : 0;
      candidate_ = -1;
      continue;
    }
    if (Feed(difference)) return true;
    return false;  // one frame read a step
  }
}

bool RunFinder::ReadDifference(int* difference) {
  if (unreadable_) return false;
  if (avi_ == nullptr && !OpenOwn()) return false;
  if (avi_->TotalFrames() != frames_) return false;  // not the file the timeline saw
  if (walk_.Upcoming() != k_) {
    // Forward, frame k_ is compared with k_ - 1 read first; backward, k_ is
    // read first and k_ - 1 compared with it.
    if (!walk_.Begin(*avi_, *decoder_, direction_ > 0 ? k_ - 1 : k_, direction_)) return false;
    ++framesRead_;
  }
  int frame = 0;
  if (!walk_.Next(&frame, difference)) return false;
  ++framesRead_;
  return frame == k_;
}

bool RunFinder::Feed(int difference) {
  const bool above = difference > threshold_;
  if (direction_ > 0) {
    if (above && !prevAbove_ && k_ > from_) {
      Finish(RunJump::Outcome::kFound, k_);
      return true;
    }
    prevAbove_ = above;
    ++k_;
    return false;
  }
  if (above) {
    candidate_ = k_;
  } else if (candidate_ >= 0) {
    Finish(RunJump::Outcome::kFound, candidate_);
    return true;
  }
  --k_;
  return false;
}

bool RunFinder::FileDone() {
  // Walking down, a run that reaches frame 1 starts there.
  if (direction_ < 0 && candidate_ >= 0) {
    Finish(RunJump::Outcome::kFound, candidate_);
    return true;
  }
  const int count = static_cast<int>(files_.size());
  int next = entry_ + direction_;
  while (next >= 0 && next < count && SourceKindOf(files_[static_cast<size_t>(next)]) != SourceKind::Avi)
    next += direction_;
  if (next < 0 || next >= count) {
    Finish(RunJump::Outcome::kNone, -1);
    return true;
  }
  entry_ = next;
  BeginFile(0, true);
  return false;
}

void RunFinder::Finish(RunJump::Outcome outcome, int frame) {
  running_ = false;
  result_.outcome = outcome;
  result_.entry = outcome == RunJump::Outcome::kFound ? entry_ : -1;
  result_.frame = outcome == RunJump::Outcome::kFound ? frame : -1;
  result_.path = outcome == RunJump::Outcome::kFound ? files_[static_cast<size_t>(entry_)] : std::string();
  // The reader goes with the jump.
  walk_ = DifferenceWalk();
  avi_.reset();
  decoder_.reset();
  known_.reset();
}

}  // namespace klv
