#include "media/mpeg4/deblock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/common/picture.h"

namespace klv::mpeg4 {

int DeblockEdge(const int32_t* s, int32_t* out, int qp) {
  for (int i = 0; i < 10; ++i) out[i] = s[i];
  int eqCount = 0;
  for (int j = 1; j < 10; ++j) eqCount += std::abs(s[j] - s[j - 1]) <= 2;

  if (eqCount >= 8) {
    // DC offset mode: smooth s1 .. s8 when the window is nearly flat.
    const int32_t hi = *std::max_element(s + 1, s + 9);
    const int32_t lo = *std::min_element(s + 1, s + 9);
    if (hi - lo >= 2 * qp) return 0;
    const int32_t p0 = std::abs(s[0] - s[1]) < qp ? s[0] : s[1];
    const int32_t p9 = std::abs(s[8] - s[9]) < qp ? s[9] : s[8];
    int32_t p[18];  // p(m) at p[m + 3], m = -3 .. 14
    for (int m = -3; m <= 14; ++m) p[m + 3] = m <= 0 ? p0 : (m >= 9 ? p9 : s[m]);
    for (int n = 1; n <= 8; ++n) {
      const int32_t* c = p + n + 3;
      out[n] = (c[-4] + c[-3] + 2 * c[-2] + 2 * c[-1] + 4 * c[0] + 2 * c[1] + 2 * c[2] + c[3] + c[4] + 8) >> 4;
    }
    return 2;
  }

  // Default mode: correct s4 and s5 when the edge step is small.
  const int32_t a30 = (2 * s[3] - 5 * s[4] + 5 * s[5] - 2 * s[6] + 4) >> 3;
  if (std::abs(a30) >= qp) return 0;
  const int32_t a31 = (2 * s[1] - 5 * s[2] + 5 * s[3] - 2 * s[4] + 4) >> 3;
  const int32_t a32 = (2 * s[5] - 5 * s[6] + 5 * s[7] - 2 * s[8] + 4) >> 3;
  const int32_t least = std::min({std::abs(a30), std::abs(a31), std::abs(a32)});
  const int32_t a30c = a30 >= 0 ? least : -least;
  int32_t d = ((a30c - a30) * 5 + 4) >> 3;
  const int32_t e = (s[4] - s[5]) / 2;
  if ((d < 0) != (e < 0)) return 0;
  d = d < 0 ? std::max(d, e) : std::min(d, e);
  out[4] = ClampTable[s[4] - d];
  out[5] = ClampTable[s[5] + d];
  return 1;
}

namespace {

// Filters one line of samples (stepping `step` apart) from `orig`, the line
// as it was before this pass, writing into `line`.
void DeblockLine(const uint8_t* orig, uint8_t* line, ptrdiff_t step, int n, int qp, DeblockStats* stats) {
  int32_t win[10], out[10];
  for (int x = 8; x + 5 <= n; x += 8) {
    for (int i = 0; i < 10; ++i) win[i] = orig[(x - 5 + i) * step];
    const int result = DeblockEdge(win, out, qp);
    if (result == 1) {
      line[(x - 1) * step] = static_cast<uint8_t>(out[4]);
      line[x * step] = static_cast<uint8_t>(out[5]);
      ++stats->defaultFiltered;
    } else if (result == 2) {
      for (int i = 1; i <= 8; ++i) line[(x - 5 + i) * step] = static_cast<uint8_t>(out[i]);
      ++stats->dcFiltered;
    }
  }
}

}  // namespace

void LowPassPlane(uint8_t* plane, int w, int h, int stride) {
  std::vector<uint8_t> u(static_cast<size_t>(std::max(w, h)));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = plane + static_cast<ptrdiff_t>(y) * stride;
    std::memcpy(u.data(), row, static_cast<size_t>(w));
    for (int j = 2; j <= w - 2; ++j) row[j - 1] = static_cast<uint8_t>((u[j - 2] + 2 * u[j - 1] + u[j]) >> 2);
  }
  for (int x = 0; x < w; ++x) {
    uint8_t* col = plane + x;
    for (int j = 0; j < h; ++j) u[static_cast<size_t>(j)] = col[static_cast<ptrdiff_t>(j) * stride];
    for (int j = 2; j <= h - 2; ++j) {
      col[static_cast<ptrdiff_t>(j - 1) * stride] = static_cast<uint8_t>((u[j - 2] + 2 * u[j - 1] + u[j]) >> 2);
    }
  }
}

void DeblockPlane(uint8_t* plane, int w, int h, int stride, int qp, DeblockStats* stats) {
  if (w <= 0 || h <= 0) return;
  // Rows pass: every window is read from the row as it was before the pass.
  std::vector<uint8_t> orig(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = plane + static_cast<ptrdiff_t>(y) * stride;
    std::memcpy(orig.data(), row, static_cast<size_t>(w));
    DeblockLine(orig.data(), row, 1, w, qp, stats);
  }
  // Columns pass on the rows pass's result.
  std::vector<uint8_t> copy(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    std::memcpy(copy.data() + static_cast<size_t>(y) * w, plane + static_cast<ptrdiff_t>(y) * stride,
                static_cast<size_t>(w));
  }
  for (int x = 0; x < w; ++x) DeblockLine(copy.data() + x, plane + x, stride, h, qp, stats);
}

void DeblockPicture(PackedPicture* picture, int width, int height, int qp, DeblockStats* stats) {
  if (picture == nullptr || picture->y == nullptr) return;
  DeblockPlane(picture->y, width, height, picture->width, qp, stats);
  DeblockPlane(picture->u, width / 2, height / 2, picture->cwidth, qp, stats);
  DeblockPlane(picture->v, width / 2, height / 2, picture->cwidth, qp, stats);
}

const PackedPicture& PostFilterPicture(PictureStores& stores, int method, int qp, DeblockStats* stats) {
  PackedPicture& p = stores.CopyToFilterScratch();
  if (method == 1) {
    LowPassPlane(p.y, p.width, p.height, p.width);
    LowPassPlane(p.u, p.width / 2, p.height / 2, p.cwidth);
    LowPassPlane(p.v, p.width / 2, p.height / 2, p.cwidth);
  } else if (method == 2) {
    DeblockPicture(&p, p.width, p.height, qp, stats);
  }
  return p;
}

}  // namespace klv::mpeg4
