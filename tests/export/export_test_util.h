#pragma once
// Pictures and folders for the export tests.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "media/common/picture.h"
#include "support/scene.h"

namespace klv::test {

// A sample-writer scene of the camera's kind: textured ground, a road,
// sensor noise, and a red car driving through in 30 pictures.
inline sample::Scene DrivingScene(int w, int h) {
  sample::SceneSpec plan;
  plan.seed = 11;
  plan.road = true;
  sample::SceneObject car;
  car.shape = sample::ShapeKind::Car;
  car.lastFrame = 29;
  car.x0 = -w / 8.0;
  car.x1 = w + w / 8.0;
  car.y0 = car.y1 = h * 0.7;
  car.width = std::max(8, w / 4);
  car.height = std::max(6, h / 6);
  car.r = 200;
  car.g = 30;
  car.b = 30;
  plan.objects.push_back(car);
  return sample::Scene(plan, w, h);
}

// Picture k of a scene in the player's layout (bytes blue, green, red).
inline FramePicture ScenePicture(const sample::Scene& scene, int k) {
  const sample::RgbImage img = scene.Render(k);
  FramePicture p;
  p.Create(img.width, img.height);
  for (int y = 0; y < img.height; ++y) {
    uint8_t* d = p.Row(y);
    for (int x = 0; x < img.width; ++x, d += 3) {
      const uint8_t* s = img.Pixel(x, y);
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return p;
}

// Picture k of the driving scene at w x h.
inline FramePicture MovingPicture(int w, int h, int k) { return ScenePicture(DrivingScene(w, h), k); }

inline FramePicture SolidPicture(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  FramePicture p;
  p.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      p.Row(y)[x * 3] = b;
      p.Row(y)[x * 3 + 1] = g;
      p.Row(y)[x * 3 + 2] = r;
    }
  return p;
}

// A fresh empty folder, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() / ("klv_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& leaf) const { return (path_ / leaf).string(); }
  const std::filesystem::path& Path() const { return path_; }
  // Names of everything in the folder.
  std::vector<std::string> List() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace klv::test
