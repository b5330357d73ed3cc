#include "audio/ima_adpcm.h"

#include <algorithm>
#include <cstring>

namespace klv {

const std::array<int16_t, 89> kImaStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const std::array<int8_t, 16> kImaIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// The difference is built by shift and add, step/8 + step (bit 2) + step/2
// (bit 1) + step/4 (bit 0), each term truncated on its own, as the published
// reference decoder and encoder do. The exact product ((2 * code + 1) * step)
// / 8 truncates once and can come out up to 2 larger per code; encoders work
// with this form, so it is the one that keeps their predictor and ours equal.
int16_t ImaExpandNibble(ImaState& state, unsigned nibble) {
  nibble &= 15;
  const int step = kImaStepTable[static_cast<size_t>(state.stepIndex)];
  int diff = step >> 3;
  if (nibble & 4) diff += step;
  if (nibble & 2) diff += step >> 1;
  if (nibble & 1) diff += step >> 2;
  const int predictor = (nibble & 8) ? state.predictor - diff : state.predictor + diff;
  state.predictor = std::clamp(predictor, -32768, 32767);
  state.stepIndex = std::clamp(state.stepIndex + kImaIndexTable[nibble], 0, kImaMaxStepIndex);
  return static_cast<int16_t>(state.predictor);
}

int ImaSamplesInBlock(size_t size) {
  if (size < static_cast<size_t>(kImaHeadBytes)) return 0;
  size = std::min(size, static_cast<size_t>(kImaBlockBytes));
  return 1 + 2 * static_cast<int>(size - kImaHeadBytes);
}

int DecodeImaBlock(const uint8_t* block, size_t size, int16_t* out) {
  const int samples = ImaSamplesInBlock(size);
  if (samples == 0) return 0;
  ImaState state;
  state.predictor = static_cast<int16_t>(block[0] | block[1] << 8);
  state.stepIndex = std::min<int>(block[2], kImaMaxStepIndex);
  out[0] = static_cast<int16_t>(state.predictor);
  const int codes = (samples - 1) / 2;
  for (int i = 0; i < codes; ++i) {
    const unsigned b = block[kImaHeadBytes + i];
    out[1 + 2 * i] = ImaExpandNibble(state, b & 15);
    out[2 + 2 * i] = ImaExpandNibble(state, b >> 4);
  }
  return samples;
}

void ImaBlockStream::Put(const uint8_t* data, size_t size, std::vector<int16_t>& out) {
  if (size == 0) return;
  auto decodeInto = [&out](const uint8_t* block) {
    const size_t at = out.size();
    out.resize(at + kImaBlockSamples);
    DecodeImaBlock(block, kImaBlockBytes, out.data() + at);
  };
  if (held_ > 0) {
    const size_t take = std::min(size, kImaBlockBytes - held_);
    std::memcpy(partial_.data() + held_, data, take);
    held_ += take;
    data += take;
    size -= take;
    if (held_ < static_cast<size_t>(kImaBlockBytes)) return;
    decodeInto(partial_.data());
    held_ = 0;
  }
  for (; size >= static_cast<size_t>(kImaBlockBytes); data += kImaBlockBytes, size -= kImaBlockBytes)
    decodeInto(data);
  if (size > 0) std::memcpy(partial_.data(), data, size);
  held_ = size;
}

void ImaBlockStream::Flush(std::vector<int16_t>& out) {
  if (held_ == 0) return;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(ImaSamplesInBlock(held_)));
  DecodeImaBlock(partial_.data(), held_, out.data() + at);
  held_ = 0;
}

}  // namespace klv
