#pragma once
// Reading back the sound a run produced: 16-bit PCM from raw files (SDL's disk
// driver) and from the WAV files klvtool writes, and finding a stretch of
// sound between the silence a sound device plays when it has nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace klv::sample {

// Little-endian 16-bit samples; an odd last byte is left out.
std::vector<int16_t> PcmOfRaw(const std::vector<uint8_t>& bytes);
// The samples of a 16-bit PCM mono 16 kHz WAV file with the plain 44-byte
// header; empty when the file is not exactly that.
std::vector<int16_t> PcmOfWav(const std::vector<uint8_t>& wav);
// The number of silent samples in front of `sound` when `recorded` is
// silence, then `sound` sample for sample, then silence to its end; nothing
// when it is not (or when `sound` is silent throughout and `recorded` is not).
std::optional<size_t> LeadOfSoundInSilence(const std::vector<int16_t>& recorded,
                                           const std::vector<int16_t>& sound);

}  // namespace klv::sample
