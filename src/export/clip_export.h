#pragma once
// A clip of the camera's movies as an MP4 movie: frames from our own readers
// and decoders, in play-list order, stamped as the player stamps them, with
// the sound of .ztm recordings, on a thread of the caller's choosing (klvtool,
// or the player's worker thread beside playback).
//
//   ClipExport job;
//   job.progress = [](const ClipProgress& p) { ... };   // on the exporting thread
//   ClipResult r = job.Run({{"a.avi"}, {"b.avi", 0, 120}}, options);
//   // job.Cancel() from any thread ends it soon; nothing is left behind
//
// Pictures keep the first movie's size; a movie of another size is scaled
// into it with its aspect kept, on black. AVI and .m4v pictures last 1 / rate
// each; a .ztm picture lasts as long as the sound played while it is on show
// (the audio in front of picture k is credited to picture k - 1, as playback
// credits it), and the MP4 then carries that sound as AAC, with silence under
// the pictures of other movies. A picture that cannot be decoded is counted
// and left out (a .ztm picture's place is kept by the picture before it, so
// that sound and pictures stay together).

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/mp4_writer.h"

namespace klv {

// Frames (AVI) or pictures (.m4v, .ztm) [first, last] of a movie, counted
// from 0; last -1: to the movie's end.
struct ClipPart {
  std::string path;
  int first = 0;
  int last = -1;
};

struct ClipOptions {
  std::string output;             // the .mp4 file
  bool stamp = false;             // date and time burnt in, as the player's stamp option
  FrameRate rate {0, 1};          // 0: the player's rate for the first movie
  int crf = 23;                   // H.264 quality, 0..51 (lower is better)
  std::string preset = "veryfast";
  int jobs = 0;                   // decoding workers; 0: one per core
  int encoderThreads = 0;         // 0: as the encoder likes; the movie never depends on `jobs`
  // Only the runs of motion frames that klvtool scan finds in AVI movies,
  // each with `context` frames before and after (runs whose context overlaps
  // merged); .m4v streams and .ztm recordings, which have no motion
  // measure, go in whole.
  bool motionOnly = false;
  int threshold = 50;
  int context = 5;
};

struct ClipProgress {
  int64_t done = 0;   // pictures through the encoder (or frames scanned while `scanning`)
  int64_t total = 0;
  bool scanning = false;
};

struct ClipResult {
  enum class Status { kDone, kCancelled, kFailed };
  Status status = Status::kFailed;
  std::string error;                // kFailed: one line saying why
  std::vector<std::string> notes;   // movies left out and why ("FILE: File Not Found (...)")
  int64_t pictures = 0;             // in the movie
  int64_t damaged = 0;              // frames that could not be decoded
  int width = 0;                    // of the movie
  int height = 0;
  FrameRate rate {0, 1};
  bool sound = false;
  double seconds = 0;               // the movie's length
};

// The player's rate for a movie, as its first file sets it: AVI the rate word
// over the capture interval (1..30), .m4v a picture every 66 ms, .ztm the pace
// of its sound (pictures over seconds of sound). {0, 1} when the file cannot
// be read.
FrameRate PlayerRateOf(const std::string& path);

class ClipExport {
 public:
  // Called on the exporting thread after each picture (and now and then
  // while a motion-only export scans).
  std::function<void(const ClipProgress&)> progress;

  // Ends a running export soon, from any thread; its file is not written.
  void Cancel() { cancel_ = true; }

  // Exports `parts` in order. The output appears only when the whole movie is
  // written; a failure or a cancel leaves nothing. `stop`, when given, is a
  // second cancel flag (klvtool's Ctrl-C).
  ClipResult Run(const std::vector<ClipPart>& parts, const ClipOptions& options,
                 const std::atomic<bool>* stop = nullptr);

 private:
  std::atomic<bool> cancel_ {false};
};

}  // namespace klv
