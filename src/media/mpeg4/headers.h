#pragma once
// The MPEG-4 visual stream headers the camera writes: visual object sequence,
// visual object, video object and video object layer once per file, an
// optional group-of-VOP header and a VOP header in front of every picture.
// Streams using tools the decoder does not have are refused here.

#include <cstdint>

namespace klv {

class StreamReader;

namespace mpeg4 {

// Start codes as NextStartCode returns them.
inline constexpr int kVisualObjectSequenceCode = 0x1B0;
inline constexpr int kUserDataCode = 0x1B2;
inline constexpr int kGroupOfVopCode = 0x1B3;
inline constexpr int kVisualObjectCode = 0x1B5;
inline constexpr int kVopCode = 0x1B6;

// Layers wider than this many macroblocks are refused (the predictor rows
// hold 80 columns).
inline constexpr int kMaxMbWidth = 80;

}  // namespace mpeg4

struct StreamLayer {
  int width = 0;
  int height = 0;
  int mbWidth = 0;
  int mbHeight = 0;
  int timeIncrementResolution = 0;
  int timeIncrementBits = 0;
  int quantPrecision = 5;
};

struct VopHeader {
  int codingType = 0;  // 0 I, 1 P, 2 B
  int timeIncrement = 0;
  int moduloBits = 0;
  bool coded = false;
  int intraDcThreshold = 0;  // running quantisers below this use the DC-size code
  int quantiser = 0;
  int fcodeForward = 1;
  int rSize = 0;
};

// Bits needed for vop_time_increment: enough for resolution - 1, at least 1.
int TimeIncrementBits(int resolution);

// Reads the four stream headers from the start of the file into `layer`.
bool ParseStreamHeaders(StreamReader& reader, StreamLayer& layer);
// Reads a group-of-VOP header (start code, time code, closed_gov, broken_link).
bool ReadGroupOfVopHeader(StreamReader& reader);
// Reads one VOP header; true when complete and acceptable, coded or not.
bool ReadVopHeader(StreamReader& reader, const StreamLayer& layer, VopHeader& vop);

}  // namespace klv
