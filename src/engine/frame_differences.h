#pragma once
// How much each frame of an AVI movie changed: the largest difference of any
// block's reduced luma from the frame before it, exactly as the motion search
// compares frames. A frame with motion at threshold T is one whose difference
// is larger than T. Frame 0 has no frame before it and no difference.
//
// The motion timeline and the jumps between runs of motion frames walk a file
// with this one piece, so that they agree with the search (and with the
// motion scan, which compares the same reduced pictures on several threads).

#include <cstdint>

#include "engine/motion_search.h"

namespace klv {

class AviReader;
class JpegDecoder;

class DifferenceWalk {
 public:
  // Starts at frame `from`, the first reference, going `step` (+1 or -1).
  // False when `from` is outside the file or the buffers cannot be had.
  bool Begin(AviReader& avi, JpegDecoder& decoder, int from, int step);
  // Reads and reduces the next frame. `frame` receives the later of the two
  // frames compared (forward: the frame just read; backward: the frame read
  // before it) and `difference` that frame's difference. False at either end
  // of the file (nothing is read).
  bool Next(int* frame, int* difference);
  // The frame whose difference the next call reports; -1 when not walking.
  int Upcoming() const;
  // Frames reduced since Begin, the reference included.
  int64_t FramesRead() const { return framesRead_; }
  // The frame buffer and the decoder's header fields belong to the frame just
  // read (klvtool reads its time stamp from there).
  MotionSearcher& Searcher() { return searcher_; }

 private:
  MotionSearcher searcher_;
  AviReader* avi_ = nullptr;
  JpegDecoder* decoder_ = nullptr;
  int cur_ = 0;     // slot of the frame read last
  int last_ = -1;   // the frame read last
  int step_ = 1;
  int64_t framesRead_ = 0;
};

}  // namespace klv
