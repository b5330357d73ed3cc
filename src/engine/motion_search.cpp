// The motion search over reduced pictures made of the JPEG DC coefficients.

#include "engine/motion_search.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "media/avi/avi_reader.h"
#include "media/common/arith.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {
namespace {

// Luma of a block: the dequantised DC value / 8 (truncating) + 128, clamped.
inline uint8_t ReducedLuma(int32_t q, int32_t predictor) {
  const int32_t v = WrapMul(q, predictor) / 8 + 128;
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

#if defined(__SSE2__)
// The four luma values of an MCU at once: the low 32 bits of q x predictor,
// divided by 8 truncating toward zero, + 128, clamped by the saturating packs.
inline uint32_t ReducedLuma4(__m128i q, const int32_t* predictors) {
  const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(predictors));
  const __m128i even = _mm_mul_epu32(p, q);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(p, 32), q);
  const __m128i prod = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                          _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
  const __m128i toward0 = _mm_add_epi32(prod, _mm_and_si128(_mm_srai_epi32(prod, 31), _mm_set1_epi32(7)));
  const __m128i v = _mm_add_epi32(_mm_srai_epi32(toward0, 3), _mm_set1_epi32(128));
  const __m128i w = _mm_packs_epi32(v, v);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(w, w)));
}
#endif

}  // namespace

bool MotionSearcher::Allocate(int width, int height) {
  running_ = false;
  for (ReducedSlot& s : slots_) s = ReducedSlot{};
  predictors_ = {};
  bits_ = {};
  w8_ = h8_ = stride_ = rows_ = mcusX_ = mcusY_ = rgbStride_ = 0;
  header_ = ReducedBitmapHeader{};
  if (width < 1 || height < 1 || width > 8192 || height > 8192) return false;
  const int w8 = (width + 7) / 8;
  const int h8 = (height + 7) / 8;
  const int mcusX = (width + 15) / 16;
  const int mcusY = (height + 15) / 16;
  // Luma rows of whole MCUs, padded to 16 samples for the colour kernels.
  const int stride = (2 * mcusX + 15) & ~15;
  const int rows = 2 * mcusY;
  const int rgbStride = (3 * w8 + 3) & ~3;
  try {
    for (ReducedSlot& s : slots_) {
      s.y.assign(static_cast<size_t>(stride) * static_cast<size_t>(rows), 0);
      s.cb.assign(static_cast<size_t>(stride / 2) * static_cast<size_t>(rows / 2), 0);
      s.cr.assign(static_cast<size_t>(stride / 2) * static_cast<size_t>(rows / 2), 0);
    }
    predictors_.assign(static_cast<size_t>(mcusX) * static_cast<size_t>(mcusY) * 6, 0);
    bits_.assign(static_cast<size_t>(rgbStride) * static_cast<size_t>(h8), 0);
  } catch (const std::bad_alloc&) {
    for (ReducedSlot& s : slots_) s = ReducedSlot{};
    predictors_ = {};
    bits_ = {};
    return false;
  }
  w8_ = w8;
  h8_ = h8;
  stride_ = stride;
  rows_ = rows;
  mcusX_ = mcusX;
  mcusY_ = mcusY;
  rgbStride_ = rgbStride;
  header_.biWidth = w8;
  header_.biHeight = -h8;
  header_.biSizeImage = static_cast<uint32_t>(rgbStride) * static_cast<uint32_t>(h8);
  return true;
}

int MotionSearcher::DecodeReducedPicture(JpegDecoder& decoder, const uint8_t* frame, size_t size,
                                         int slot) {
  lastWhole_ = false;
  if (w8_ == 0) return -1;
  JpegFrameInfo frameInfo;
  JpegScanInfo scanInfo;
  const int p = decoder.ParseHeaders(frame, size, &frameInfo, &scanInfo, nullptr, nullptr);
  if (p <= 0) return -1;
  const int32_t qY = decoder.Quant().dcQuant[0];
  const int32_t qC = decoder.Quant().dcQuant[1];
  const int n = decoder.DecodeDcPredictors(frame + p, size - static_cast<size_t>(p),
                                           mcusX_ * mcusY_, predictors_.data());
  lastWhole_ = n == 6 * mcusX_ * mcusY_;
  ReducedSlot& s = slots_[slot & 1];
  const int cstride = stride_ / 2;
  const int32_t* pred = predictors_.data();
  const int whole = n / 6;
  // Whole MCUs, then the blocks of the MCU in which an entropy error stopped.
  for (int my = 0, m = 0; my < mcusY_ && m < whole; ++my) {
    uint8_t* y0 = s.y.data() + static_cast<ptrdiff_t>(2 * my) * stride_;
    uint8_t* y1 = y0 + stride_;
    int32_t* cb = s.cb.data() + static_cast<ptrdiff_t>(my) * cstride;
    int32_t* cr = s.cr.data() + static_cast<ptrdiff_t>(my) * cstride;
    const int count = std::min(mcusX_, whole - m);
#if defined(__SSE2__)
    const __m128i q4 = _mm_set1_epi32(qY);
    for (int mx = 0; mx < count; ++mx, pred += 6) {
      const uint32_t four = ReducedLuma4(q4, pred);  // top-left, top-right, bottom-left, bottom-right
      const uint16_t top = static_cast<uint16_t>(four), bottom = static_cast<uint16_t>(four >> 16);
      std::memcpy(y0 + 2 * mx, &top, 2);
      std::memcpy(y1 + 2 * mx, &bottom, 2);
      cb[mx] = WrapMul(qC, pred[4]) / 8;
      cr[mx] = WrapMul(qC, pred[5]) / 8;
    }
#else
    for (int mx = 0; mx < count; ++mx, pred += 6) {
      y0[2 * mx] = ReducedLuma(qY, pred[0]);
      y0[2 * mx + 1] = ReducedLuma(qY, pred[1]);
      y1[2 * mx] = ReducedLuma(qY, pred[2]);
      y1[2 * mx + 1] = ReducedLuma(qY, pred[3]);
      cb[mx] = WrapMul(qC, pred[4]) / 8;
      cr[mx] = WrapMul(qC, pred[5]) / 8;
    }
#endif
    m += count;
  }
  if (whole < mcusX_ * mcusY_) {
    const int my = whole / mcusX_;
    const int mx = whole - my * mcusX_;
    uint8_t* y = s.y.data() + static_cast<ptrdiff_t>(2 * my) * stride_ + 2 * mx;
    const size_t c = static_cast<size_t>(my) * static_cast<size_t>(cstride) + static_cast<size_t>(mx);
    for (int b = 0; b < n - whole * 6; ++b) {
      if (b < 4)
        y[(b >> 1) * stride_ + (b & 1)] = ReducedLuma(qY, pred[b]);
      else if (b == 4)
        s.cb[c] = WrapMul(qC, pred[b]) / 8;
      else
        s.cr[c] = WrapMul(qC, pred[b]) / 8;
    }
  }
  return 0;
}

void MotionSearcher::ReducedToRgb(int slot) {
  if (w8_ == 0) return;
  const ReducedSlot& s = slots_[slot & 1];
  JpegColourRows(s.y.data(), s.cb.data(), s.cr.data(), stride_, w8_, h8_,
                 flags != nullptr && flags->bForceBW, bits_.data(), rgbStride_);
}

bool MotionSearcher::MotionDetected(int newSlot, int oldSlot, int threshold) const {
  if (w8_ == 0) return false;
  const uint8_t* a = slots_[newSlot & 1].y.data();
  const uint8_t* b = slots_[oldSlot & 1].y.data();
  if (threshold < 0) return true;  // every difference is larger
  if (threshold >= 255) return false;
  for (int y = 0; y < h8_; ++y, a += stride_, b += stride_) {
    // Branch-free over the row so that it vectorises; one test per row.
    int over = 0;
    for (int x = 0; x < w8_; ++x) over |= std::abs(a[x] - b[x]) > threshold;
    if (over != 0) return true;
  }
  return false;
}

int MotionSearcher::LargestDifference(int newSlot, int oldSlot) const {
  const uint8_t* a = slots_[newSlot & 1].y.data();
  const uint8_t* b = slots_[oldSlot & 1].y.data();
  int most = 0;
  for (int y = 0; y < h8_; ++y, a += stride_, b += stride_)
    for (int x = 0; x < w8_; ++x) most = std::max(most, std::abs(a[x] - b[x]));
  return most;
}

void MotionSearcher::ReduceFrame(AviReader& avi, JpegDecoder& decoder, int index, int slot) {
  // The results are not checked: an unreadable frame leaves the frame buffer
  // as it was, a frame without entropy-coded data leaves the slot as it was.
  const bool read = avi.AviReadFrame(index) == 0;
  const std::span<const uint8_t> bytes = avi.FrameBytes();
  DecodeReducedPicture(decoder, bytes.data(), bytes.size(), slot);
  lastWhole_ = lastWhole_ && read;
  lastDecoded_ = index;
  // The colour picture is only ever seen in the preview.
  if (preview) {
    ReducedToRgb(slot);
    preview(header_, bits_.data(), index);
  }
}

bool MotionSearcher::Begin(AviReader& avi, JpegDecoder& decoder, int from, int to, int threshold) {
  running_ = false;
  result_ = {};
  if (from == to) return false;
  if (!Allocate(avi.Width(), avi.Height())) return false;
  stop_ = false;
  avi_ = &avi;
  decoder_ = &decoder;
  from_ = from;
  to_ = to;
  step_ = from < to ? 1 : -1;
  threshold_ = threshold;
  ReduceFrame(avi, decoder, from, 0);
  cur_ = 0;
  next_ = from + step_;
  running_ = true;
  if (next_ == to_) Finish({SearchOutcome::kReachedEnd, -1});
  return true;
}

void MotionSearcher::Finish(MotionSearchResult result) {
  running_ = false;
  result_ = result;
}

bool MotionSearcher::Step() {
  if (!running_) return true;
  // A stop asked for while the last frame was on show ends the search there.
  if (stop_ && lastDecoded_ != from_) {
    Finish({SearchOutcome::kFound, lastDecoded_});
    return true;
  }
  const int fresh = 1 - cur_;
  const int i = next_;
  ReduceFrame(*avi_, *decoder_, i, fresh);
  if (MotionDetected(fresh, cur_, threshold_) || stop_) {
    cur_ = fresh;
    Finish({SearchOutcome::kFound, i});
    return true;
  }
  cur_ = fresh;
  next_ = i + step_;
  if (next_ == to_) {
    Finish({SearchOutcome::kReachedEnd, -1});
    return true;
  }
  return false;
}

MotionSearchResult MotionSearcher::MotionSearch(AviReader& avi, JpegDecoder& decoder, int from, int to,
                                                int threshold) {
  if (!Begin(avi, decoder, from, to, threshold)) return {};
  while (!Step()) {
  }
  return result_;
}

int ParseMotionThreshold(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  long long v = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    any = true;
    v = std::min<long long>(v * 10 + (text[i] - '0'), INT_MAX);
  }
  return any ? static_cast<int>(v) : 0;
}

}  // namespace klv
