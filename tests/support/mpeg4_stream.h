#pragma once
// `.m4v` streams in one call: the MPEG-4 encoder over a scene (or given
// pictures), with options for damaged and edge-case streams.
//
//   klv::sample::M4vStreamSpec plan;          // 176 x 144, 10 pictures, I then P
//   plan.pictures = 20;
//   plan.intraPeriod = 8;                     // I-VOP every 8 pictures
//   plan.insertions.push_back({.beforePicture = 3, .kind = klv::sample::StreamInsertion::Kind::Junk, .count = 32});
//   klv::sample::M4vStream s = klv::sample::BuildM4v(plan);
//   // s.bytes, s.reconstructions[k] (what a correct player shows), s.pictures[k].offset ...

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/mpeg4_encoder.h"
#include "support/mpeg4_scene.h"

namespace klv::sample {

// Bytes put into the stream in front of a picture's first start code (its
// group-of-VOP header when it has one, else its VOP), after the stuffing of
// the picture before. beforePicture == pictures puts them at the end.
struct StreamInsertion {
  enum class Kind {
    Junk,   // `count` bytes that are no start-code prefix (first bit 1, never 0x80)
    Zeros,  // `count` zero bytes (extra zeros in front of the start code)
    Raw,    // `bytes` as given
  };
  int beforePicture = 0;
  Kind kind = Kind::Junk;
  int count = 0;
  std::vector<uint8_t> bytes {};
};

struct M4vStreamSpec {
  Mpeg4EncodeOptions encoder;
  int pictures = 10;
  int intraPeriod = 0;                  // > 0: I-VOP every intraPeriod pictures; 0: only the first
  std::vector<PictureType> types;       // when not empty: type of picture k = types[k % size]
  std::vector<PictureControls> controls;  // when not empty: controls of picture k = [k] (if present)
  MovingSceneSpec scene;
  std::vector<YuvPicture> sources;      // when not empty: picture k shows sources[k % size]
  bool groupOfVopBeforeIntra = false;   // a group-of-VOP header in front of every I-VOP
  std::vector<StreamInsertion> insertions;
  int64_t truncateTo = -1;              // >= 0: the stream is cut to this many bytes
  bool keepSources = false;             // fill M4vStream::sources
};

struct M4vPictureInfo {
  size_t offset = 0;        // of the picture's first start code (group-of-VOP or VOP)
  size_t vopOffset = 0;     // of its VOP start code
  size_t size = 0;          // bytes from offset to the end of its stuffing
  PictureStats stats;
};

struct M4vStream {
  std::vector<uint8_t> bytes {};
  size_t headerLength = 0;  // bytes of the stream headers, up to the first picture
  std::vector<M4vPictureInfo> pictures;
  // What a correct player shows for picture k (for pictures the camera cannot
  // decode, NotCoded and Bidirectional, the unchanged reference).
  std::vector<YuvPicture> reconstructions;
  std::vector<YuvPicture> sources;
};

// The type of picture k under the plan.
PictureType PictureTypeAt(const M4vStreamSpec& plan, int k);
// The source picture k under the plan.
YuvPicture SourcePicture(const M4vStreamSpec& plan, int k);

M4vStream BuildM4v(const M4vStreamSpec& plan);
std::vector<uint8_t> BuildM4vStream(const M4vStreamSpec& plan);

// The demo stream: 640 x 480, 90 pictures (six seconds at the player's 66 ms),
// an I-VOP every 30, a panning textured scene with three moving boxes.
M4vStreamSpec DemoM4vSpec();

// Bytes of an insertion (junk, zeros or raw).
std::vector<uint8_t> InsertionBytes(const StreamInsertion& insertion);

}  // namespace klv::sample
