// The DC-only pass: the MCU loop of the frame decode without dequantisation,
// IDCT or stores, keeping the running DC predictors. The AC codes still have
// to be decoded to find where the next block starts; most blocks' AC codes
// are stepped over with a lookup or two of the whole-block skip table.
//
// The reader's state lives in registers here and goes back to the members
// around the rare exact paths (long codes, codes near a marker or the end of
// the data), which are the decoder's own.

#include "media/jpeg/jpeg_bitreader.h"

#if defined(__GNUC__)
#define KLV_JPEG_LAMBDA_INLINE __attribute__((always_inline))
#else
#define KLV_JPEG_LAMBDA_INLINE
#endif

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

  // Few live values, so that they stay in registers: the bytes loaded are
  // the pointer's advance plus what stuffing and markers add (only the exact
  // paths change that), and a marker or the end ahead closes the fast load.
  uint64_t buf = bitBuf_;
  int count = bitCount_;
  const uint8_t* p = bitPtr_;
  const uintptr_t base = reinterpret_cast<uintptr_t>(data);
  uint32_t loadedAdjust = 0;
  uintptr_t fastEnd = 0;    // the fast load reads 8 bytes at p < fastEnd
  bool failed = false;      // nJpegError_ != 0
  const auto save = [&]() KLV_JPEG_LAMBDA_INLINE {
    bitBuf_ = buf;
    bitCount_ = count;
    bitPtr_ = p;
    loaded_ = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p) - base) + loadedAdjust;
  };
  const auto load = [&]() KLV_JPEG_LAMBDA_INLINE {
    buf = bitBuf_;
    count = bitCount_;
    p = bitPtr_;
    loadedAdjust = loaded_ - static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p) - base);
    const uintptr_t end = reinterpret_cast<uintptr_t>(bitEnd_);
    fastEnd = bitStop_ || end - base < 8 ? 0 : end - 7;
    failed = nJpegError_ != 0;
  };
  load();
  // At least 56 bits, or all there are before a marker or the end.
  const auto refill = [&]() KLV_JPEG_LAMBDA_INLINE {
    uint64_t w;
    if (KLV_LIKELY(reinterpret_cast<uintptr_t>(p) < fastEnd && NoFf(w = LoadBe64(p)))) {
      buf |= w >> count;
      p += (63 - count) >> 3;
      count |= 56;
    } else {
      save();
      Fill();
      load();
    }
  };

  // One block: its DC difference added to `pred`, its AC codes skipped. False
  // when the picture must stop (an entropy error in this block).
  const auto block = [&]<int id>(int32_t& pred) KLV_JPEG_LAMBDA_INLINE -> bool {
    // DC difference. Topping up every time is cheaper than a hard-to-predict
    // test; the codes of a block's start then lie in the buffer.
    refill();
    const uint16_t de = dcFast[id][buf >> 55];
    const int s = de & 255;
    int diff;
    if (KLV_LIKELY(count >= 32 && de != 0 && s <= 11)) {
      const int len = de >> 8;
      const uint64_t rest = buf << len;
      // s magnitude bits (none when s is 0), then the sign extension.
      const int v = static_cast<int>((rest >> (63 - s)) >> 1);
      const int half = (1 << s) >> 1;
      diff = v < half ? v - ((1 << s) - 1) : v;
      buf = rest << s;
      count -= len + s;
    } else {
      save();
      diff = count >= 32 ? DcDiffFast(id) : DcDiffSlow(id);
      load();
    }
    pred = static_cast<int32_t>(static_cast<uint32_t>(pred) + static_cast<uint32_t>(diff));

    // AC codes. Whole codes within bits that lie before any marker read
    // exactly as the camera's reader reads them. The table's entries are made
    // for a block's start (coefficient 1); further into the block an entry is
    // taken only while all its codes stay below coefficient 64, where the
    // block would end. After a failed DC difference the codes are still read,
    // as the camera's reader reads them, before the stop.
    int k = 1;
    if (KLV_LIKELY(!failed)) {
      const uint16_t* const table = skip[id];
      if (count < kSkip) refill();
      if (KLV_LIKELY(count >= kSkip)) {
        uint16_t e = table[buf >> (64 - kSkip)];
        int used = jpeg::AcSkipBitsUsed(e);
        buf <<= used;
        count -= used;
        if (KLV_LIKELY(jpeg::AcSkipEnds(e))) return true;
        k = jpeg::AcSkipNextK(e);
        for (;;) {
          if (count < kSkip) {
            refill();
            if (count < kSkip) break;
          }
          e = table[buf >> (64 - kSkip)];
          used = jpeg::AcSkipBitsUsed(e);
          const int reached = k + jpeg::AcSkipNextK(e) - 1;
          if (used == 0 || reached > 63) break;
          buf <<= used;
          count -= used;
          if (jpeg::AcSkipEnds(e)) return true;
          k = reached;
        }
      }
    }
    save();
    DiscardSink sink;
    AcLoop(id, sink, k);
    load();
    return !failed;
  };

  int32_t predY = 0, predCb = 0, predCr = 0;
  // An MCU's predictors are kept here and written out together.
  int32_t mcu[6];
  for (int m = 0; m < mcus; ++m) {
    int done = 0;
    const bool ok = (block.template operator()<0>(predY) && (mcu[done++] = predY, true) &&
                     block.template operator()<0>(predY) && (mcu[done++] = predY, true) &&
                     block.template operator()<0>(predY) && (mcu[done++] = predY, true) &&
                     block.template operator()<0>(predY) && (mcu[done++] = predY, true) &&
                     block.template operator()<1>(predCb) && (mcu[done++] = predCb, true) &&
                     block.template operator()<1>(predCr) && (mcu[done++] = predCr, true));
    if (KLV_UNLIKELY(!ok)) {
      // The block that failed still gives its predictor.
      mcu[done] = done < 4 ? predY : (done == 4 ? predCb : predCr);
      save();
      std::memcpy(predictors + 6 * static_cast<ptrdiff_t>(m), mcu,
                  static_cast<size_t>(done + 1) * sizeof(int32_t));
      return 6 * m + done + 1;
    }
    std::memcpy(predictors + 6 * static_cast<ptrdiff_t>(m), mcu, sizeof mcu);
  }
  save();
  return 6 * mcus;
}

}  // namespace klv
