#pragma once
// The movie of the timeline figures: 10,000 frames of 1280 x 720 at quality
// 75, written by the sample writer once into a folder and reused. A hundred
// pictures of a road (a van passes in pictures 30 to 39) are shown in turn,
// so the file is as large as a real one while it takes seconds to write.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace klv::bench {

inline constexpr int kTimelineFrames = 10000;
inline constexpr int kTimelinePictures = 100;

inline sample::MovieSpec TimelineMoviePlan() {
  sample::MovieSpec plan;
  plan.width = 1280;
  plan.height = 720;
  plan.frames = kTimelinePictures;
  plan.scale = 1;
  plan.rate = 30;  // plays at 30 frames a second
  plan.jpeg.quality = 75;
  plan.scene.seed = 720;
  plan.scene.road = true;
  sample::SceneObject van{.shape = sample::ShapeKind::Car, .firstFrame = 30, .lastFrame = 39, .x0 = 100,
                          .y0 = 560, .x1 = 1180, .y1 = 560, .width = 360, .height = 170,
                          .r = 230, .g = 190, .b = 30};
  plan.scene.objects = {van};
  return plan;
}

// The movie's path in `dir`, written first when it is not there.
inline std::string TimelineMovie(const std::string& dir) {
  namespace fs = std::filesystem;
  const std::string path = dir + "/timeline_10000_1280x720.avi";
  std::error_code ec;
  if (fs::exists(path, ec) && fs::file_size(path, ec) > 0) return path;
  fs::create_directories(dir, ec);
  const sample::MovieSpec plan = TimelineMoviePlan();
  std::vector<std::vector<uint8_t>> pictures;
  for (int i = 0; i < kTimelinePictures; ++i) pictures.push_back(sample::BuildCameraFrame(plan, i));
  std::vector<std::vector<uint8_t>> frames;
  frames.reserve(kTimelineFrames);
  for (int i = 0; i < kTimelineFrames; ++i) frames.push_back(pictures[static_cast<size_t>(i % kTimelinePictures)]);
  const sample::AviStreamInfo stream{plan.width, plan.height, plan.scale, plan.rate};
  if (!sample::WriteBytes(path + ".part", sample::WriteAvi(stream, frames))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return path;
  }
  fs::rename(path + ".part", path, ec);
  return path;
}

}  // namespace klv::bench
