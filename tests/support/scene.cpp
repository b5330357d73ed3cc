#include "support/scene.h"

#include <algorithm>
#include <cmath>

namespace klv::sample {
namespace {

uint64_t SplitMix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Lattice value in [-1, 1] for a grid point.
float Lattice(uint32_t seed, int octave, int ix, int iy) {
  const uint64_t h = SplitMix((static_cast<uint64_t>(seed) << 40) ^ (static_cast<uint64_t>(octave) << 56) ^
                              (static_cast<uint64_t>(static_cast<uint32_t>(ix)) << 20) ^
                              static_cast<uint32_t>(iy));
  return static_cast<float>((h >> 40) & 0xFFFFFF) / 8388607.5f - 1.0f;
}

// Smooth value noise with a lattice spacing of `cell` pixels.
float ValueNoise(uint32_t seed, int octave, float x, float y, float cell) {
  const float fx = x / cell, fy = y / cell;
  const int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
  float tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  const float a = Lattice(seed, octave, ix, iy), b = Lattice(seed, octave, ix + 1, iy);
  const float c = Lattice(seed, octave, ix, iy + 1), d = Lattice(seed, octave, ix + 1, iy + 1);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Fractal sum of octaves from `largest` down to 4-pixel cells, amplitude halving.
float Fractal(uint32_t seed, float x, float y, float largest) {
  float sum = 0, amp = 1, norm = 0;
  int octave = 0;
  for (float cell = largest; cell >= 4.0f; cell *= 0.5f, amp *= 0.5f, ++octave) {
    sum += amp * ValueNoise(seed, octave, x, y, cell);
    norm += amp;
  }
  return norm > 0 ? sum / norm : 0;
}

double Luma(double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

struct Rgbf {
  float r, g, b;
};

void FillRect(RgbImage& img, double x0, double y0, double x1, double y1, Rgbf c) {
  const int ax = std::max(0, static_cast<int>(std::ceil(x0 - 0.5)));
  const int bx = std::min(img.width, static_cast<int>(std::ceil(x1 - 0.5)));
  const int ay = std::max(0, static_cast<int>(std::ceil(y0 - 0.5)));
  const int by = std::min(img.height, static_cast<int>(std::ceil(y1 - 0.5)));
  for (int y = ay; y < by; ++y) {
    for (int x = ax; x < bx; ++x) {
      uint8_t* p = img.Pixel(x, y);
      p[0] = ToByte(c.r);
      p[1] = ToByte(c.g);
      p[2] = ToByte(c.b);
    }
  }
}

void FillEllipse(RgbImage& img, double cx, double cy, double rx, double ry, Rgbf c) {
  if (rx <= 0 || ry <= 0) return;
  const int ay = std::max(0, static_cast<int>(std::floor(cy - ry)));
  const int by = std::min(img.height - 1, static_cast<int>(std::ceil(cy + ry)));
  const int ax = std::max(0, static_cast<int>(std::floor(cx - rx)));
  const int bx = std::min(img.width - 1, static_cast<int>(std::ceil(cx + rx)));
  for (int y = ay; y <= by; ++y) {
    const double dy = (y + 0.5 - cy) / ry;
    for (int x = ax; x <= bx; ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      if (dx * dx + dy * dy > 1.0) continue;
      uint8_t* p = img.Pixel(x, y);
      p[0] = ToByte(c.r);
      p[1] = ToByte(c.g);
      p[2] = ToByte(c.b);
    }
  }
}

}  // namespace

Scene::Scene(const SceneSpec& plan, int width, int height)
    : spec_(plan), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  if (spec_.noise > 0) {
    // Sensor noise field, approximately Gaussian with the given sigma (each
    // value the sum of four uniform 16-bit values, centred and scaled), one
    // picture plus 64 Ki values long; every frame starts it elsewhere.
    noise_.resize(static_cast<size_t>(width_) * height_ * 3 + 65536);
    const float k = static_cast<float>(spec_.noise) / (65536.0f * std::sqrt(4.0f / 12.0f));
    for (size_t i = 0; i < noise_.size(); ++i) {
      const uint64_t h = SplitMix(0xA0157E5ull * (i + 1) ^ (static_cast<uint64_t>(spec_.seed) << 40));
      const int sum = static_cast<int>(h & 0xFFFF) + static_cast<int>((h >> 16) & 0xFFFF) +
                      static_cast<int>((h >> 32) & 0xFFFF) + static_cast<int>(h >> 48) - 2 * 65535;
      noise_[i] = sum * k;
    }
  }
  background_.resize(static_cast<size_t>(width_) * height_ * 3);
  const float horizon0 = 0.42f * height_;
  const float tex = static_cast<float>(spec_.texture);
  const float scale = std::max(1.0f, width_ / 640.0f);  // same look at any size
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const float fx = x / scale, fy = y / scale;
      const float horizon = horizon0 + 18.0f * scale * ValueNoise(spec_.seed, 9, fx, 0, 120.0f);
      float r, g, b;
      if (y < horizon) {
        // Sky: deeper blue at the top, soft clouds.
        const float t = y / std::max(horizon, 1.0f);
        const float cloud = std::max(0.0f, Fractal(spec_.seed + 1, fx, fy * 2.0f, 128.0f)) * tex;
        r = 95 + 70 * t + 110 * cloud;
        g = 135 + 60 * t + 95 * cloud;
        b = 200 + 30 * t + 45 * cloud;
      } else {
        // Ground: green to brown towards the bottom, grass and stone texture.
        const float t = (y - horizon) / std::max(height_ - horizon, 1.0f);
        const float n = Fractal(spec_.seed + 2, fx, fy, 96.0f) * tex;
        const float fine = ValueNoise(spec_.seed + 3, 7, fx, fy, 6.0f) * tex;
        r = 70 + 50 * t + 40 * n + 8 * fine;
        g = 110 - 10 * t + 45 * n + 10 * fine;
        b = 50 + 20 * t + 25 * n + 5 * fine;
        if (spec_.road && y >= 0.72f * height_ && y < 0.86f * height_) {
          const bool stripe = y >= 0.785f * height_ && y < 0.795f * height_ &&
                              static_cast<int>(fx / 40.0f) % 2 == 0;
          const float asphalt = stripe ? 205.0f : 92.0f + 10.0f * fine;
          r = asphalt;
          g = asphalt;
          b = asphalt + (stripe ? -30.0f : 4.0f);
        }
      }
      float* p = &background_[(static_cast<size_t>(y) * width_ + x) * 3];
      p[0] = r;
      p[1] = g;
      p[2] = b;
    }
  }
}

double Scene::LightingGain(int frame) const {
  if (spec_.driftPeriod <= 0) return spec_.brightness;
  const double phase = 2.0 * std::acos(-1.0) * (static_cast<double>(frame) + spec_.driftOffset) / spec_.driftPeriod;
  return spec_.brightness * (1.0 + spec_.drift * std::sin(phase));
}

bool Scene::AnyObjectVisible(int frame) const {
  for (const auto& o : spec_.objects) {
    if (frame >= o.firstFrame && frame <= o.lastFrame) return true;
  }
  return false;
}

double Scene::DriftStepBound() const {
  if (spec_.driftPeriod <= 0) return 0;
  // |d gain / d frame| <= brightness * drift * 2 pi / period; samples are at most 255 before
  // the gain, plus one level of rounding.
  return 255.0 * std::fabs(spec_.brightness * spec_.drift) * 2.0 * std::acos(-1.0) / spec_.driftPeriod + 1.0;
}

void Scene::DrawObjects(int frame, RgbImage& out, double gain) const {
  for (const auto& o : spec_.objects) {
    if (frame < o.firstFrame || frame > o.lastFrame) continue;
    const double t = o.lastFrame > o.firstFrame
                         ? static_cast<double>(frame - o.firstFrame) / (o.lastFrame - o.firstFrame)
                         : 0.0;
    const double cx = o.x0 + (o.x1 - o.x0) * t;
    const double cy = o.y0 + (o.y1 - o.y0) * t;
    const double w = o.width, h = o.height;
    const float k = static_cast<float>(gain);
    const Rgbf c {o.r * k, o.g * k, o.b * k};
    const double dir = o.x1 >= o.x0 ? 1.0 : -1.0;
    switch (o.shape) {
      case ShapeKind::Box:
        FillRect(out, cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2, c);
        break;
      case ShapeKind::Ellipse:
        FillEllipse(out, cx, cy, w / 2, h / 2, c);
        break;
      case ShapeKind::Animal: {
        const double legW = 0.08 * w, legTop = cy, legBottom = cy + h / 2;
        for (double lx : {-0.3, -0.18, 0.12, 0.24}) {
          FillRect(out, cx + lx * w, legTop, cx + lx * w + legW, legBottom, c);
        }
        FillEllipse(out, cx - dir * 0.08 * w, cy - 0.05 * h, 0.38 * w, 0.28 * h, c);
        FillEllipse(out, cx + dir * 0.36 * w, cy - 0.3 * h, 0.14 * w, 0.18 * h, c);
        FillRect(out, cx + dir * 0.22 * w - 0.06 * w, cy - 0.28 * h, cx + dir * 0.22 * w + 0.06 * w,
                 cy - 0.02 * h, c);  // neck
        break;
      }
      case ShapeKind::Car: {
        const Rgbf glass {150 * k, 180 * k, 205 * k};
        const Rgbf tyre {22 * k, 22 * k, 24 * k};
        FillRect(out, cx - w / 2, cy - 0.1 * h, cx + w / 2, cy + 0.32 * h, c);
        const double cabX = cx - dir * 0.08 * w;
        FillRect(out, cabX - 0.27 * w, cy - h / 2, cabX + 0.27 * w, cy - 0.1 * h, c);
        FillRect(out, cabX - 0.22 * w, cy - 0.42 * h, cabX + 0.22 * w, cy - 0.14 * h, glass);
        FillEllipse(out, cx - 0.3 * w, cy + 0.32 * h, 0.1 * w, 0.18 * h, tyre);
        FillEllipse(out, cx + 0.3 * w, cy + 0.32 * h, 0.1 * w, 0.18 * h, tyre);
        break;
      }
    }
  }
}

void Scene::Render(int frame, RgbImage& out, bool withNoise) const {
  if (out.width != width_ || out.height != height_) out = RgbImage(width_, height_);
  const float gain = static_cast<float>(LightingGain(frame));
  const size_t n = background_.size();
  uint8_t* dst = out.rgb.data();
  const float* bg = background_.data();
  for (size_t i = 0; i < n; ++i) dst[i] = ToByte(bg[i] * gain);
  DrawObjects(frame, out, gain);
  if (!withNoise || noise_.size() < n) return;
  // This frame's noise: the scene's noise field from a frame-dependent start.
  const size_t start = SplitMix((static_cast<uint64_t>(spec_.seed) << 32) ^ static_cast<uint32_t>(frame)) %
                       (noise_.size() - n + 1);
  const float* noise = noise_.data() + start;
  for (size_t i = 0; i < n; ++i) dst[i] = ToByte(dst[i] + noise[i]);
}

RgbImage Scene::Render(int frame) const {
  RgbImage img(width_, height_);
  Render(frame, img, true);
  return img;
}

std::vector<double> Scene::BlockMeans(int frame) const {
  RgbImage img(width_, height_);
  Render(frame, img, false);
  const int bw = (width_ + 7) / 8, bh = (height_ + 7) / 8;
  std::vector<double> sum(static_cast<size_t>(bw) * bh, 0.0);
  std::vector<int> count(sum.size(), 0);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const uint8_t* p = img.Pixel(x, y);
      const size_t b = static_cast<size_t>(y / 8) * bw + x / 8;
      sum[b] += Luma(p[0], p[1], p[2]);
      ++count[b];
    }
  }
  for (size_t i = 0; i < sum.size(); ++i) sum[i] /= std::max(count[i], 1);
  return sum;
}

double Scene::MaxBlockMeanChange(int a, int b) const {
  const auto ma = BlockMeans(a), mb = BlockMeans(b);
  double m = 0;
  for (size_t i = 0; i < ma.size(); ++i) m = std::max(m, std::fabs(ma[i] - mb[i]));
  return m;
}

std::vector<int> Scene::ExpectedMotionFrames(int frames, int threshold) const {
  std::vector<int> r;
  if (frames < 2) return r;
  // Frames without objects differ only by the drift, which stays far below
  // any useful threshold: only pairs with an object need rendering.
  const bool skipQuiet = DriftStepBound() < threshold;
  std::vector<double> prev;
  int prevFrame = -1;
  for (int f = 1; f < frames; ++f) {
    if (skipQuiet && !AnyObjectVisible(f - 1) && !AnyObjectVisible(f)) continue;
    if (prevFrame != f - 1) prev = BlockMeans(f - 1);
    std::vector<double> cur = BlockMeans(f);
    prevFrame = f;
    double m = 0;
    for (size_t i = 0; i < cur.size(); ++i) m = std::max(m, std::fabs(cur[i] - prev[i]));
    if (m > threshold) r.push_back(f);
    prev.swap(cur);
  }
  return r;
}

CameraRecordFields Scene::RecordFields(int frame) const {
  const double gain = LightingGain(frame);
  CameraRecordFields f;
  f.Expo = static_cast<uint16_t>(std::lround(320.0 / gain));
  f.PhysExp = static_cast<uint16_t>(std::lround(f.Expo * 1.25));
  f.Lum = static_cast<uint16_t>(std::lround(std::clamp(118.0 * gain, 0.0, 255.0)));
  f.Gain = static_cast<uint16_t>(32 + (frame % 7 == 3 ? 1 : 0));
  f.CamRdy = 1;
  f.Vsyncs = static_cast<uint16_t>(frame % 50 == 49 ? 417 : 416);
  f.Target = 128;
  f.Flicker = 60;
  return f;
}

}  // namespace klv::sample
