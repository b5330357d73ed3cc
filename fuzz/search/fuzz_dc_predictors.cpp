// The motion search's DC-only pass over one raw frame's entropy-coded data,
// against the same pass step by step with the decoder's public primitives:
// the same predictors, the same stop, the same reader position, and no read
// outside the data.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/jpeg/jpeg_decoder.h"
#include "search/dc_model.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the MCU count; the rest: a frame (headers and data) whose
  // header walk may load DC tables, or bare entropy-coded data.
  const int mcus = 1 + data[0] % 64;
  const std::vector<uint8_t> frame(data + 1, data + size);
  klv::JpegDecoder fast, model;
  int p = fast.ParseHeaders(frame.data(), frame.size(), nullptr, nullptr, nullptr, nullptr);
  model.ParseHeaders(frame.data(), frame.size(), nullptr, nullptr, nullptr, nullptr);
  if (p <= 0) p = 0;
  const uint8_t* scan = frame.data() + p;
  const size_t scanSize = frame.size() - static_cast<size_t>(p);
  std::vector<int32_t> a(static_cast<size_t>(mcus) * 6, 0x5A5A5A5A), b(a);
  const int na = fast.DecodeDcPredictors(scan, scanSize, mcus, a.data());
  const int nb = klv::searchtest::ModelDcPredictors(model, scan, scanSize, mcus, b.data());
  Check(na == nb);
  Check(a == b);
  Check(fast.JpegError() == model.JpegError());
  Check(fast.BytesRead() == model.BytesRead());
  return 0;
}
