#pragma once
// Reads a movie back through FFmpeg's demuxer and decoders, apart from the
// writer's code, to see what a player would see.
#include <cstdint>
#include <string>
#include <vector>

#include "media/common/picture.h"

namespace klv::test {

struct ProbedStream {
  std::string codec;  // "h264", "aac"
  int width = 0, height = 0;
  int rateNum = 0, rateDen = 0;  // average frame rate
  int64_t storedFrames = 0;      // frame count in the container's index
  double duration = 0;           // seconds, from the container
  int sampleRate = 0, channels = 0;
  std::string pixelFormat, profile, colorSpace;
};

struct ProbedMovie {
  bool ok = false;
  std::string error;
  std::string brand;          // the file type box's major brand
  bool indexFirst = false;    // "moov" before "mdat"
  std::vector<ProbedStream> streams;
  const ProbedStream* Find(const std::string& codec) const;

  // Decoded pictures (BGR, the decoder's size) and their times in seconds.
  std::vector<FramePicture> pictures;
  std::vector<double> pictureTimes;
  // Decoded sound as mono floats and the time of its first sample.
  std::vector<float> sound;
  double soundStart = 0;
  int soundRate = 0;
};

// Opens, probes and (with `decode`) decodes everything in the file.
ProbedMovie ProbeMovie(const std::string& path, bool decode);

// Peak signal-to-noise ratio in dB over the blue, green and red bytes of the
// top-left width x height of two pictures (infinity when identical).
double Psnr(const FramePicture& a, const FramePicture& b, int width, int height);

}  // namespace klv::test
