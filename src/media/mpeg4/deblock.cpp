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
  int32_t win[10], out[10];
  // Rows pass. Each edge's window is read before the edge to its left writes
  // back, so every window holds the row as it was before the pass.
  std::vector<uint8_t> orig(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = plane + static_cast<ptrdiff_t>(y) * stride;
    std::memcpy(orig.data(), row, static_cast<size_t>(w));
    for (int x = 8; x + 5 <= w; x += 8) {
      for (int i = 0; i < 10; ++i) win[i] = orig[static_cast<size_t>(x - 5 + i)];
      uint8_t* at = row + x - 5;
      const int result = DeblockEdge(win, out, qp);
      if (result == 1) {
        at[4] = static_cast<uint8_t>(out[4]);
        at[5] = static_cast<uint8_t>(out[5]);
        ++stats->defaultFiltered;
      } else if (result == 2) {
        for (int i = 1; i <= 8; ++i) at[i] = static_cast<uint8_t>(out[i]);
        ++stats->dcFiltered;
      }
    }
  }
  // Columns pass on the rows pass's result, one horizontal edge at a time
  // across all columns. Only the window's first row (y - 5) can have been
  // changed by the edge above; it is read from the copy taken before that
  // edge wrote.
  std::vector<uint8_t> before(static_cast<size_t>(w)), next(static_cast<size_t>(w));
  bool haveBefore = false;
  for (int y = 8; y + 5 <= h; y += 8) {
    const uint8_t* rows[10];
    for (int i = 0; i < 10; ++i) rows[i] = plane + static_cast<ptrdiff_t>(y - 5 + i) * stride;
    if (haveBefore) rows[0] = before.data();
    std::memcpy(next.data(), rows[8], static_cast<size_t>(w));  // the next edge's first row
    for (int x = 0; x < w; ++x) {
      for (int i = 0; i < 10; ++i) win[i] = rows[i][x];
      const int result = DeblockEdge(win, out, qp);
      if (result == 1) {
        plane[static_cast<ptrdiff_t>(y - 1) * stride + x] = static_cast<uint8_t>(out[4]);
        plane[static_cast<ptrdiff_t>(y) * stride + x] = static_cast<uint8_t>(out[5]);
        ++stats->defaultFiltered;
      } else if (result == 2) {
        for (int i = 1; i <= 8; ++i) plane[static_cast<ptrdiff_t>(y - 5 + i) * stride + x] = static_cast<uint8_t>(out[i]);
        ++stats->dcFiltered;
      }
    }
    before.swap(next);
    haveBefore = true;
  }
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
