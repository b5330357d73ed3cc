#include "support/pcm_compare.h"

#include <algorithm>
#include <string>

namespace klv::sample {

std::vector<int16_t> PcmOfRaw(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> pcm(bytes.size() / 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return pcm;
}

std::vector<int16_t> PcmOfWav(const std::vector<uint8_t>& w) {
  auto u16 = [&](size_t at) { return static_cast<unsigned>(w[at] | w[at + 1] << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (w.size() < 44 || std::string(w.begin(), w.begin() + 4) != "RIFF" || u16(20) != 1 || u16(22) != 1 ||
      u32(24) != 16000 || u16(34) != 16 || std::string(w.begin() + 36, w.begin() + 40) != "data" ||
      u32(4) != w.size() - 8 || u32(40) != w.size() - 44)
    return {};
  return PcmOfRaw({w.begin() + 44, w.end()});
}

size_t SoundInSilence::SilenceBefore(size_t at) const {
  size_t silent = std::min(at, lead);
  for (const auto& [where, length] : gaps) {
    if (where < at) silent += std::min(length, at - where);
  }
  return silent;
}

std::optional<SoundInSilence> FindSoundInSilence(const std::vector<int16_t>& recorded,
                                                 const std::vector<int16_t>& sound, size_t piece) {
  const auto nonZero = [](int16_t v) { return v != 0; };
  const auto silent = [&](size_t from, size_t to) {
    return std::all_of(recorded.begin() + static_cast<std::ptrdiff_t>(from),
                       recorded.begin() + static_cast<std::ptrdiff_t>(to), [](int16_t v) { return v == 0; });
  };
  if (piece == 0) return std::nullopt;
  const size_t soundStart = static_cast<size_t>(std::find_if(sound.begin(), sound.end(), nonZero) - sound.begin());
  const size_t heardStart =
      static_cast<size_t>(std::find_if(recorded.begin(), recorded.end(), nonZero) - recorded.begin());
  SoundInSilence found;
  if (soundStart == sound.size()) {
    // Silence throughout: it lies anywhere in silence that is long enough.
    if (heardStart != recorded.size() || recorded.size() < sound.size()) return std::nullopt;
    return found;
  }
  if (heardStart < soundStart) return std::nullopt;
  found.lead = heardStart - soundStart;
  size_t at = found.lead, next = 0;  // in the recording, in the sound
  while (next < sound.size()) {
    // The rest of this piece: sound as long as it matches, then silence to
    // the piece's end when the device ran out.
    const size_t end = std::min(recorded.size(), (at / piece + 1) * piece);
    if (at == end) return std::nullopt;
    while (at < end && next < sound.size() && recorded[at] == sound[next]) {
      ++at;
      ++next;
    }
    if (at == end || next == sound.size()) continue;
    if (!silent(at, end)) return std::nullopt;
    size_t gapEnd = end;
    // Whole pieces of silence while the device waited.
    while (gapEnd + piece <= recorded.size() && silent(gapEnd, gapEnd + piece) && recorded[gapEnd] != sound[next])
      gapEnd += piece;
    found.gaps.emplace_back(at, gapEnd - at);
    at = gapEnd;
  }
  if (!silent(at, recorded.size())) return std::nullopt;
  return found;
}

}  // namespace klv::sample
