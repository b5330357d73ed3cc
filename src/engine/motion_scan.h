#pragma once
// The motion scan: every frame of AVI movies compared with the frame before
// it, as a forward search from frame 0 compares them (reduced pictures of the
// JPEG DC coefficients, Part of the motion search), on several threads; and
// the runs of motion frames found in the comparisons. klvtool scan, the
// motion-only export and the contact sheet all take their runs from here.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace klv {

class AviReader;
class JpegDecoder;

// Consecutive frames each of which differs from the frame before it by more
// than the threshold in some block.
struct MotionRun {
  int first = 0;
  int last = 0;
  int largest = 0;  // the largest block difference in the run
  int peak = 0;     // the frame with it (the first such)
  bool operator==(const MotionRun&) const = default;
};

// The runs in `changes` (changes[i]: frame i against frame i - 1; frame 0 is
// never a motion frame), in frame order.
std::vector<MotionRun> FindMotionRuns(const std::vector<int>& changes, int threshold);

// Frames [first, last] of one file.
struct FrameSpan {
  int first = 0;
  int last = 0;
  bool operator==(const FrameSpan&) const = default;
};

// Each run with `context` frames before and after it, kept inside the file's
// `frames` frames; spans that overlap or touch are merged.
std::vector<FrameSpan> RunsWithContext(const std::vector<MotionRun>& runs, int context, int frames);

struct ScanFile {
  std::string path;
  int frames = 0;  // as its open said
};

struct ScanOptions {
  int jobs = 0;  // workers; 0: one per core
  // Asked now and then from the workers: true stops the scan soon, its
  // result marked `stopped`.
  std::function<bool()> stopped;
  // Frames compared so far of all; called now and then from the workers, one
  // call at a time.
  std::function<void(int64_t done, int64_t total)> progress;
};

struct ScanResult {
  // changes[f][i]: the largest block difference of frame i of file f against
  // frame i - 1 (0 for frame 0). Whatever the number of workers, the values
  // are those of one pass from frame 0, damaged frames included.
  std::vector<std::vector<int>> changes;
  std::vector<bool> failed;  // the file could not be opened again
  bool stopped = false;
};

ScanResult ScanFrameChanges(const std::vector<ScanFile>& files, const ScanOptions& options);

// The camera's date and time of frame `index`, "YYYY/MM/DD HH:MM:SS.CC", from
// its headers (from the last frame before it that can be read, when it
// cannot), as the player would show it.
std::string FrameCameraTime(AviReader& avi, JpegDecoder& decoder, int index);

}  // namespace klv
