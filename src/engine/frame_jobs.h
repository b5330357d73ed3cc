#pragma once
// Frames decoded on several threads. The work is cut into chunks of
// consecutive frames of one file, handed out in order to a few workers; each
// worker has its own readers and decoders, and whoever collects the results
// puts them back in order, so that the outcome never depends on the number of
// workers.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "media/avi/avi_reader.h"
#include "media/common/picture.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

// Workers for `requested` (0 or less: one per core), at least 1.
int JobCount(int requested);

// Frames [first, end) of file `file`.
struct FrameChunk {
  int file = 0;
  int first = 0;
  int end = 0;
  bool operator==(const FrameChunk&) const = default;
};

// The frames of files with `frames[f]` frames each, in file and frame order,
// as chunks: one per file for a single worker; else about `chunksPerJob`
// chunks a worker over the whole, none shorter than `minFrames` (but a file's
// last) so that a chunk's start-up stays small beside its work.
std::vector<FrameChunk> SplitFrames(const std::vector<int>& frames, int jobs, int chunksPerJob, int minFrames);

// Runs task(worker, index) for every index in [0, count) on `jobs` workers
// (the calling thread is worker 0), handing the indices out in increasing
// order; returns when every task handed out has finished. When `stop` is
// set, no further index is handed out.
void RunJobs(int jobs, size_t count, const std::function<void(int worker, size_t index)>& task,
             const std::atomic<bool>* stop = nullptr);

// One worker's AVI movie: a reader, a decoder and a picture of its own.
// Frames are taken in increasing order; the headers of the frames passed over
// are walked, so that each frame is decoded with the tables one pass from
// frame 0 gives it.
class AviFrameCursor {
 public:
  // False when the movie cannot be opened or its buffers cannot be had.
  bool Open(const std::string& path);
  // Decodes frame `index` (not before the last one taken) into Picture();
  // false when it cannot be read or decoded.
  bool Decode(int index);
  // The frame after the last one taken.
  int Next() const { return next_; }
  AviReader& Reader() { return avi_; }
  const JpegDecoder& Decoder() const { return decoder_; }
  FramePicture& Picture() { return picture_; }

 private:
  AviReader avi_;
  JpegDecoder decoder_;
  FramePicture picture_;
  int next_ = 0;
};

}  // namespace klv
