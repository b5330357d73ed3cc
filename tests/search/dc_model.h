#pragma once
// The DC-only pass step by step with the decoder's public primitives, as the
// camera's software runs it for the motion search: for each block of each
// MCU the DC difference, the AC codes decoded and dropped, then a stop at
// any entropy error. Returns the predictors written (see
// JpegDecoder::DecodeDcPredictors).

#include <cstdint>

#include "media/jpeg/jpeg_decoder.h"

namespace klv::searchtest {

inline int ModelDcPredictors(JpegDecoder& d, const uint8_t* data, size_t size, int mcus,
                             int32_t* out) {
  d.StartBits(data, size);
  uint32_t pred[3] = {0, 0, 0};
  int32_t block[64];
  int n = 0;
  for (int m = 0; m < mcus; ++m)
    for (int b = 0; b < 6; ++b) {
      const int c = b < 4 ? 0 : b - 3;
      pred[c] += static_cast<uint32_t>(d.DecodeDcDiff(b < 4 ? 0 : 1));
      out[n++] = static_cast<int32_t>(pred[c]);
      d.DecodeAc(block, b >= 4);
      if (d.JpegError() != 0) return n;
    }
  return n;
}

}  // namespace klv::searchtest
