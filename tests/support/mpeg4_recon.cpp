#include "support/mpeg4_recon.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "support/mpeg4_tables.h"

namespace klv::sample {

YuvPicture YuvPicture::Make(int width, int height, uint8_t luma, uint8_t cb, uint8_t cr) {
  YuvPicture p;
  p.width = width;
  p.height = height;
  p.y.assign(static_cast<size_t>(width) * height, luma);
  p.u.assign(static_cast<size_t>(width / 2) * (height / 2), cb);
  p.v.assign(static_cast<size_t>(width / 2) * (height / 2), cr);
  return p;
}

namespace {

double PsnrOf(double squaredError, size_t samples) {
  if (samples == 0) return 0.0;
  if (squaredError == 0.0) return 99.0;
  const double mse = squaredError / static_cast<double>(samples);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

double SquaredError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double sum = 0.0;
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  return sum;
}

}  // namespace

double Psnr(const YuvPicture& a, const YuvPicture& b) {
  if (a.width != b.width || a.height != b.height) return 0.0;
  const double e = SquaredError(a.y, b.y) + SquaredError(a.u, b.u) + SquaredError(a.v, b.v);
  return PsnrOf(e, a.y.size() + a.u.size() + a.v.size());
}

double PsnrLuma(const YuvPicture& a, const YuvPicture& b) {
  if (a.width != b.width || a.height != b.height) return 0.0;
  return PsnrOf(SquaredError(a.y, b.y), a.y.size());
}

namespace mpeg4 {

int LumaDcScaler(int qp) {
  if (qp <= 4) return 8;
  if (qp <= 8) return 2 * qp;
  if (qp <= 24) return qp + 8;
  return 2 * qp - 16;
}

int ChromaDcScaler(int qp) {
  if (qp <= 4) return 8;
  if (qp <= 24) return (qp + 13) / 2;
  return qp - 6;
}

StepTables MakeStepTables(int qp) {
  StepTables t;
  t.qp = qp;
  for (int i = 0; i < 64; ++i) {
    t.intra[static_cast<size_t>(i)] = (kDefaultIntraMatrix[static_cast<size_t>(i)] * qp * 100) / 800;
    t.inter[static_cast<size_t>(i)] = (kDefaultInterMatrix[static_cast<size_t>(i)] * qp * 100) / 800;
  }
  return t;
}

void Dequantise(const std::array<int, 64>& levels, bool intra, int dcScaler,
                const StepTables& steps, std::array<int, 64>& out) {
  const auto& t = intra ? steps.intra : steps.inter;
  int sum = 0;
  for (size_t i = 0; i < 64; ++i) {
    const int value = levels[i];
    int r;
    if (intra && i == 0) {
      r = value * dcScaler;
    } else {
      int v = 2 * value;
      if (!intra) v += (value > 0) - (value < 0);
      r = (v * t[i]) >> 1;
    }
    out[i] = r;
    sum += r;
  }
  if ((sum & 1) == 0) out[63] ^= 1;
}

namespace {

struct RangeCheck {
  bool ok = true;
  int64_t operator()(int64_t v) {
    if (v < -32768 || v > 32767) ok = false;
    return v;
  }
};

inline int64_t Round14(int64_t v) { return (v + 8192) >> 14; }

void Transform8(const int64_t* x, int64_t* y, RangeCheck& c) {
  const int64_t s = c(x[0] + x[4]);
  const int64_t d = c(x[0] - x[4]);
  const int64_t t1 = c(Round14(21406 * x[2] + 8866 * x[6]));
  const int64_t t2 = c(Round14(8866 * x[2] - 21406 * x[6]));
  const int64_t e0 = c(s + t1), e3 = c(s - t1), e1 = c(d + t2), e2 = c(d - t2);
  const int64_t p = c(Round14(11585 * c(x[1] + x[7])));
  const int64_t q = c(Round14(11585 * c(x[1] - x[7])));
  const int64_t u1 = c(q + x[5]), u2 = c(q - x[5]), u3 = c(p + x[3]), u4 = c(p - x[3]);
  const int64_t o0 = c(Round14(12872 * u1 + 19265 * u3));
  const int64_t o3 = c(Round14(19265 * u1 - 12872 * u3));
  const int64_t o1 = c(Round14(4520 * u4 + 22725 * u2));
  const int64_t o2 = c(Round14(22725 * u4 - 4520 * u2));
  y[0] = c(e0 + o0);
  y[7] = c(e0 - o0);
  y[1] = c(e1 + o1);
  y[6] = c(e1 - o1);
  y[2] = c(e2 + o2);
  y[5] = c(e2 - o2);
  y[3] = c(e3 + o3);
  y[4] = c(e3 - o3);
}

}  // namespace

bool InverseTransform(const std::array<int, 64>& in, std::array<int, 64>& out) {
  RangeCheck check;
  int64_t block[64];
  for (int i = 0; i < 64; ++i) block[i] = check(static_cast<int64_t>(in[static_cast<size_t>(i)]) * 8);
  int64_t row[8];
  for (int r = 0; r < 8; ++r) {
    Transform8(block + r * 8, row, check);
    for (int k = 0; k < 8; ++k) block[r * 8 + k] = row[k];
  }
  int64_t col[8], res[8];
  for (int c = 0; c < 8; ++c) {
    for (int k = 0; k < 8; ++k) col[k] = block[k * 8 + c];
    Transform8(col, res, check);
    for (int k = 0; k < 8; ++k) {
      const int64_t v = (res[k] + 32) >> 6;
      out[static_cast<size_t>(k * 8 + c)] = static_cast<int>(std::clamp<int64_t>(v, -256, 255));
    }
  }
  return check.ok;
}

Displacement LumaDisplacement(int vx, int vy, int mbx, int mby, int mbWidth, int mbHeight) {
  Displacement d {vx / 2, vy / 2};
  if (mby == 0 && d.y < 0) d.y = 0;
  if (mby == mbHeight - 1 && d.y > 0) d.y = 0;
  if (mbx == 0 && d.x < 0) d.x = 0;
  if (mbx == mbWidth - 1 && d.x > 0) d.x = 0;
  return d;
}

bool DisplacementInside(const Displacement& d, int mbx, int mby, int width, int height) {
  const int x = mbx * 16 + d.x;
  const int y = mby * 16 + d.y;
  return x >= 0 && y >= 0 && x + 16 <= width && y + 16 <= height;
}

namespace {

int FloorHalf(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

void PredictMacroblock(const YuvPicture& reference, int mbx, int mby, const Displacement& d,
                       MacroblockSamples& prediction) {
  const int lx = mbx * 16 + d.x;
  const int ly = mby * 16 + d.y;
  for (int b = 0; b < 4; ++b) {
    const int bx = lx + 8 * (b % 2);
    const int by = ly + 8 * (b / 2);
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) prediction[static_cast<size_t>(b)][static_cast<size_t>(r * 8 + c)] = reference.Y(bx + c, by + r);
    }
  }
  const int cx = mbx * 8 + FloorHalf(d.x);
  const int cy = mby * 8 + FloorHalf(d.y);
  const bool oddX = (d.x & 1) != 0;
  const bool oddY = (d.y & 1) != 0;
  for (int plane = 0; plane < 2; ++plane) {
    const std::vector<uint8_t>& p = plane == 0 ? reference.u : reference.v;
    const int cw = reference.width / 2;
    auto at = [&](int x, int y) { return static_cast<int>(p[static_cast<size_t>(y) * cw + x]); };
    auto& out = prediction[static_cast<size_t>(4 + plane)];
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) {
        const int x = cx + c, y = cy + r;
        int s;
        if (oddX && oddY) {
          s = (at(x, y) + at(x + 1, y) + at(x, y + 1) + at(x + 1, y + 1)) >> 2;
        } else if (oddX) {
          s = (at(x, y) + at(x + 1, y)) >> 1;
        } else if (oddY) {
          s = (at(x, y) + at(x, y + 1)) >> 1;
        } else {
          s = at(x, y);
        }
        out[static_cast<size_t>(r * 8 + c)] = s;
      }
    }
  }
}

void StoreMacroblock(YuvPicture& picture, int mbx, int mby, const MacroblockSamples& samples) {
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int b = 0; b < 4; ++b) {
    const int bx = mbx * 16 + 8 * (b % 2);
    const int by = mby * 16 + 8 * (b / 2);
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) picture.Y(bx + c, by + r) = clamp(samples[static_cast<size_t>(b)][static_cast<size_t>(r * 8 + c)]);
    }
  }
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      picture.U(mbx * 8 + c, mby * 8 + r) = clamp(samples[4][static_cast<size_t>(r * 8 + c)]);
      picture.V(mbx * 8 + c, mby * 8 + r) = clamp(samples[5][static_cast<size_t>(r * 8 + c)]);
    }
  }
}

void LoadMacroblock(const YuvPicture& picture, int mbx, int mby, MacroblockSamples& samples) {
  for (int b = 0; b < 4; ++b) {
    const int bx = mbx * 16 + 8 * (b % 2);
    const int by = mby * 16 + 8 * (b / 2);
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) samples[static_cast<size_t>(b)][static_cast<size_t>(r * 8 + c)] = picture.Y(bx + c, by + r);
    }
  }
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      samples[4][static_cast<size_t>(r * 8 + c)] = picture.U(mbx * 8 + c, mby * 8 + r);
      samples[5][static_cast<size_t>(r * 8 + c)] = picture.V(mbx * 8 + c, mby * 8 + r);
    }
  }
}

}  // namespace mpeg4
}  // namespace klv::sample
