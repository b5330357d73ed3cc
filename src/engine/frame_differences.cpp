#include "engine/frame_differences.h"

#include "media/avi/avi_reader.h"

namespace klv {

bool DifferenceWalk::Begin(AviReader& avi, JpegDecoder& decoder, int from, int step) {
  last_ = -1;
  if (from < 0 || from >= avi.TotalFrames()) return false;
  if (!searcher_.Allocate(avi.Width(), avi.Height())) return false;
  avi_ = &avi;
  decoder_ = &decoder;
  step_ = step < 0 ? -1 : 1;
  cur_ = 0;
  searcher_.ReduceFrame(avi, decoder, from, cur_);
  last_ = from;
  framesRead_ = 1;
  return true;
}

int DifferenceWalk::Upcoming() const {
  if (last_ < 0) return -1;
  const int next = last_ + step_;
  if (next < 0 || next >= avi_->TotalFrames()) return -1;
  return step_ > 0 ? next : last_;
}

bool DifferenceWalk::Next(int* frame, int* difference) {
  if (Upcoming() < 0) return false;
  const int next = last_ + step_;
  const int fresh = 1 - cur_;
  searcher_.ReduceFrame(*avi_, *decoder_, next, fresh);
  ++framesRead_;
  *difference = searcher_.LargestDifference(fresh, cur_);
  *frame = step_ > 0 ? next : last_;
  cur_ = fresh;
  last_ = next;
  return true;
}

}  // namespace klv
