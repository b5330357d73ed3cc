#pragma once
// Colour conversion of decoded MPEG-4 pictures (YCbCr 4:2:0) into the 24-bit
// rows of a FramePicture, with the camera's integer tables.

#include <cstdint>

#include "media/common/picture.h"

namespace klv::mpeg4 {

struct ColourTables {
  int32_t lumaTerm[256];   // 1192 * (i - 16)
  int32_t crToRed[256];    // 1634 * (i - 128)
  int32_t crToGreen[256];  // 833 * (i - 128)
  int32_t cbToGreen[256];  // 401 * (i - 128)
  int32_t cbToBlue[256];   // 2065 * (i - 128)
};

// Built once, on first use.
const ColourTables& GetColourTables();

// Converts rows 0 .. height - 1 and columns 0 .. width - 1 (limited to the
// picture's own size) into `picture`; rows below are not touched.
void ConvertToBgr(const uint8_t* y, int yStride, const uint8_t* u, const uint8_t* v, int cStride, int width,
                  int height, FramePicture& picture);

}  // namespace klv::mpeg4
