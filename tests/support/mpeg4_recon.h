#pragma once
// The camera's MPEG-4 picture arithmetic, as the sample writer must mirror it
// so that a correct player reproduces the writer's pictures bit for bit:
// dequantisation with the default weighting matrices for the picture's
// quantiser (dquant never reaches it), mismatch control, the camera's 8x8
// fixed-point inverse transform, whole-pixel luma motion and chroma
// interpolation without a rounding term.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv::sample {

// A 4:2:0 picture: three packed planes (stride = plane width), like the
// camera's picture stores. Width and height are multiples of 16 for pictures
// the encoder codes.
struct YuvPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> y;  // width x height
  std::vector<uint8_t> u;  // (width / 2) x (height / 2), Cb
  std::vector<uint8_t> v;  // (width / 2) x (height / 2), Cr

  static YuvPicture Make(int width, int height, uint8_t luma = 16, uint8_t cb = 128,
                         uint8_t cr = 128);
  int ChromaWidth() const { return width / 2; }
  int ChromaHeight() const { return height / 2; }
  uint8_t& Y(int x, int yy) { return y[static_cast<size_t>(yy) * width + x]; }
  uint8_t Y(int x, int yy) const { return y[static_cast<size_t>(yy) * width + x]; }
  uint8_t& U(int x, int yy) { return u[static_cast<size_t>(yy) * (width / 2) + x]; }
  uint8_t U(int x, int yy) const { return u[static_cast<size_t>(yy) * (width / 2) + x]; }
  uint8_t& V(int x, int yy) { return v[static_cast<size_t>(yy) * (width / 2) + x]; }
  uint8_t V(int x, int yy) const { return v[static_cast<size_t>(yy) * (width / 2) + x]; }
  bool operator==(const YuvPicture&) const = default;
};

// Peak signal-to-noise ratio over all three planes (99 when identical).
double Psnr(const YuvPicture& a, const YuvPicture& b);
// Luma only.
double PsnrLuma(const YuvPicture& a, const YuvPicture& b);

namespace mpeg4 {

// DC scalers of a picture quantiser (1 .. 31).
int LumaDcScaler(int qp);
int ChromaDcScaler(int qp);

// Dequantiser steps of one picture quantiser: (W[i] * QP * 100) / 800.
struct StepTables {
  int qp = 0;
  std::array<int, 64> intra {};
  std::array<int, 64> inter {};
};
StepTables MakeStepTables(int qp);

// Levels in raster order -> dequantised coefficients in raster order,
// mismatch control included. For intra blocks raster[0] is the DC level
// after prediction and is multiplied by dcScaler.
void Dequantise(const std::array<int, 64>& levels, bool intra, int dcScaler,
                const StepTables& steps, std::array<int, 64>& out);

// The camera's inverse transform: inputs times 8, rows then columns, each
// result (v + 32) >> 6 clamped to -256 .. 255. Returns false when any
// intermediate value leaves the signed 16-bit range; the encoder never sends
// such a block, so that every 16-bit implementation agrees with this one.
bool InverseTransform(const std::array<int, 64>& in, std::array<int, 64>& out);

// Whole-pixel luma displacement of a one-vector macroblock (vector in
// half-pixel units): each component halved toward zero, and set to 0 where it
// would point out of the picture from an edge macroblock.
struct Displacement {
  int x = 0;
  int y = 0;
  bool operator==(const Displacement&) const = default;
};
Displacement LumaDisplacement(int vx, int vy, int mbx, int mby, int mbWidth, int mbHeight);

// True when the 16x16 luma area at the displacement (and so every chroma
// sample the interpolation reads) lies inside the picture.
bool DisplacementInside(const Displacement& d, int mbx, int mby, int width, int height);

// Motion-compensated prediction of one macroblock from the reference:
// blocks 0-3 luma (top-left, top-right, bottom-left, bottom-right), 4 = U, 5 = V.
// The displacement must satisfy DisplacementInside.
using MacroblockSamples = std::array<std::array<int, 64>, 6>;
void PredictMacroblock(const YuvPicture& reference, int mbx, int mby, const Displacement& d,
                       MacroblockSamples& prediction);

// Writes a macroblock's samples (clamped to 0 .. 255) into the picture.
void StoreMacroblock(YuvPicture& picture, int mbx, int mby, const MacroblockSamples& samples);
// Reads a macroblock's samples from the picture.
void LoadMacroblock(const YuvPicture& picture, int mbx, int mby, MacroblockSamples& samples);

}  // namespace mpeg4
}  // namespace klv::sample
