#include "media/mpeg4/frame_output.h"

#include <algorithm>

namespace klv::mpeg4 {

const ColourTables& GetColourTables() {
  static const ColourTables tables = [] {
    ColourTables t {};
    for (int i = 0; i < 256; ++i) {
      t.lumaTerm[i] = 1192 * (i - 16);
      t.crToRed[i] = 1634 * (i - 128);
      t.crToGreen[i] = 833 * (i - 128);
      t.cbToGreen[i] = 401 * (i - 128);
      t.cbToBlue[i] = 2065 * (i - 128);
    }
    return t;
  }();
  return tables;
}

void ConvertToBgr(const uint8_t* y, int yStride, const uint8_t* u, const uint8_t* v, int cStride, int width,
                  int height, FramePicture& picture) {
  const ColourTables& t = GetColourTables();
  const int w = std::min(width, picture.Width());
  const int h = std::min(height, picture.Height());
  // The sums divided by 1024: a shift gives the same clamped value, since
  // truncation and flooring differ only below zero, which clamps to 0.
  for (int row = 0; row < h; ++row) {
    const uint8_t* ys = y + static_cast<ptrdiff_t>(row) * yStride;
    const uint8_t* us = u + static_cast<ptrdiff_t>(row / 2) * cStride;
    const uint8_t* vs = v + static_cast<ptrdiff_t>(row / 2) * cStride;
    uint8_t* out = picture.Row(row);
    for (int col = 0; col < w; col += 2) {
      const int32_t blue = t.cbToBlue[us[col / 2]];
      const int32_t green = t.crToGreen[vs[col / 2]] + t.cbToGreen[us[col / 2]];
      const int32_t red = t.crToRed[vs[col / 2]];
      const int n = std::min(2, w - col);
      for (int i = 0; i < n; ++i) {
        const int32_t l = t.lumaTerm[ys[col + i]];
        out[0] = ClampTable[(l + blue) >> 10];
        out[1] = ClampTable[(l - green) >> 10];
        out[2] = ClampTable[(l + red) >> 10];
        out += 3;
      }
    }
  }
}

}  // namespace klv::mpeg4
