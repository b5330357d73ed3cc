#pragma once
// Deterministic moving scenes for the MPEG-4 sample writer: a textured
// background that pans by whole pixels per picture (so motion search finds
// exact matches) and textured boxes moving at their own speeds, bouncing at
// the picture edges. Integer arithmetic only: the same plan and picture
// always give the same samples on every machine.

#include <cstdint>

#include "support/mpeg4_recon.h"

namespace klv::sample {

struct MovingSceneSpec {
  uint32_t seed = 1;
  int panX = 2;          // background motion per picture, whole pixels
  int panY = 1;
  int objects = 2;       // moving boxes (0 .. 8)
  int objectSpeed = 5;   // pixels per picture (each box gets its own direction)
  int textureScale = 8;  // size of the texture's coarse detail in pixels (>= 2)
  int noise = 0;         // per-picture luma noise amplitude (+-); 0: none
};

YuvPicture RenderMovingScene(const MovingSceneSpec& plan, int width, int height, int picture);

// 24-bit RGB (bytes R, G, B, rows top down, no padding) to 4:2:0, ITU-R
// BT.601 studio range; chroma averaged over 2x2 pixels.
YuvPicture YuvFromRgb(int width, int height, const uint8_t* rgb);

}  // namespace klv::sample
