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

namespace {

template <ImaDifference kForm>
inline int16_t Expand(ImaState& state, unsigned nibble) {
  const int step = kImaStepTable[static_cast<size_t>(state.stepIndex)];
  int diff;
  if constexpr (kForm == ImaDifference::Multiply) {
    diff = ((2 * static_cast<int>(nibble & 7) + 1) * step) >> 3;
  } else {
    diff = step >> 3;
    if (nibble & 4) diff += step;
    if (nibble & 2) diff += step >> 1;
    if (nibble & 1) diff += step >> 2;
  }
  const int predictor = (nibble & 8) ? state.predictor - diff : state.predictor + diff;
  state.predictor = std::clamp(predictor, -32768, 32767);
  state.stepIndex = std::clamp(state.stepIndex + kImaIndexTable[nibble], 0, kImaMaxStepIndex);
  return static_cast<int16_t>(state.predictor);
}

template <ImaDifference kForm>
void ExpandCodes(ImaState& state, const uint8_t* codes, int count, int16_t* out) {
  for (int i = 0; i < count; ++i) {
    const unsigned b = codes[i];
    out[2 * i] = Expand<kForm>(state, b & 15);
    out[2 * i + 1] = Expand<kForm>(state, b >> 4);
  }
}

}  // namespace

int16_t ImaExpandNibble(ImaState& state, unsigned nibble, ImaDifference form) {
  return form == ImaDifference::Multiply ? Expand<ImaDifference::Multiply>(state, nibble & 15)
                                         : Expand<ImaDifference::ShiftAdd>(state, nibble & 15);
}

int ImaSamplesInBlock(size_t size) {
  if (size < static_cast<size_t>(kImaHeadBytes)) return 0;
  size = std::min(size, static_cast<size_t>(kImaBlockBytes));
  return 1 + 2 * static_cast<int>(size - kImaHeadBytes);
}

int DecodeImaBlock(const uint8_t* block, size_t size, int16_t* out, ImaDifference form) {
  const int samples = ImaSamplesInBlock(size);
  if (samples == 0) return 0;
  ImaState state;
  state.predictor = static_cast<int16_t>(block[0] | block[1] << 8);
  state.stepIndex = std::min<int>(block[2], kImaMaxStepIndex);
  out[0] = static_cast<int16_t>(state.predictor);
  const int codes = (samples - 1) / 2;
  if (form == ImaDifference::Multiply) {
    ExpandCodes<ImaDifference::Multiply>(state, block + kImaHeadBytes, codes, out + 1);
  } else {
    ExpandCodes<ImaDifference::ShiftAdd>(state, block + kImaHeadBytes, codes, out + 1);
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
