#include "support/adpcm_encoder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace klv::sample {
namespace {

// The published IMA tables, written out here apart from the player's.
constexpr int kSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kIndexChange[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

}  // namespace

uint8_t EncodeImaNibble(AdpcmEncoderState& state, int sample) {
  const int step = kSteps[state.stepIndex];
  int diff = sample - state.predictor;
  uint8_t code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  // Successive approximation, rebuilding the difference exactly as the
  // decoder will (shift and add), so both predictors stay equal.
  int rebuilt = step >> 3;
  if (diff >= step) {
    code |= 4;
    diff -= step;
    rebuilt += step;
  }
  if (diff >= (step >> 1)) {
    code |= 2;
    diff -= step >> 1;
    rebuilt += step >> 1;
  }
  if (diff >= (step >> 2)) {
    code |= 1;
    rebuilt += step >> 2;
  }
  state.predictor = std::clamp((code & 8) ? state.predictor - rebuilt : state.predictor + rebuilt, -32768, 32767);
  state.stepIndex = std::clamp(state.stepIndex + kIndexChange[code & 7], 0, 88);
  return code;
}

void EncodeImaBlock(AdpcmEncoderState& state, const int16_t* samples, size_t count, uint8_t* block) {
  auto at = [&](size_t i) -> int { return count == 0 ? 0 : samples[std::min(i, count - 1)]; };
  state.predictor = at(0);
  block[0] = static_cast<uint8_t>(at(0) & 0xFF);
  block[1] = static_cast<uint8_t>((at(0) >> 8) & 0xFF);
  block[2] = static_cast<uint8_t>(state.stepIndex);
  block[3] = 0;
  for (size_t i = 0; i < kAdpcmBlockBytes - 4; ++i) {
    const uint8_t lo = EncodeImaNibble(state, at(1 + 2 * i));
    const uint8_t hi = EncodeImaNibble(state, at(2 + 2 * i));
    block[4 + i] = static_cast<uint8_t>(lo | hi << 4);
  }
}

std::vector<uint8_t> EncodeImaAdpcm(const std::vector<int16_t>& pcm) {
  const size_t blocks = (pcm.size() + kAdpcmBlockSamples - 1) / kAdpcmBlockSamples;
  std::vector<uint8_t> out(blocks * kAdpcmBlockBytes);
  AdpcmEncoderState state;
  for (size_t b = 0; b < blocks; ++b) {
    const size_t first = b * kAdpcmBlockSamples;
    EncodeImaBlock(state, pcm.data() + first, std::min<size_t>(kAdpcmBlockSamples, pcm.size() - first),
                   out.data() + b * kAdpcmBlockBytes);
  }
  return out;
}

int SteppingTone::SamplesPerPicture() const {
  return static_cast<int>(std::lround(kAdpcmSampleRate / picturesPerSecond));
}

int SteppingTone::PictureOfSample(size_t s) const {
  return static_cast<int>(std::floor(static_cast<double>(s) * picturesPerSecond / kAdpcmSampleRate));
}

std::vector<int16_t> SteppingTonePcm(const SteppingTone& tone, size_t samples) {
  std::vector<int16_t> out(samples);
  double phase = 0;
  for (size_t s = 0; s < samples; ++s) {
    out[s] = static_cast<int16_t>(std::lround(tone.amplitude * std::sin(phase)));
    phase += 2 * std::numbers::pi * tone.HzOfPicture(tone.PictureOfSample(s)) / kAdpcmSampleRate;
    if (phase > 2 * std::numbers::pi) phase -= 2 * std::numbers::pi;
  }
  return out;
}

std::vector<uint8_t> SteppingToneAdpcm(const SteppingTone& tone, int pictures) {
  return EncodeImaAdpcm(SteppingTonePcm(tone, static_cast<size_t>(std::max(pictures, 0)) *
                                                  static_cast<size_t>(tone.SamplesPerPicture())));
}

}  // namespace klv::sample
