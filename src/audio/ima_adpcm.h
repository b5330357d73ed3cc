#pragma once
// The sound format of .ztm recordings: IMA ADPCM, mono, 4 bits a sample, in
// 128-byte blocks of 249 samples. A block starts with a 4-byte head (the
// first sample as a 16-bit little-endian integer, the step index, one
// reserved byte); its other 124 bytes carry 248 samples, low nibble first.
//
// Blocks are decoded one at a time (DecodeImaBlock) or from a byte stream
// that arrives in pieces of any size (ImaBlockStream).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv {

inline constexpr int kImaBlockBytes = 128;
inline constexpr int kImaBlockSamples = 249;
inline constexpr int kImaHeadBytes = 4;
inline constexpr int kImaMaxStepIndex = 88;
inline constexpr int kImaSampleRate = 16000;

// The published tables: 89 quantiser steps and the step index change per
// 4-bit code.
extern const std::array<int16_t, 89> kImaStepTable;
extern const std::array<int8_t, 16> kImaIndexTable;

// The two published forms of a code's difference. ShiftAdd, the reference
// decoder's step/8 + step (bit 2) + step/2 (bit 1) + step/4 (bit 0) with each
// term truncated, is what playback uses: encoders rebuild their predictor
// this way, so decoder and encoder stay equal. Multiply, (2 * code + 1) *
// step / 8 truncated once, is up to 2 larger per code, so samples of the two
// forms drift apart by at most 2 per code within a block (a block head
// realigns them). ffmpeg decodes with Multiply.
enum class ImaDifference { ShiftAdd, Multiply };

// The predictor and step index carried from one code to the next.
struct ImaState {
  int predictor = 0;
  int stepIndex = 0;
};

// One 4-bit code: updates `state` and returns the new sample.
int16_t ImaExpandNibble(ImaState& state, unsigned nibble, ImaDifference form = ImaDifference::ShiftAdd);

// Samples a block of `size` bytes yields: 249 for a whole block, fewer for a
// short one (1 + 2 per byte after the head), none without a whole head.
int ImaSamplesInBlock(size_t size);

// Decodes one block of `size` bytes (at most 128 are read) into `out`, which
// has room for ImaSamplesInBlock(size) samples; returns that count. A step
// index above 88 in the head is taken as 88.
int DecodeImaBlock(const uint8_t* block, size_t size, int16_t* out,
                   ImaDifference form = ImaDifference::ShiftAdd);

// Blocks from a byte stream handed over in arbitrary pieces: whole blocks are
// decoded as they complete; the bytes of an unfinished block are kept for
// the next piece.
class ImaBlockStream {
 public:
  // Appends the samples of every block the piece completes to `out`.
  void Put(const uint8_t* data, size_t size, std::vector<int16_t>& out);
  // Appends the samples of the unfinished block, as a short block, and
  // forgets it.
  void Flush(std::vector<int16_t>& out);
  // Forgets the unfinished block (a new stream starts with a block head).
  void Reset() { held_ = 0; }
  // Bytes of the unfinished block held.
  size_t held() const { return held_; }

 private:
  std::array<uint8_t, kImaBlockBytes> partial_ {};
  size_t held_ = 0;
};

}  // namespace klv
