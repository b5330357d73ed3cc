#include "media/mpeg4/reconstruct.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "media/common/picture.h"
#include "media/mpeg4/idct.h"
#include "media/mpeg4/vlc_tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace klv::mpeg4 {
namespace {

constexpr size_t kAlign = 64;

size_t PlaneBytes(int w, int h) {
  return static_cast<size_t>(w + 2 * kBorder) * static_cast<size_t>(h + 2 * kBorder);
}

uint8_t* Aligned(std::vector<uint8_t>& mem) {
  const auto addr = reinterpret_cast<uintptr_t>(mem.data());
  return mem.data() + ((kAlign - addr % kAlign) % kAlign);
}

void SetPlane(Plane& p, uint8_t* base, int w, int h) {
  p.stride = w + 2 * kBorder;
  p.width = w;
  p.height = h;
  p.data = base + static_cast<ptrdiff_t>(kBorder) * p.stride + kBorder;
}

void ReplicateBorders(const Plane& p) {
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = p.Row(y);
    std::memset(row - kBorder, row[0], kBorder);
    std::memset(row + p.width, row[p.width - 1], kBorder);
  }
  const size_t rowBytes = static_cast<size_t>(p.stride);
  uint8_t* top = p.Row(0) - kBorder;
  uint8_t* bottom = p.Row(p.height - 1) - kBorder;
  for (int i = 1; i <= kBorder; ++i) {
    std::memcpy(top - static_cast<ptrdiff_t>(i) * p.stride, top, rowBytes);
    std::memcpy(bottom + static_cast<ptrdiff_t>(i) * p.stride, bottom, rowBytes);
  }
}

inline void Copy16(uint8_t* dst, const uint8_t* src) {
#if defined(__SSE2__)
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
#else
  std::memcpy(dst, src, 16);
#endif
}

// Chroma prediction of an 8x8 block: a copy, or the sum of two or four
// neighbours shifted right without a rounding term.
void PredictChroma(const uint8_t* src, int sstride, uint8_t* dst, int dstride, bool halfX, bool halfY) {
  if (!halfX && !halfY) {
    for (int y = 0; y < 8; ++y) std::memcpy(dst + y * dstride, src + y * sstride, 8);
    return;
  }
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  auto load = [zero](const uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  for (int y = 0; y < 8; ++y) {
    const uint8_t* s = src + y * sstride;
    __m128i v;
    if (halfX && halfY) {
      v = _mm_add_epi16(_mm_add_epi16(load(s), load(s + 1)), _mm_add_epi16(load(s + sstride), load(s + sstride + 1)));
      v = _mm_srli_epi16(v, 2);
    } else if (halfX) {
      v = _mm_srli_epi16(_mm_add_epi16(load(s), load(s + 1)), 1);
    } else {
      v = _mm_srli_epi16(_mm_add_epi16(load(s), load(s + sstride)), 1);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + y * dstride), _mm_packus_epi16(v, v));
  }
#else
  for (int y = 0; y < 8; ++y) {
    const uint8_t* s = src + y * sstride;
    uint8_t* d = dst + y * dstride;
    for (int x = 0; x < 8; ++x) {
      if (halfX && halfY) {
        d[x] = static_cast<uint8_t>((s[x] + s[x + 1] + s[x + sstride] + s[x + sstride + 1]) >> 2);
      } else if (halfX) {
        d[x] = static_cast<uint8_t>((s[x] + s[x + 1]) >> 1);
      } else {
        d[x] = static_cast<uint8_t>((s[x] + s[x + sstride]) >> 1);
      }
    }
  }
#endif
}

}  // namespace

// --- stores --------------------------------------------------------------------

bool PictureStores::Layout(std::vector<uint8_t>& mem, Picture& p) {
  const int w = mbWidth_ * 16, h = mbHeight_ * 16;
  const size_t ly = PlaneBytes(w, h), lc = PlaneBytes(w / 2, h / 2);
  try {
    mem.assign(ly + 2 * lc + 3 * kAlign, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  uint8_t* base = Aligned(mem);
  SetPlane(p.y, base, w, h);
  base += (ly + kAlign - 1) / kAlign * kAlign;
  SetPlane(p.u, base, w / 2, h / 2);
  base += (lc + kAlign - 1) / kAlign * kAlign;
  SetPlane(p.v, base, w / 2, h / 2);
  p.bordersValid = false;
  return true;
}

bool PictureStores::AllocatePictureStores(int width, int height) {
  Release();
  if (width < 1 || height < 1) return false;
  width_ = width;
  height_ = height;
  mbWidth_ = (width + 15) / 16;
  mbHeight_ = (height + 15) / 16;
  if (!Layout(memA_, pictureA_) || !Layout(memB_, pictureB_)) {
    Release();
    return false;
  }
  scratch_.width = width;
  scratch_.height = height;
  scratch_.cwidth = (width + 1) / 2;
  scratch_.cheight = (height + 1) / 2;
  const size_t ly = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t lc = static_cast<size_t>(scratch_.cwidth) * static_cast<size_t>(scratch_.cheight);
  try {
    scratchMem_.assign(ly + 2 * lc, 0);
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  scratch_.y = scratchMem_.data();
  scratch_.u = scratch_.y + ly;
  scratch_.v = scratch_.u + lc;
  // The first swap makes A the reference and B the output.
  output_ = &pictureA_;
  reference_ = &pictureB_;
  return true;
}

void PictureStores::Release() {
  memA_ = {};
  memB_ = {};
  scratchMem_ = {};
  pictureA_ = {};
  pictureB_ = {};
  scratch_ = {};
  output_ = &pictureA_;
  reference_ = &pictureB_;
  width_ = height_ = mbWidth_ = mbHeight_ = 0;
}

void PictureStores::SwapPictures() {
  if (reference_ == &pictureA_) {
    reference_ = &pictureB_;
    output_ = &pictureA_;
  } else {
    reference_ = &pictureA_;
    output_ = &pictureB_;
  }
  output_->bordersValid = false;
}

void PictureStores::PrepareReference() {
  Picture& r = *reference_;
  if (r.bordersValid || !Allocated()) return;
  ReplicateBorders(r.y);
  ReplicateBorders(r.u);
  ReplicateBorders(r.v);
  r.bordersValid = true;
}

PackedPicture& PictureStores::CopyToFilterScratch() {
  const Picture& p = *output_;
  for (int y = 0; y < scratch_.height; ++y) {
    std::memcpy(scratch_.y + static_cast<size_t>(y) * scratch_.width, p.y.Row(y), static_cast<size_t>(scratch_.width));
  }
  for (int y = 0; y < scratch_.cheight; ++y) {
    const size_t at = static_cast<size_t>(y) * scratch_.cwidth;
    std::memcpy(scratch_.u + at, p.u.Row(y), static_cast<size_t>(scratch_.cwidth));
    std::memcpy(scratch_.v + at, p.v.Row(y), static_cast<size_t>(scratch_.cwidth));
  }
  return scratch_;
}

// --- dequantiser ---------------------------------------------------------------

int LumaDcScaler(int qp) {
  if (qp <= 4) return 8;
  if (qp <= 8) return 2 * qp;
  if (qp <= 24) return qp + 8;
  return 2 * qp - 16;
}

int ChromaDcScaler(int qp) {
  if (qp <= 4) return 8;
  if (qp <= 24) return (qp + 13) / 2;
  return qp - 6;
}

void Dequantiser::PrepareDequantiser(int quantiser) {
  if (quantiser == qp) return;
  qp = quantiser;
  for (int i = 0; i < 64; ++i) {
    intraSteps[i] = (kDefaultIntraMatrix[i] * quantiser * 100) / 800;
    interSteps[i] = (kDefaultInterMatrix[i] * quantiser * 100) / 800;
  }
  for (int k = 0; k < 64; ++k) {
    intraScanSteps[k] = intraSteps[kZigzag[k]];
    interScanSteps[k] = interSteps[kZigzag[k]];
  }
  lumaDcScaler = LumaDcScaler(quantiser);
  chromaDcScaler = ChromaDcScaler(quantiser);
}

// --- blocks --------------------------------------------------------------------

void StoreBlock(uint8_t* dst, int stride, const BlockResidual& r, int16_t* coef, bool intra) {
  if (r.kind == BlockKind::kZero) {
    if (intra) {  // not reached: intra blocks always carry a DC
      for (int y = 0; y < 8; ++y) std::memset(dst + y * stride, 0, 8);
    }
    return;
  }
  alignas(16) int16_t res[64];
  if (r.kind == BlockKind::kDcOnly) {
    if (!r.flip63) {
      // A flat block: one value for all 64 samples.
      const int value = std::clamp((r.dc8 + 32) >> 6, -256, 255);
#if defined(__SSE2__)
      const __m128i v = _mm_set1_epi16(static_cast<short>(value));
      for (int y = 0; y < 8; ++y) {
        uint8_t* d = dst + y * stride;
        __m128i sum = v;
        if (!intra) sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d)), _mm_setzero_si128()));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(sum, sum));
      }
#else
      for (int y = 0; y < 8; ++y) {
        uint8_t* d = dst + y * stride;
        for (int x = 0; x < 8; ++x) d[x] = klv::ClampTable[value + (intra ? 0 : d[x])];
      }
#endif
      return;
    }
    IdctDcOnly(r.dc8, true, res);
  } else {
    Idct8x8(coef, res);
    std::memset(coef, 0, 64 * sizeof(int16_t));
  }
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (int y = 0; y < 8; ++y) {
    __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(res + y * 8));
    uint8_t* d = dst + y * stride;
    if (!intra) {
      v = _mm_add_epi16(v, _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d)), zero));
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(v, v));
  }
#else
  for (int y = 0; y < 8; ++y) {
    uint8_t* d = dst + y * stride;
    for (int x = 0; x < 8; ++x) d[x] = klv::ClampTable[res[y * 8 + x] + (intra ? 0 : d[x])];
  }
#endif
}

void PredictMacroblock(const Picture& ref, Picture& out, int mbx, int mby, int dx, int dy, bool forceBw) {
  // Keep every read inside the reference's border; beyond it the border's
  // repeated edge samples are all the same, so nothing changes.
  const int x0 = std::clamp(mbx * 16 + dx, -kBorder, ref.y.width + kBorder - 16);
  const int y0 = std::clamp(mby * 16 + dy, -kBorder, ref.y.height + kBorder - 16);
  const uint8_t* src = ref.y.Row(y0) + x0;
  uint8_t* dst = out.y.Row(mby * 16) + mbx * 16;
  for (int y = 0; y < 16; ++y) Copy16(dst + y * out.y.stride, src + y * ref.y.stride);

  if (forceBw) {
    FillChromaGrey(out, mbx, mby);
    return;
  }
  const bool halfX = (dx & 1) != 0, halfY = (dy & 1) != 0;
  const int cx = std::clamp(mbx * 8 + (dx >> 1), -kBorder, ref.u.width + kBorder - 9);
  const int cy = std::clamp(mby * 8 + (dy >> 1), -kBorder, ref.u.height + kBorder - 9);
  PredictChroma(ref.u.Row(cy) + cx, ref.u.stride, out.u.Row(mby * 8) + mbx * 8, out.u.stride, halfX, halfY);
  PredictChroma(ref.v.Row(cy) + cx, ref.v.stride, out.v.Row(mby * 8) + mbx * 8, out.v.stride, halfX, halfY);
}

void FillChromaGrey(Picture& out, int mbx, int mby) {
  for (int y = 0; y < 8; ++y) {
    std::memset(out.u.Row(mby * 8 + y) + mbx * 8, 128, 8);
    std::memset(out.v.Row(mby * 8 + y) + mbx * 8, 128, 8);
  }
}

}  // namespace klv::mpeg4
