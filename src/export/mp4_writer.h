#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "media/common/picture.h"

namespace klv {

// Pictures per second as a fraction: 30, 30000/1001, or 1/5 for one picture
// every five seconds.
struct FrameRate {
  int num = 30;
  int den = 1;
  constexpr FrameRate() = default;
  constexpr FrameRate(int fps) : num(fps) {}  // implicit: `rate = 25` reads as it should
  constexpr FrameRate(int n, int d) : num(n), den(d) {}
};

struct Mp4Options {
  FrameRate rate;
  // H.264 constant quality, 0 .. 51, lower is better; 0 is lossless, in a
  // profile that phones do not play.
  int crf = 23;
  std::string preset = "veryfast";  // x264's speed against size, "ultrafast" .. "placebo"
  bool sound = false;               // the pictures come with 16-bit PCM mono sound
  int soundRate = 16000;            // samples per second of that sound
  int soundBitRate = 64000;         // AAC bits per second
  int threads = 0;                  // encoder threads; 0: as many as suit the cores
  // Ticks a second of the picture times given to AddPicture(picture, ticks);
  // 0: every picture lasts 1 / rate. Pictures of their own lengths keep
  // `rate` as the movie's nominal rate.
  int pictureClock = 0;
};

// Writes an MP4 movie that phones and browsers play: H.264 (yuv420p, High
// profile, index at the front) and, when asked, AAC sound. The file is
// written under a temporary name beside the output and renamed at Finish();
// Abort(), a failure, or destruction before Finish() removes it.
//
// Picture k is shown at k / rate seconds; sound sample n at n / soundRate
// seconds, both from the start, so sound given picture by picture stays with
// its pictures (and keeps the muxer's queue short). Pictures of an odd width
// or height are padded to even by repeating the last column or row (4:2:0
// needs even sizes); nothing is cut.
class Mp4Writer {
 public:
  Mp4Writer();
  ~Mp4Writer();
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;

  // Starts the movie for pictures of width x height (1..16384). False with
  // Error() ("cannot write OUT.mp4: Permission denied", "no H.264 encoder").
  bool Open(const std::string& path, int width, int height, const Mp4Options& options = {});
  // Encodes the next picture; it must have the size given to Open().
  bool AddPicture(const FramePicture& picture);
  // The same for a picture shown `ticks` / options.pictureClock seconds (at
  // least one tick); it starts where the pictures before it end.
  bool AddPicture(const FramePicture& picture, int64_t ticks);
  // Appends sound samples (16-bit, mono, at options.soundRate).
  bool AddSound(const int16_t* samples, size_t count);
  // Drains the encoders, writes the index and renames the file into place.
  bool Finish();
  // Stops and removes the temporary file; the writer can be opened again.
  void Abort();

  bool IsOpen() const;
  // What went in since the last Open(), kept after Finish().
  int64_t Pictures() const { return pictures_; }
  int64_t SoundSamples() const { return soundSamples_; }
  // The movie's size: the pictures' rounded up to even.
  int EncodedWidth() const { return encodedWidth_; }
  int EncodedHeight() const { return encodedHeight_; }
  const std::string& Error() const { return error_; }

 private:
  struct Impl;
  bool Fail(const std::string& what);
  std::unique_ptr<Impl> impl_;
  std::string error_;
  int64_t pictures_ = 0;
  int64_t soundSamples_ = 0;
  int encodedWidth_ = 0;
  int encodedHeight_ = 0;
};

}  // namespace klv
