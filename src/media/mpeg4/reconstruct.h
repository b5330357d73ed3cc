#pragma once
// Picture reconstruction of the camera's MPEG-4 decoder: the picture stores,
// the dequantiser tables, motion compensation and the store of reconstructed
// blocks.
//
// The camera departs from ISO/IEC 14496-2 here, and so do we: luma moves in
// whole pixels, chroma is interpolated without a rounding term, coefficients
// are dequantised with the default weighting matrices for the picture's own
// quantiser (dquant does not reach them), with mismatch control.
//
// The two decoded pictures are held in whole macroblocks with a border of
// kBorder samples on every side. Before a picture serves as a reference its
// border repeats its edge samples, and every motion-compensated read is kept
// inside the border, so a vector pointing anywhere outside the picture reads
// the picture's edge samples (the picture extended without end).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv::mpeg4 {

inline constexpr int kBorder = 16;

struct Plane {
  uint8_t* data = nullptr;  // sample (0, 0)
  int stride = 0;
  int width = 0;   // whole macroblocks
  int height = 0;
  uint8_t* Row(int y) const { return data + static_cast<ptrdiff_t>(y) * stride; }
};

// One decoded picture: Y, U (Cb), V (Cr).
struct Picture {
  Plane y, u, v;
  bool bordersValid = false;
};

// The post-filter's copy: planes packed back to back at the display size
// (chroma (width + 1) / 2 by (height + 1) / 2).
struct PackedPicture {
  uint8_t* y = nullptr;
  uint8_t* u = nullptr;
  uint8_t* v = nullptr;
  int width = 0, height = 0;    // luma
  int cwidth = 0, cheight = 0;  // chroma
};

class PictureStores {
 public:
  // Frees the previous stores and allocates zero-filled ones for a picture of
  // width x height; false (nothing allocated) when memory runs out.
  bool AllocatePictureStores(int width, int height);
  void Release();
  bool Allocated() const { return !memA_.empty(); }

  // The previous output becomes the reference; the first picture after an
  // allocation decodes into store B.
  void SwapPictures();
  Picture& outputPicture() { return *output_; }
  Picture& referencePicture() { return *reference_; }
  const Picture& outputPicture() const { return *output_; }
  const Picture& referencePicture() const { return *reference_; }

  // Repeats the reference's edge samples into its border (once per picture).
  void PrepareReference();

  // Copies the output picture's visible area into the post-filter's copy.
  PackedPicture& CopyToFilterScratch();

  int width() const { return width_; }
  int height() const { return height_; }
  int mbWidth() const { return mbWidth_; }
  int mbHeight() const { return mbHeight_; }

 private:
  bool Layout(std::vector<uint8_t>& mem, Picture& p);

  int width_ = 0, height_ = 0, mbWidth_ = 0, mbHeight_ = 0;
  std::vector<uint8_t> memA_, memB_, scratchMem_;
  Picture pictureA_, pictureB_;
  Picture* output_ = &pictureA_;
  Picture* reference_ = &pictureB_;
  PackedPicture scratch_;
};

// Dequantiser steps for one quantiser (rebuilt only when it changes).
struct Dequantiser {
  int qp = -1;
  int32_t intraSteps[64] = {};  // raster order
  int32_t interSteps[64] = {};
  int32_t intraScanSteps[64] = {};  // the same by zigzag scan position
  int32_t interScanSteps[64] = {};
  int lumaDcScaler = 8;
  int chromaDcScaler = 8;
  void PrepareDequantiser(int quantiser);
};

int LumaDcScaler(int qp);
int ChromaDcScaler(int qp);

// --- macroblock reconstruction ---------------------------------------------
// A block's residual, ready to add: its kind says how to get it.
enum class BlockKind : uint8_t {
  kZero,    // residual all zero (an inter block with no coefficients)
  kDcOnly,  // flat value from position 0, with or without the mismatch 1 at 63
  kFull,    // the full inverse transform of `coef`
};

struct BlockResidual {
  BlockKind kind = BlockKind::kZero;
  bool flip63 = false;
  int16_t dc8 = 0;
};

// Writes one 8x8 residual: intra stores clamp(residual), inter adds it to the
// prediction already in place. `coef` (transposed, times 8) is cleared after.
void StoreBlock(uint8_t* dst, int stride, const BlockResidual& r, int16_t* coef, bool intra);

// Motion-compensated prediction of one macroblock at (mbx, mby) with luma
// displacement (dx, dy) in whole pixels, written into the output picture.
void PredictMacroblock(const Picture& ref, Picture& out, int mbx, int mby, int dx, int dy, bool forceBw);

// Fills the macroblock's chroma with 128 (force black and white).
void FillChromaGrey(Picture& out, int mbx, int mby);

}  // namespace klv::mpeg4
