#pragma once
// Deterministic synthetic time-lapse scenes: a textured background
// (gradients and a fractal value-noise texture), a slow lighting drift,
// seeded sensor noise, and objects that appear, move and leave at chosen
// frames. The same plan and frame always give the same picture.
//
// Motion-search answers. Block means are those of the 8x8 luma blocks
// (Y = 0.299 R + 0.587 G + 0.114 B) on the grid from (0, 0).
// - Between two consecutive frames in which no object is visible or moves,
//   the noise-free block means change by at most kQuietDriftBound (lighting
//   drift with the default drift settings and brightness <= 1.3). With the default noise
//   (sigma 1.0) and JPEG quality >= 50, the camera's reduced DC pictures of
//   such frames differ by at most kQuietReducedBound in every block.
// - A Box of at least 24 x 24 pixels inside the picture whose luma differs
//   from the background under it by more than threshold + 20 makes motion in
//   every frame from its firstFrame to lastFrame + 1 (the frame in which it is
//   gone) when it moves at least 16 pixels a frame, and in firstFrame and
//   lastFrame + 1 only when it stands still: some 8 x 8 block is covered in
//   one frame and free in the other. For other shapes and for objects that
//   enter from outside the picture, ExpectedMotionFrames computes the answer
//   from the noise-free pictures.

#include <cstdint>
#include <vector>

#include "support/camera_segments.h"
#include "support/jpeg_encoder.h"

namespace klv::sample {

inline constexpr double kQuietDriftBound = 0.5;
inline constexpr int kQuietReducedBound = 3;

enum class ShapeKind {
  Box,      // filled rectangle
  Ellipse,  // filled ellipse
  Animal,   // body, head and legs (faces the direction of travel)
  Car,      // body, cabin, two dark wheels (faces the direction of travel)
};

struct SceneObject {
  ShapeKind shape = ShapeKind::Box;
  int firstFrame = 0;        // visible from this frame ...
  int lastFrame = 0;         // ... to this one, inclusive
  double x0 = 0, y0 = 0;     // centre in pixels at firstFrame
  double x1 = 0, y1 = 0;     // centre at lastFrame (linear in between)
  int width = 64;            // bounding box
  int height = 48;
  uint8_t r = 40, g = 30, b = 25;
};

struct SceneSpec {
  uint32_t seed = 1;         // texture and noise
  double texture = 1.0;      // texture strength (0: gradients only)
  double noise = 1.0;        // sensor noise sigma in 8-bit units (0: none)
  double brightness = 1.0;   // base lighting gain (morning, noon, dusk ...)
  double drift = 0.05;       // lighting amplitude (gain brightness * (1 +- drift))
  int driftPeriod = 720;     // frames for one cycle of the lighting drift
  int driftOffset = 0;       // frames added to the frame index for the drift's phase
  bool road = false;         // a grey road across the lower part of the ground
  std::vector<SceneObject> objects;
};

class Scene {
 public:
  Scene(const SceneSpec& plan, int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const SceneSpec& Plan() const { return spec_; }

  // Frame `frame` (any integer >= 0) with lighting, objects and noise.
  RgbImage Render(int frame) const;
  void Render(int frame, RgbImage& out, bool withNoise = true) const;

  // The lighting gain of a frame: brightness * (1 + drift * sin(...)).
  double LightingGain(int frame) const;

  // Mean luma of every 8x8 block of the noise-free frame (blocks cut at the
  // picture edge use the pixels inside), raster order, ceil(w/8) x ceil(h/8).
  std::vector<double> BlockMeans(int frame) const;
  // Largest |difference| of the noise-free block means of two frames.
  double MaxBlockMeanChange(int a, int b) const;
  // Frames f in [1, frames) whose noise-free block means differ from frame
  // f - 1 by more than threshold in at least one block.
  std::vector<int> ExpectedMotionFrames(int frames, int threshold = 50) const;

  // Plausible camera record words for the frame (exposure follows the
  // lighting, Lum the mean brightness).
  CameraRecordFields RecordFields(int frame) const;

 private:
  void DrawObjects(int frame, RgbImage& out, double gain) const;
  bool AnyObjectVisible(int frame) const;
  double DriftStepBound() const;  // largest block-mean change a frame's drift can make

  SceneSpec spec_;
  int width_ = 0;
  int height_ = 0;
  std::vector<float> background_;  // RGB triplets before lighting
  std::vector<float> noise_;       // noise field (empty without noise)
};

}  // namespace klv::sample
