// The DC-only pass: the MCU loop of the frame decode without dequantisation,
// IDCT or stores, keeping the running DC predictors. The AC codes still have
// to be decoded to find where the next block starts; most blocks' AC codes
// are stepped over with a lookup or two of the whole-block skip table.
//
// The reader's state lives in registers here and goes back to the members
// around the rare exact paths (long codes, codes near a marker or the end of
// the data), which are the decoder's own.

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
  constexpr int kSkip = jpeg::kAcSkipBits;
  const uint16_t* const skip[2] = {acSkip_[0]->e, acSkip_[1]->e};
  const uint16_t* const dcFast[2] = {dcFast_[0], dcFast_[1]};

  uint64_t buf = bitBuf_;
  int count = bitCount_;
  const uint8_t* p = bitPtr_;
  uint32_t loaded = loaded_;
  bool stop = bitStop_;
  const uint8_t* const end = bitEnd_;
  const auto save = [&] {
    bitBuf_ = buf;
    bitCount_ = count;
    bitPtr_ = p;
    loaded_ = loaded;
  };
  const auto load = [&] {
    buf = bitBuf_;
    count = bitCount_;
    p = bitPtr_;
    loaded = loaded_;
    stop = bitStop_;
  };
  // At least 56 bits, or all there are before a marker or the end.
  const auto refill = [&] {
    uint64_t w;
    if (KLV_LIKELY(!stop && end - p >= 8 && NoFf(w = LoadBe64(p)))) {
      buf |= w >> count;
      const int n = (63 - count) >> 3;
      p += n;
      loaded += static_cast<uint32_t>(n);
      count |= 56;
    } else {
      save();
      Fill();
      load();
    }
  };

  int32_t pred[3] = {0, 0, 0};  // Y, Cb, Cr
  // An MCU's predictors are kept here and written out together.
  int32_t mcu[6];
  for (int m = 0; m < mcus; ++m) {
    for (int b = 0; b < 6; ++b) {
      const int id = b < 4 ? 0 : 1;
      const int c = b < 4 ? 0 : b - 3;

      // DC difference.
      int diff = 0;
      if (count < 32) refill();
      const uint16_t de = dcFast[id][buf >> 55];
      const int s = de & 255;
      if (KLV_LIKELY(count >= 32 && de != 0 && s <= 16)) {
        const int len = de >> 8;
        buf <<= len;
        count -= len;
        if (s != 0) {
          diff = jpeg::ExtendBits(static_cast<int>(buf >> (64 - s)), s);
          buf <<= s;
          count -= s;
        }
      } else {
        save();
        diff = count >= 32 ? DcDiffFast(id) : DcDiffSlow(id);
        load();
      }
      pred[c] = static_cast<int32_t>(static_cast<uint32_t>(pred[c]) + static_cast<uint32_t>(diff));
      mcu[b] = pred[c];

      // AC codes. Whole codes within bits that lie before any marker read
      // exactly as the camera's reader reads them. The table's entries are
      // made for a block's start (coefficient 1); further into the block an
      // entry is taken only while all its codes stay below coefficient 64,
      // where the block would end. After a failed DC difference the codes
      // are still read, as the camera's reader reads them, before the stop.
      bool done = false;
      int k = 1;
      if (KLV_LIKELY(nJpegError_ == 0)) {
        if (count < kSkip) refill();
        if (KLV_LIKELY(count >= kSkip)) {
          uint16_t e = skip[id][buf >> (64 - kSkip)];
          int used = jpeg::AcSkipBitsUsed(e);
          buf <<= used;
          count -= used;
          done = jpeg::AcSkipEnds(e);
          k = jpeg::AcSkipNextK(e);
          while (!done) {
            if (count < kSkip) {
              refill();
              if (count < kSkip) break;
            }
            e = skip[id][buf >> (64 - kSkip)];
            used = jpeg::AcSkipBitsUsed(e);
            const int reached = k + jpeg::AcSkipNextK(e) - 1;
            if (used == 0 || reached > 63) break;
            buf <<= used;
            count -= used;
            done = jpeg::AcSkipEnds(e);
            k = reached;
          }
        }
      }
      if (!done) {
        save();
        DiscardSink sink;
        AcLoop(id, sink, k);
        load();
      }
      if (KLV_UNLIKELY(nJpegError_ != 0)) {
        save();
        std::memcpy(predictors + 6 * static_cast<ptrdiff_t>(m), mcu,
                    static_cast<size_t>(b + 1) * sizeof(int32_t));
        return 6 * m + b + 1;
      }
    }
    std::memcpy(predictors + 6 * static_cast<ptrdiff_t>(m), mcu, sizeof mcu);
  }
  save();
  return 6 * mcus;
}

}  // namespace klv
