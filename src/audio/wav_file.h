#pragma once
// WAV files of the .ztm sound: 16-bit PCM as klvtool writes it, and the
// recordings' own IMA ADPCM format record (format tag 0x0011, 16,000 samples
// a second, 128-byte blocks of 249 samples, 8,110 bytes a second) for tools
// that decode it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klv {

// A 16-bit PCM mono WAV file of `samples` at `rate` samples a second.
std::vector<uint8_t> PcmWavBytes(const std::vector<int16_t>& samples, int rate = 16000);
// An IMA ADPCM WAV file of the camera's format around `size` bytes of blocks.
std::vector<uint8_t> ImaAdpcmWavBytes(const uint8_t* adpcm, size_t size);

}  // namespace klv
