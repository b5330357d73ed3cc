#include "support/movie_builder.h"

#include <algorithm>

namespace klv::sample {
namespace {

bool IsEventFrame(const MovieSpec& plan, int frame) {
  return std::find(plan.eventFrames.begin(), plan.eventFrames.end(), frame) != plan.eventFrames.end();
}

// Options for one frame: the template plus the camera's per-frame segments.
JpegOptions FrameOptions(const MovieSpec& plan, const Scene* scene, int frame) {
  JpegOptions o = plan.jpeg;
  if (plan.cameraRecords) {
    o.cameraRecord = MakeCameraRecord(scene ? scene->RecordFields(frame) : CameraRecordFields {});
  }
  if (plan.timeStamps) {
    o.timeStamp = FrameTimeStampOf(plan, frame);
    if (plan.rtcd) o.rtcd = MakeRtcBlock(*o.timeStamp);
  }
  if (plan.eventMode || !plan.eventFrames.empty()) {
    uint8_t e = 0;
    if (plan.eventMode && frame == 0) e |= kEventModeBit;
    if (IsEventFrame(plan, frame)) e |= kEventFrameBit;
    o.eventByte = e;
  }
  if (plan.tweakOptions) plan.tweakOptions(frame, o);
  return o;
}

std::vector<uint8_t> EncodeFrame(const MovieSpec& plan, const Scene& scene, RgbImage& work,
                                 int frame, JpegOptions* used) {
  const JpegOptions o = FrameOptions(plan, &scene, frame);
  std::vector<uint8_t> jpeg;
  if (!plan.pictures.empty()) {
    jpeg = EncodeJpeg(plan.pictures[static_cast<size_t>(frame) % plan.pictures.size()], o);
  } else {
    scene.Render(frame, work, true);
    jpeg = EncodeJpeg(work, o);
  }
  if (plan.tweakFrame) plan.tweakFrame(frame, jpeg);
  if (used) *used = o;
  return jpeg;
}

Scene MakeScene(const MovieSpec& plan) {
  // Given pictures need no background.
  return plan.pictures.empty() ? Scene(plan.scene, plan.width, plan.height) : Scene(plan.scene, 0, 0);
}

}  // namespace

uint64_t FrameTimeStampOf(const MovieSpec& plan, int frame) {
  const int64_t step = plan.timeStampStep >= 0 ? plan.timeStampStep : int64_t {plan.scale} * 100;
  return plan.timeStampStart + static_cast<uint64_t>(step) * static_cast<uint64_t>(frame);
}

CameraMovie BuildCameraMovie(const MovieSpec& plan) {
  CameraMovie movie;
  const Scene scene = MakeScene(plan);
  RgbImage work(plan.width, plan.height);
  std::vector<std::vector<uint8_t>> frames;
  const int n = std::max(plan.frames, 0);
  frames.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    JpegOptions used;
    frames.push_back(EncodeFrame(plan, scene, work, i, &used));
    movie.timeStamps.push_back(used.timeStamp.value_or(0));
    movie.eventBytes.push_back(used.eventByte.value_or(0));
  }
  const AviStreamInfo info {plan.width, plan.height, plan.scale, plan.rate};
  movie.bytes = WriteAvi(info, frames, plan.avi, &movie.layout);
  return movie;
}

std::vector<uint8_t> BuildCameraAvi(const MovieSpec& plan) { return BuildCameraMovie(plan).bytes; }

bool WriteCameraAvi(const std::string& path, const MovieSpec& plan) {
  return WriteBytes(path, BuildCameraAvi(plan));
}

std::vector<uint8_t> BuildCameraFrame(const MovieSpec& plan, int frame) {
  const Scene scene = MakeScene(plan);
  RgbImage work(plan.width, plan.height);
  return EncodeFrame(plan, scene, work, frame, nullptr);
}

RgbImage MoviePicture(const MovieSpec& plan, int frame) {
  if (!plan.pictures.empty()) return plan.pictures[static_cast<size_t>(frame) % plan.pictures.size()];
  return Scene(plan.scene, plan.width, plan.height).Render(frame);
}

std::vector<int> ExpectedMotionFrames(const MovieSpec& plan, int threshold) {
  return Scene(plan.scene, plan.width, plan.height).ExpectedMotionFrames(plan.frames, threshold);
}

}  // namespace klv::sample
