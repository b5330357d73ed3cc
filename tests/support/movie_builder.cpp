#include "support/movie_builder.h"

#include <algorithm>

namespace klv::sample {
namespace {

bool IsEventFrame(const MovieSpec& spec, int frame) {
  return std::find(spec.eventFrames.begin(), spec.eventFrames.end(), frame) != spec.eventFrames.end();
}

// Options for one frame: the template plus the camera's per-frame segments.
JpegOptions FrameOptions(const MovieSpec& spec, const Scene* scene, int frame) {
  JpegOptions o = spec.jpeg;
  if (spec.cameraRecords) {
    o.cameraRecord = MakeCameraRecord(scene ? scene->RecordFields(frame) : CameraRecordFields {});
  }
  if (spec.timeStamps) {
    o.timeStamp = FrameTimeStampOf(spec, frame);
    if (spec.rtcd) o.rtcd = MakeRtcBlock(*o.timeStamp);
  }
  if (spec.eventMode || !spec.eventFrames.empty()) {
    uint8_t e = 0;
    if (spec.eventMode && frame == 0) e |= kEventModeBit;
    if (IsEventFrame(spec, frame)) e |= kEventFrameBit;
    o.eventByte = e;
  }
  if (spec.tweakOptions) spec.tweakOptions(frame, o);
  return o;
}

std::vector<uint8_t> EncodeFrame(const MovieSpec& spec, const Scene& scene, RgbImage& work,
                                 int frame, JpegOptions* used) {
  const JpegOptions o = FrameOptions(spec, &scene, frame);
  std::vector<uint8_t> jpeg;
  if (!spec.pictures.empty()) {
    jpeg = EncodeJpeg(spec.pictures[static_cast<size_t>(frame) % spec.pictures.size()], o);
  } else {
    scene.Render(frame, work, true);
    jpeg = EncodeJpeg(work, o);
  }
  if (spec.tweakFrame) spec.tweakFrame(frame, jpeg);
  if (used) *used = o;
  return jpeg;
}

Scene MakeScene(const MovieSpec& spec) {
  // Given pictures need no background.
  return spec.pictures.empty() ? Scene(spec.scene, spec.width, spec.height) : Scene(spec.scene, 0, 0);
}

}  // namespace

uint64_t FrameTimeStampOf(const MovieSpec& spec, int frame) {
  const int64_t step = spec.timeStampStep >= 0 ? spec.timeStampStep : int64_t {spec.scale} * 100;
  return spec.timeStampStart + static_cast<uint64_t>(step) * static_cast<uint64_t>(frame);
}

CameraMovie BuildCameraMovie(const MovieSpec& spec) {
  CameraMovie movie;
  const Scene scene = MakeScene(spec);
  RgbImage work(spec.width, spec.height);
  std::vector<std::vector<uint8_t>> frames;
  const int n = std::max(spec.frames, 0);
  frames.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    JpegOptions used;
    frames.push_back(EncodeFrame(spec, scene, work, i, &used));
    movie.timeStamps.push_back(used.timeStamp.value_or(0));
    movie.eventBytes.push_back(used.eventByte.value_or(0));
  }
  const AviStreamInfo info {spec.width, spec.height, spec.scale, spec.rate};
  movie.bytes = WriteAvi(info, frames, spec.avi, &movie.layout);
  return movie;
}

std::vector<uint8_t> BuildCameraAvi(const MovieSpec& spec) { return BuildCameraMovie(spec).bytes; }

bool WriteCameraAvi(const std::string& path, const MovieSpec& spec) {
  return WriteBytes(path, BuildCameraAvi(spec));
}

std::vector<uint8_t> BuildCameraFrame(const MovieSpec& spec, int frame) {
  const Scene scene = MakeScene(spec);
  RgbImage work(spec.width, spec.height);
  return EncodeFrame(spec, scene, work, frame, nullptr);
}

RgbImage MoviePicture(const MovieSpec& spec, int frame) {
  if (!spec.pictures.empty()) return spec.pictures[static_cast<size_t>(frame) % spec.pictures.size()];
  return Scene(spec.scene, spec.width, spec.height).Render(frame);
}

std::vector<int> ExpectedMotionFrames(const MovieSpec& spec, int threshold) {
  return Scene(spec.scene, spec.width, spec.height).ExpectedMotionFrames(spec.frames, threshold);
}

}  // namespace klv::sample
