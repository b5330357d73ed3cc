#pragma once
// Camera movies in one call: a scene (or given pictures) encoded frame by
// frame with the camera's segments, packed into the camera's AVI layout.
//
//   klv::sample::MovieSpec plan;            // 640 x 480, 30 frames, 5 s interval
//   plan.frames = 12;
//   plan.eventMode = true;
//   plan.eventFrames = {3, 7};
//   plan.scene.objects.push_back({.shape = ShapeKind::Box, .firstFrame = 5,
//                                 .lastFrame = 6, .x0 = 100, .y0 = 100,
//                                 .x1 = 200, .y1 = 100});
//   std::vector<uint8_t> avi = klv::sample::BuildCameraAvi(plan);
//
// Every frame gets, unless switched off: the camera record (APP4), the time
// stamp timeStampStart + i * timeStampStep (COM "T"), and in event mode or
// when eventFrames is not empty the event byte (APP5): bit 0 in frame 0 in
// event mode, bit 7 on event frames, else 0.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/avi_writer.h"
#include "support/camera_segments.h"
#include "support/jpeg_encoder.h"
#include "support/scene.h"

namespace klv::sample {

struct MovieSpec {
  int width = 640;
  int height = 480;
  int frames = 30;
  uint32_t scale = 5;        // capture interval in seconds (strh scale; 65535 = one day)
  int32_t rate = 50;         // strh rate; playback rate / scale frames a second

  bool timeStamps = true;
  uint64_t timeStampStart = TimeStampFromDate(2010, 5, 15, 8, 0, 0);
  int64_t timeStampStep = -1;  // 10-ms units per frame; -1: scale * 100
  bool rtcd = false;           // add "RTCD" + a raw clock block to each stamp

  bool cameraRecords = true;   // APP4 with Scene::RecordFields

  bool eventMode = false;      // bit 0 of frame 0's event byte
  std::vector<int> eventFrames;  // frames with bit 7 set

  SceneSpec scene;             // what the frames show
  std::vector<RgbImage> pictures;  // when not empty: frame i shows pictures[i % size] instead
                                   // (each must be width x height)

  JpegOptions jpeg;            // quality and segment layout for every frame; the per-frame
                               // fields (record, stamp, rtcd, event byte) are filled in
  AviOptions avi;

  // Optional hooks: adjust one frame's options before it is encoded, or its
  // bytes after (truncate, damage ...).
  std::function<void(int frame, JpegOptions& options)> tweakOptions;
  std::function<void(int frame, std::vector<uint8_t>& jpeg)> tweakFrame;
};

struct CameraMovie {
  std::vector<uint8_t> bytes;          // the AVI file
  AviLayout layout;                    // where its chunks and index entries are
  std::vector<uint64_t> timeStamps;    // stamp written into each frame (0 when none)
  std::vector<uint8_t> eventBytes;     // event byte of each frame (0 when none)
};

CameraMovie BuildCameraMovie(const MovieSpec& plan);
std::vector<uint8_t> BuildCameraAvi(const MovieSpec& plan);
// False when the file cannot be written completely.
bool WriteCameraAvi(const std::string& path, const MovieSpec& plan);

// The JPEG bytes of one frame exactly as BuildCameraMovie stores them (each
// call sets up the scene again: for a few frames, not for a whole movie).
std::vector<uint8_t> BuildCameraFrame(const MovieSpec& plan, int frame);
// The picture of one frame before encoding.
RgbImage MoviePicture(const MovieSpec& plan, int frame);

// Frames a motion search with this threshold should find (see scene.h); from
// the scene, so not for plans that show given pictures.
std::vector<int> ExpectedMotionFrames(const MovieSpec& plan, int threshold = 50);

// Stamp that BuildCameraMovie writes into frame i.
uint64_t FrameTimeStampOf(const MovieSpec& plan, int frame);

}  // namespace klv::sample
