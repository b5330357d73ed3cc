#pragma once
// Sound for `.ztm` test and demo recordings: an IMA ADPCM encoder (mono,
// 128-byte blocks of 249 samples, as the camera records) and a test signal
// whose pitch steps with the picture on show, so that a drift between
// pictures and sound can be heard and measured.
//
//   klv::sample::SteppingTone tone;                 // 10 pictures a second
//   std::vector<int16_t> pcm = SteppingTonePcm(tone, 30 * tone.SamplesPerPicture());
//   std::vector<uint8_t> adpcm = EncodeImaAdpcm(pcm); // whole blocks
//   ztmPlan.audio = adpcm;

#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv::sample {

inline constexpr int kAdpcmBlockBytes = 128;
inline constexpr int kAdpcmBlockSamples = 249;
inline constexpr int kAdpcmSampleRate = 16000;

// The encoder's running state: the predictor and step index the decoder
// will have after the same codes.
struct AdpcmEncoderState {
  int predictor = 0;
  int stepIndex = 0;
};

// One 4-bit code for `sample`; updates the state as a decoder would.
uint8_t EncodeImaNibble(AdpcmEncoderState& state, int sample);

// Encodes 249 samples (fewer: the last one repeats) into one 128-byte block;
// the block head carries samples[0] and the state's step index.
void EncodeImaBlock(AdpcmEncoderState& state, const int16_t* samples, size_t count, uint8_t* block);

// Whole blocks for `pcm` (the last block padded with its last sample).
std::vector<uint8_t> EncodeImaAdpcm(const std::vector<int16_t>& pcm);

// A sine tone of baseHz + stepHz * (p mod steps) while picture p is on show,
// with a continuous phase.
struct SteppingTone {
  double picturesPerSecond = 10.0;
  int baseHz = 500;
  int stepHz = 125;
  int steps = 8;
  int amplitude = 9000;
  int HzOfPicture(int picture) const { return baseHz + stepHz * (picture % steps); }
  // Samples at 16 kHz while one picture is on show (rounded).
  int SamplesPerPicture() const;
  // The picture on show at sample s.
  int PictureOfSample(size_t s) const;
};

std::vector<int16_t> SteppingTonePcm(const SteppingTone& tone, size_t samples);

// The tone as recorded sound for `pictures` pictures: whole ADPCM blocks.
std::vector<uint8_t> SteppingToneAdpcm(const SteppingTone& tone, int pictures);

}  // namespace klv::sample
