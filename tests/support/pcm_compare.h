#pragma once
// Reading back the sound a run produced: 16-bit PCM from raw files (SDL's disk
// driver) and from the WAV files klvtool writes, and finding the sound
// handed to a device in what it recorded, among the silence it plays
// whenever it has nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace klv::sample {

// Little-endian 16-bit samples; an odd last byte is left out.
std::vector<int16_t> PcmOfRaw(const std::vector<uint8_t>& bytes);
// The samples of a 16-bit PCM mono 16 kHz WAV file with the plain 44-byte
// header; empty when the file is not exactly that.
std::vector<int16_t> PcmOfWav(const std::vector<uint8_t>& wav);
// Where `sound` lies in what a device recorded, `piece` samples at a time:
// silence, then `sound` sample for sample, then silence to the end. A device
// that ran out of sound in the middle of a piece fills the piece with
// silence (and may play whole pieces of it) before the sound goes on; such
// gaps are allowed, but no sample of `sound` may be missing, changed or
// moved.
struct SoundInSilence {
  size_t lead = 0;                                // silent samples in front of the sound
  std::vector<std::pair<size_t, size_t>> gaps;    // silence inside it: where in the recording, how long
  size_t SilenceBefore(size_t at) const;          // lead and gap samples in front of recording sample `at`
};
// Nothing when the recording is not that (or when `sound` is silent
// throughout and the recording is not).
std::optional<SoundInSilence> FindSoundInSilence(const std::vector<int16_t>& recorded,
                                                 const std::vector<int16_t>& sound, size_t piece);

}  // namespace klv::sample
