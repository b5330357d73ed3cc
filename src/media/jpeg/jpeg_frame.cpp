// The frame: decode planes, the MCU loop (fixed 4:2:0, four luma blocks then
// Cb then Cr, no restart intervals) and the whole-frame decode.

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>

#include "media/common/arith.h"
#include "media/jpeg/jpeg_bitreader.h"
#include "media/jpeg/jpeg_idct.h"

namespace klv {

namespace {

inline int32_t LumaSample(int32_t v) {
  v += 128;
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Luma samples are stored as bytes with +128 and clamping, chroma as they are.
template <bool kLuma>
using Sample = std::conditional_t<kLuma, uint8_t, int32_t>;
template <bool kLuma>
inline Sample<kLuma> Out(int32_t v) {
  if constexpr (kLuma)
    return static_cast<uint8_t>(LumaSample(v));
  else
    return v;
}

template <bool kLuma>
inline void FillBlock(Sample<kLuma>* dst, ptrdiff_t stride, int32_t v) {
  const Sample<kLuma> s = Out<kLuma>(v);
  for (int i = 0; i < 8; ++i, dst += stride)
    for (int j = 0; j < 8; ++j) dst[j] = s;
}

// x: 8 samples after the transform of the one non-zero row (all rows equal)
// or of the one non-zero column (all columns equal).
template <bool kLuma>
inline void StoreRows(Sample<kLuma>* dst, ptrdiff_t stride, const jpeg::Wrap32* x) {
  Sample<kLuma> v[8];
  for (int j = 0; j < 8; ++j) v[j] = Out<kLuma>(x[j].v >> 10);
  for (int i = 0; i < 8; ++i, dst += stride)
    for (int j = 0; j < 8; ++j) dst[j] = v[j];
}
template <bool kLuma>
inline void StoreColumns(Sample<kLuma>* dst, ptrdiff_t stride, const jpeg::Wrap32* x) {
  for (int i = 0; i < 8; ++i, dst += stride) {
    const Sample<kLuma> v = Out<kLuma>(x[i].v >> 10);
    for (int j = 0; j < 8; ++j) dst[j] = v;
  }
}

// Dequantises each coefficient into the column-major block as it comes, and
// keeps the raw values for the rare block that ends in an error.
struct DequantSink {
  int32_t* coef;
  const int32_t* mult;
  uint16_t* pos;  // not a byte type: stores through it cannot touch the reader
  int16_t* val;
  int n;
  uint32_t mask;
  KLV_JPEG_INLINE void operator()(int k, int32_t v) {
    const uint32_t info = jpeg::kZigzagInfo[k];
    coef[info & 63] = WrapMul(v, mult[k]);
    mask |= info;
    pos[n] = static_cast<uint16_t>(k);
    val[n] = static_cast<int16_t>(v);  // AC magnitudes have at most 10 bits
    ++n;
  }
};

}  // namespace

struct JpegDecoder::AcList {
  alignas(32) int32_t coef[64] = {};  // column-major, zero between blocks
  uint16_t pos[64];
  int16_t val[64];
  jpeg::IdctKernels idct;
};

bool JpegDecoder::AllocatePlanes(int width, int height) {
  ReleasePlanes();
  if (width < 1 || height < 1 || width > 8192 || height > 8192) return false;
  const int w16 = (width + 15) & ~15;
  const int h16 = (height + 15) & ~15;
  try {
    y_.assign(static_cast<size_t>(w16) * static_cast<size_t>(h16), 0);
    yWide_.clear();
    yWideValid_ = false;
    cb_.assign(static_cast<size_t>(w16 / 2) * static_cast<size_t>(h16 / 2), 0);
    cr_.assign(static_cast<size_t>(w16 / 2) * static_cast<size_t>(h16 / 2), 0);
  } catch (const std::bad_alloc&) {
    ReleasePlanes();
    return false;
  }
  w16_ = w16;
  h16_ = h16;
  imageW_ = width;
  imageH_ = height;
  return true;
}

void JpegDecoder::ReleasePlanes() {
  w16_ = h16_ = imageW_ = imageH_ = 0;
  std::vector<uint8_t>().swap(y_);
  std::vector<int32_t>().swap(yWide_);
  yWideValid_ = false;
  std::vector<int32_t>().swap(cb_);
  std::vector<int32_t>().swap(cr_);
}

const int32_t* JpegDecoder::PlaneY() const {
  if (!yWideValid_) {
    yWide_.assign(y_.begin(), y_.end());
    yWideValid_ = true;
  }
  return yWide_.data();
}

// One block: DC difference, AC coefficients, dequantisation (entries up to
// `last`), IDCT and store. False when the picture must stop (the block is
// stored unless the DC difference failed).
template <bool kLuma, class OutT>
bool JpegDecoder::DecodeBlock(int32_t& predictor, OutT* dst, int stride, AcList& list) {
  constexpr int id = kLuma ? 0 : 1;
  int diff;
  if (bitCount_ < 32) Fill();
  if (KLV_LIKELY(bitCount_ >= 32 && !markerUntouched_))
    diff = DcDiffFast(id);
  else
    diff = DcDiffSlow(id);
  if (KLV_UNLIKELY(nJpegError_ != 0)) return false;
  predictor = WrapAdd(predictor, diff);

  const int32_t* mult = quant.multiplier[id];
  int32_t* coef = list.coef;
  DequantSink sink{coef, mult, list.pos, list.val, 0, 0};
  const int last = AcLoop(id, sink);
  coef[0] = WrapMul(predictor, mult[0]);
  if (sink.n == 0) {
    FillBlock<kLuma>(dst, stride, coef[0] >> 10);
  } else {
    if (KLV_UNLIKELY(last == 0)) {
      // After a run past coefficient 63 only the DC value is dequantised.
      for (int i = 0; i < sink.n; ++i) coef[jpeg::kZigzagInfo[sink.pos[i]] & 63] = sink.val[i];
    }
    if ((sink.mask & 0xFE00) == 0) {
      // Only the first row: every output row is the same.
      jpeg::Wrap32 x[8];
      for (int j = 0; j < 8; ++j) x[j].v = coef[j * 8];
      jpeg::Idct1D(x);
      StoreRows<kLuma>(dst, stride, x);
    } else if ((sink.mask & 0xFE0000) == 0) {
      // Only the first column: every output column is the same.
      jpeg::Wrap32 x[8];
      for (int i = 0; i < 8; ++i) x[i].v = coef[i];
      jpeg::Idct1D(x);
      StoreColumns<kLuma>(dst, stride, x);
    } else if constexpr (kLuma) {
      list.idct.luma(coef, dst, stride);
    } else {
      list.idct.chroma(coef, dst, stride);
    }
    if (sink.n <= 12) {
      for (int i = 0; i < sink.n; ++i) coef[jpeg::kZigzagInfo[sink.pos[i]] & 63] = 0;
    } else {
      std::memset(coef, 0, 64 * sizeof(int32_t));
    }
  }
  coef[0] = 0;
  return nJpegError_ == 0;
}

int JpegDecoder::DecodeMcus(const uint8_t* data, size_t size) {
  StartBits(data, size);
  yWideValid_ = false;
  static const jpeg::IdctKernels idct = jpeg::SelectIdct();
  AcList list;
  list.idct = idct;
  int32_t predY = 0, predCb = 0, predCr = 0;
  const int cstride = w16_ / 2;
  for (int my = 0; my < h16_ / 16; ++my) {
    uint8_t* yRow = y_.data() + static_cast<ptrdiff_t>(16 * my) * w16_;
    int32_t* cbRow = cb_.data() + static_cast<ptrdiff_t>(8 * my) * cstride;
    int32_t* crRow = cr_.data() + static_cast<ptrdiff_t>(8 * my) * cstride;
    for (int mx = 0; mx < w16_ / 16; ++mx) {
      uint8_t* yb = yRow + 16 * mx;
      if (!DecodeBlock<true>(predY, yb, w16_, list) || !DecodeBlock<true>(predY, yb + 8, w16_, list) ||
          !DecodeBlock<true>(predY, yb + 8 * w16_, w16_, list) ||
          !DecodeBlock<true>(predY, yb + 8 * w16_ + 8, w16_, list) ||
          !DecodeBlock<false>(predCb, cbRow + 8 * mx, cstride, list) ||
          !DecodeBlock<false>(predCr, crRow + 8 * mx, cstride, list))
        return static_cast<int>(BytesRead());
    }
  }
  return 0;
}

JpegDecodeResult JpegDecoder::DecodeFrame(const uint8_t* data, size_t size, FramePicture& picture,
                                          int index) {
  JpegFrameInfo frameInfo;
  JpegScanInfo scanInfo;
  const uint8_t* event = nullptr;
  FrameTimeStamp stamp;
  const int p = ParseHeaders(data, size, &frameInfo, &scanInfo, &stamp, &event);
  if (p <= 0) {
    frameTimeStamp = stamp;  // the walk cleared it
    return {JpegStatus::kNoScan, 0};
  }
  UpdateFrameInterval(index, stamp);
  if (w16_ == 0 || picture.Empty()) return {JpegStatus::kNoPlanes, 0};
  const int err = DecodeMcus(data + p, size - static_cast<size_t>(p));
  if (err != 0) return {JpegStatus::kEntropyError, static_cast<uint32_t>(err)};
  ToPicture(picture, imageW_, imageH_);
  return {};
}

}  // namespace klv
