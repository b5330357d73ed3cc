// Colour conversion of the decode planes into the picture: four 256-entry
// tables in units of 1/2048, truncating division, nearest-neighbour chroma.

#include <algorithm>

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_idct.h"

namespace klv {
namespace jpeg {
namespace {

struct ColourTables {
  int32_t r[256], gb[256], gr[256], b[256];
  constexpr ColourTables() : r{}, gb{}, gr{}, b{} {
    for (int i = 0; i < 256; ++i) {
      r[i] = (i - 128) * 2871;
      gb[i] = (i - 128) * (-705);
      gr[i] = (i - 128) * (-1463);
      b[i] = (i - 128) * 3629;
    }
  }
};
constexpr ColourTables kColour;

}  // namespace

void ColourScalar(const ColourJob& job) {
  const int cstride = job.w16 / 2;
  for (int y = 0; y < job.height; ++y) {
    const uint8_t* yRow = job.y + static_cast<ptrdiff_t>(y) * job.w16;
    const int32_t* cbRow = job.cb + static_cast<ptrdiff_t>(y / 2) * cstride;
    const int32_t* crRow = job.cr + static_cast<ptrdiff_t>(y / 2) * cstride;
    uint8_t* out = job.bits + static_cast<ptrdiff_t>(y) * job.stride;
    int rAdd = 0, gAdd = 0, bAdd = 0;
    for (int x = 0; x < job.width; ++x) {
      const int lum = yRow[x];
      if (job.forceBw) {
        const uint8_t v = Clamp255(lum);
        out[0] = out[1] = out[2] = v;
      } else {
        if ((x & 1) == 0) {
          const int cb = Clamp255(cbRow[x / 2] + 128);
          const int cr = Clamp255(crRow[x / 2] + 128);
          rAdd = kColour.r[cr] / 2048;
          gAdd = (kColour.gb[cb] + kColour.gr[cr]) / 2048;
          bAdd = kColour.b[cb] / 2048;
        }
        out[0] = Clamp255(lum + bAdd);
        out[1] = Clamp255(lum + gAdd);
        out[2] = Clamp255(lum + rAdd);
      }
      out += 3;
    }
  }
}

ColourFn SelectColour() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return ColourAvx2;
#endif
  return ColourScalar;
}

}  // namespace jpeg

void JpegColourRows(const uint8_t* y, const int32_t* cb, const int32_t* cr, int lumaStride,
                    int width, int height, bool forceBw, uint8_t* bits, ptrdiff_t stride) {
  if (width <= 0 || height <= 0 || lumaStride < width) return;
  static const jpeg::ColourFn colour = jpeg::SelectColour();
  colour(jpeg::ColourJob{y, cb, cr, lumaStride, width, height, forceBw, bits, stride});
}

void JpegDecoder::ToPicture(FramePicture& picture, int width, int height) const {
  if (w16_ == 0 || picture.Empty()) return;
  width = std::min({width, picture.Width(), w16_});
  height = std::min({height, picture.Height(), h16_});
  if (width <= 0 || height <= 0) return;
  static const jpeg::ColourFn colour = jpeg::SelectColour();
  const jpeg::ColourJob job{y_.data(), cb_.data(), cr_.data(), w16_, width, height,
                            flags != nullptr && flags->bForceBW, picture.Bits(), picture.Stride()};
  colour(job);
}

}  // namespace klv
