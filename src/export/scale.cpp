#include "export/scale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace klv {
namespace {

// One output sample's share of the input: `count` consecutive input samples
// from `first`, with weights in units of 1/out of an input sample. The
// weights of one output sample add up to `in`.
struct Span {
  int first = 0;
  int count = 0;
  int weightsAt = 0;  // index of the first weight in the shared list
};

struct Spans {
  std::vector<Span> spans;
  std::vector<uint32_t> weights;
  uint32_t total = 0;  // sum of every span's weights
};

// Output sample o covers input [o * in, (o + 1) * in) and input sample i
// covers [i * out, (i + 1) * out), both in units of 1 / out of an input
// sample; the weight is the overlap. Works the same for enlarging.
Spans MakeSpans(int in, int out) {
  Spans s;
  s.total = static_cast<uint32_t>(in);
  s.spans.resize(static_cast<size_t>(out));
  for (int o = 0; o < out; ++o) {
    const int64_t lo = static_cast<int64_t>(o) * in;
    const int64_t hi = lo + in;
    const int first = static_cast<int>(lo / out);
    const int last = static_cast<int>((hi - 1) / out);
    Span& sp = s.spans[static_cast<size_t>(o)];
    sp.first = first;
    sp.count = last - first + 1;
    sp.weightsAt = static_cast<int>(s.weights.size());
    for (int i = first; i <= last; ++i) {
      const int64_t a = std::max<int64_t>(lo, static_cast<int64_t>(i) * out);
      const int64_t b = std::min<int64_t>(hi, static_cast<int64_t>(i + 1) * out);
      s.weights.push_back(static_cast<uint32_t>(b - a));
    }
  }
  return s;
}

}  // namespace

PictureSize FitSize(int width, int height, int boxWidth, int boxHeight, bool enlarge) {
  if (width < 1 || height < 1 || boxWidth < 1 || boxHeight < 1) return {};
  if (!enlarge && width <= boxWidth && height <= boxHeight) return {width, height};
  const int64_t w = width, h = height;
  PictureSize s;
  if (w * boxHeight >= h * boxWidth) {  // the width limits
    s.width = boxWidth;
    s.height = static_cast<int>((h * boxWidth + w / 2) / w);
  } else {
    s.height = boxHeight;
    s.width = static_cast<int>((w * boxHeight + h / 2) / h);
  }
  if (s.width < 1) s.width = 1;
  if (s.height < 1) s.height = 1;
  return s;
}

FramePicture ScalePicture(const FramePicture& source, int width, int height) {
  FramePicture out;
  if (source.Empty() || !out.Create(width, height)) return out;
  const int sw = source.Width(), sh = source.Height();

  // Horizontal pass into rows of 16-bit samples with 8 fraction bits; a
  // sample sum is at most 255 * 16384, well inside 32 bits.
  const Spans hs = MakeSpans(sw, width);
  std::vector<uint16_t> mid(static_cast<size_t>(width) * 3 * static_cast<size_t>(sh));
  for (int y = 0; y < sh; ++y) {
    const uint8_t* src = source.Row(y);
    uint16_t* dst = mid.data() + static_cast<size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x) {
      const Span& sp = hs.spans[static_cast<size_t>(x)];
      uint32_t acc[3] = {0, 0, 0};
      for (int k = 0; k < sp.count; ++k) {
        const uint32_t wgt = hs.weights[static_cast<size_t>(sp.weightsAt + k)];
        const uint8_t* px = src + static_cast<size_t>(sp.first + k) * 3;
        acc[0] += wgt * px[0];
        acc[1] += wgt * px[1];
        acc[2] += wgt * px[2];
      }
      for (int c = 0; c < 3; ++c)
        dst[x * 3 + c] = static_cast<uint16_t>((static_cast<uint64_t>(acc[c]) * 256 + hs.total / 2) / hs.total);
    }
  }

  // Vertical pass; the sum of 16-bit samples can pass 32 bits for tall
  // pictures, so it is kept in 64.
  const Spans vs = MakeSpans(sh, height);
  const uint64_t div = static_cast<uint64_t>(vs.total) * 256;
  std::vector<uint64_t> acc(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const Span& sp = vs.spans[static_cast<size_t>(y)];
    std::fill(acc.begin(), acc.end(), 0);
    for (int k = 0; k < sp.count; ++k) {
      const uint64_t wgt = vs.weights[static_cast<size_t>(sp.weightsAt + k)];
      const uint16_t* row = mid.data() + static_cast<size_t>(sp.first + k) * width * 3;
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += wgt * row[i];
    }
    uint8_t* dst = out.Row(y);
    for (size_t i = 0; i < acc.size(); ++i) dst[i] = static_cast<uint8_t>((acc[i] + div / 2) / div);
  }
  return out;
}

FramePicture ScaleToFit(const FramePicture& source, int box, bool enlarge) {
  const PictureSize s = FitSize(source.Width(), source.Height(), box, box, enlarge);
  if (s.width == 0) return {};
  return ScalePicture(source, s.width, s.height);
}

}  // namespace klv
