#include "support/mpeg4_scene.h"

#include <algorithm>

namespace klv::sample {

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// Value noise 0 .. 255 with bilinear interpolation between lattice points
// `scale` pixels apart; coordinates may be negative.
int Noise(int x, int y, int scale, uint32_t seed) {
  const int64_t bx = static_cast<int64_t>(x) + (1 << 24), by = static_cast<int64_t>(y) + (1 << 24);
  const uint32_t gx = static_cast<uint32_t>(bx / scale), gy = static_cast<uint32_t>(by / scale);
  const int fx = static_cast<int>(bx % scale), fy = static_cast<int>(by % scale);
  const int h00 = static_cast<int>(Hash(gx, gy, seed) & 255);
  const int h10 = static_cast<int>(Hash(gx + 1, gy, seed) & 255);
  const int h01 = static_cast<int>(Hash(gx, gy + 1, seed) & 255);
  const int h11 = static_cast<int>(Hash(gx + 1, gy + 1, seed) & 255);
  const int top = h00 * (scale - fx) + h10 * fx;
  const int bottom = h01 * (scale - fx) + h11 * fx;
  return (top * (scale - fy) + bottom * fy) / (scale * scale);
}

uint8_t Clamp8(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

struct Box {
  int x, y, w, h;
  int luma, cb, cr;
  uint32_t seed;
};

// Position along one axis bouncing between 0 and span.
int Bounce(int start, int speed, int picture, int span) {
  if (span <= 0) return 0;
  int64_t p = static_cast<int64_t>(start) + static_cast<int64_t>(speed) * picture;
  const int64_t period = 2 * static_cast<int64_t>(span);
  p %= period;
  if (p < 0) p += period;
  return static_cast<int>(p <= span ? p : period - p);
}

Box BoxAt(const MovingSceneSpec& plan, int k, int width, int height, int picture) {
  const uint32_t h = Hash(static_cast<uint32_t>(k), 77, plan.seed);
  Box b {};
  b.w = std::max(8, width / 5 + static_cast<int>(h % 9) * 2);
  b.h = std::max(8, height / 5 + static_cast<int>((h >> 4) % 9) * 2);
  b.w = std::min(b.w, width);
  b.h = std::min(b.h, height);
  static constexpr int kDir[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
  const int* dir = kDir[(h >> 8) % 8];
  const int spanX = width - b.w, spanY = height - b.h;
  b.x = Bounce(static_cast<int>((h >> 12) % static_cast<uint32_t>(std::max(spanX, 1))), dir[0] * plan.objectSpeed, picture, spanX);
  b.y = Bounce(static_cast<int>((h >> 20) % static_cast<uint32_t>(std::max(spanY, 1))), dir[1] * plan.objectSpeed, picture, spanY);
  b.luma = 40 + static_cast<int>((h >> 3) % 180);
  b.cb = 70 + static_cast<int>((h >> 11) % 116);
  b.cr = 70 + static_cast<int>((h >> 19) % 116);
  b.seed = h;
  return b;
}

}  // namespace

YuvPicture RenderMovingScene(const MovingSceneSpec& plan, int width, int height, int picture) {
  YuvPicture p = YuvPicture::Make(width, height);
  const int scale = std::max(plan.textureScale, 2);
  const int ox = plan.panX * picture, oy = plan.panY * picture;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int wx = x + ox, wy = y + oy;
      const int coarse = Noise(wx, wy, scale * 2, plan.seed);
      const int fine = Noise(wx, wy, std::max(scale / 2, 1), plan.seed + 1);
      int luma = 32 + (coarse * 2 + fine) * 190 / (3 * 255);
      if (((wx + 2 * wy) % 29 + 29) % 29 < 2) luma -= 40;  // thin diagonal lines: sharp edges
      p.Y(x, y) = Clamp8(luma);
    }
  }
  for (int y = 0; y < height / 2; ++y) {
    for (int x = 0; x < width / 2; ++x) {
      const int wx = 2 * x + ox, wy = 2 * y + oy;
      p.U(x, y) = Clamp8(88 + Noise(wx, wy, scale * 4, plan.seed + 2) * 80 / 255);
      p.V(x, y) = Clamp8(88 + Noise(wx, wy, scale * 4, plan.seed + 3) * 80 / 255);
    }
  }
  const int boxes = std::clamp(plan.objects, 0, 8);
  for (int k = 0; k < boxes; ++k) {
    const Box b = BoxAt(plan, k, width, height, picture);
    for (int y = 0; y < b.h; ++y) {
      for (int x = 0; x < b.w; ++x) {
        const bool check = ((x / 6) + (y / 6)) % 2 == 0;
        const int tex = Noise(x, y, 4, b.seed) / 8;
        p.Y(b.x + x, b.y + y) = Clamp8(b.luma + (check ? 18 : -18) + tex - 16);
      }
    }
    for (int y = (b.y + 1) / 2; y < (b.y + b.h) / 2; ++y) {
      for (int x = (b.x + 1) / 2; x < (b.x + b.w) / 2; ++x) {
        p.U(x, y) = Clamp8(b.cb);
        p.V(x, y) = Clamp8(b.cr);
      }
    }
  }
  if (plan.noise > 0) {
    const int n = plan.noise;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int r = static_cast<int>(Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                                            plan.seed * 7919u + static_cast<uint32_t>(picture)) %
                                       static_cast<uint32_t>(2 * n + 1)) - n;
        p.Y(x, y) = Clamp8(p.Y(x, y) + r);
      }
    }
  }
  return p;
}

YuvPicture YuvFromRgb(int width, int height, const uint8_t* rgb) {
  YuvPicture p = YuvPicture::Make(width, height);
  auto px = [&](int x, int y) { return rgb + (static_cast<size_t>(y) * width + x) * 3; };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* c = px(x, y);
      p.Y(x, y) = Clamp8(16 + ((66 * c[0] + 129 * c[1] + 25 * c[2] + 128) >> 8));
    }
  }
  for (int y = 0; y < height / 2; ++y) {
    for (int x = 0; x < width / 2; ++x) {
      int cb = 0, cr = 0;
      for (int k = 0; k < 4; ++k) {
        const uint8_t* c = px(2 * x + k % 2, 2 * y + k / 2);
        cb += (-38 * c[0] - 74 * c[1] + 112 * c[2] + 128) >> 8;
        cr += (112 * c[0] - 94 * c[1] - 18 * c[2] + 128) >> 8;
      }
      p.U(x, y) = Clamp8(128 + cb / 4);
      p.V(x, y) = Clamp8(128 + cr / 4);
    }
  }
  return p;
}

}  // namespace klv::sample
