#pragma once
#include "media/common/picture.h"

namespace klv {

struct PictureSize {
  int width = 0;
  int height = 0;
};

// The largest size with the aspect of width x height that fits within
// boxWidth x boxHeight, each side at least 1 pixel. Without `enlarge` a
// picture that already fits keeps its size. {0, 0} for sizes below 1.
PictureSize FitSize(int width, int height, int boxWidth, int boxHeight, bool enlarge = false);

// The picture resampled to width x height by area averaging: each new pixel
// is the mean of the source area it covers, partial pixels weighted by their
// share, so that shrinking does not alias. An empty picture for empty input
// or sizes outside 1..16384.
FramePicture ScalePicture(const FramePicture& source, int width, int height);

// The picture scaled to fit within box x box with its aspect kept (a
// thumbnail); enlarged only when asked.
FramePicture ScaleToFit(const FramePicture& source, int box, bool enlarge = false);

}  // namespace klv
