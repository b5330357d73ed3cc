// The DC-only pass: the MCU loop of the frame decode without dequantisation,
// IDCT or stores, keeping the running DC predictors. The AC codes still have
// to be decoded to find where the next block starts.

#include "media/jpeg/jpeg_bitreader.h"

namespace klv {

namespace {

struct DiscardSink {
  KLV_JPEG_INLINE void operator()(int, int32_t) {}
};

}  // namespace

int JpegDecoder::DecodeDcPredictors(const uint8_t* data, size_t size, int mcus,
                                    int32_t* predictors) {
  StartBits(data, size);
  int32_t pred[3] = {0, 0, 0};  // Y, Cb, Cr
  DiscardSink sink;
  int n = 0;
  for (int m = 0; m < mcus; ++m) {
    for (int b = 0; b < 6; ++b) {
      const int id = b < 4 ? 0 : 1;
      const int c = b < 4 ? 0 : b - 3;
      int diff;
      if (bitCount_ < 32) Fill();
      if (KLV_LIKELY(bitCount_ >= 32 && !markerUntouched_))
        diff = DcDiffFast(id);
      else
        diff = DcDiffSlow(id);
      pred[c] = static_cast<int32_t>(static_cast<uint32_t>(pred[c]) + static_cast<uint32_t>(diff));
      predictors[n++] = pred[c];
      if (KLV_UNLIKELY(nJpegError_ != 0)) return n;
      AcLoop(id, sink);
      if (KLV_UNLIKELY(nJpegError_ != 0)) return n;
    }
  }
  return n;
}

}  // namespace klv
