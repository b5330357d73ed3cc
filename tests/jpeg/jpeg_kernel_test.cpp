// Every IDCT and colour kernel (the ones this processor does not pick too)
// against the plain model.

#include <gtest/gtest.h>

#include <vector>

#include "jpeg/jpeg_reference.h"
#include "media/common/arith.h"
#include "media/jpeg/jpeg_idct.h"

namespace klv {
namespace {

struct Kernels {
  const char* name;
  jpeg::IdctKernels idct;
  jpeg::ColourFn colour;
};

std::vector<Kernels> AllKernels() {
  std::vector<Kernels> k = {{"scalar", {jpeg::IdctLumaScalar, jpeg::IdctChromaScalar}, jpeg::ColourScalar}};
#if defined(__x86_64__) || defined(__i386__)
  k.push_back({"sse2", {jpeg::IdctLumaSse2, jpeg::IdctChromaSse2}, jpeg::ColourScalar});
  if (__builtin_cpu_supports("avx2"))
    k.push_back({"avx2", {jpeg::IdctLumaAvx2, jpeg::IdctChromaAvx2}, jpeg::ColourAvx2});
#endif
  return k;
}

TEST(JpegKernels, IdctMatchesTheModel) {
  uint32_t rng = 17;
  auto next = [&rng]() { return rng = rng * 1103515245u + 12345u; };
  for (const Kernels& kern : AllKernels()) {
    for (int n = 0; n < 3000; ++n) {
      int32_t zigzag[64] = {};
      const int count = 1 + static_cast<int>(next() % 64);
      for (int i = 0; i < count; ++i) {
        const int k = static_cast<int>(next() % 64);
        zigzag[k] = n % 7 == 0 ? static_cast<int32_t>(next())  // values that wrap
                               : (static_cast<int32_t>(next() % 2001) - 1000) * kJpegPrescale[k] * 3;
      }
      int32_t want[64];
      ref::Idct(zigzag, want);
      alignas(32) int32_t columnMajor[64];
      for (int k = 0; k < 64; ++k) {
        const int nat = kZigzag[static_cast<size_t>(k)];
        columnMajor[(nat % 8) * 8 + nat / 8] = zigzag[k];
      }
      uint8_t luma[8 * 11];
      int32_t chroma[8 * 9];
      kern.idct.luma(columnMajor, luma, 11);
      kern.idct.chroma(columnMajor, chroma, 9);
      for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
          ASSERT_EQ(chroma[i * 9 + j], want[i * 8 + j]) << kern.name << " " << n;
          ASSERT_EQ(luma[i * 11 + j], ref::Clamp(want[i * 8 + j] + 128)) << kern.name << " " << n;
        }
    }
  }
}

TEST(JpegKernels, ColourMatchesTheModel) {
  uint32_t rng = 3;
  auto next = [&rng]() { return rng = rng * 1664525u + 1013904223u; };
  for (const Kernels& kern : AllKernels()) {
    for (int width : {1, 2, 15, 16, 17, 33, 47, 64}) {
      for (int height : {1, 2, 3, 16}) {
        ref::Planes pl;
        pl.Allocate(width, height);
        std::vector<uint8_t> y8(pl.y.size());
        for (size_t i = 0; i < pl.y.size(); ++i) pl.y[i] = y8[i] = static_cast<uint8_t>(next() >> 24);
        for (auto* c : {&pl.cb, &pl.cr})
          for (auto& v : *c) {
            const uint32_t r = next();
            v = (r & 3) == 0 ? static_cast<int32_t>(r) >> 8 : static_cast<int32_t>(r >> 20) % 400 - 200;
          }
        for (bool bw : {false, true}) {
          const int stride = (width * 3 + 3) & ~3;
          std::vector<uint8_t> want(static_cast<size_t>(stride) * height + 8, 0xAB);
          std::vector<uint8_t> got(want.size(), 0xAB);
          ref::ToBgr(pl, width, height, bw, want.data(), static_cast<size_t>(stride));
          const jpeg::ColourJob job{y8.data(), pl.cb.data(), pl.cr.data(), pl.w16, width, height, bw,
                                    got.data(), stride};
          kern.colour(job);
          ASSERT_EQ(got, want) << kern.name << " " << width << "x" << height << " bw " << bw;
        }
      }
    }
  }
}

}  // namespace
}  // namespace klv
