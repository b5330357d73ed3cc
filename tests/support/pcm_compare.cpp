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

std::optional<size_t> LeadOfSoundInSilence(const std::vector<int16_t>& recorded,
                                           const std::vector<int16_t>& sound) {
  const auto nonZero = [](int16_t v) { return v != 0; };
  const auto silent = [](auto begin, auto end) { return std::all_of(begin, end, [](int16_t v) { return v == 0; }); };
  const size_t soundStart = static_cast<size_t>(std::find_if(sound.begin(), sound.end(), nonZero) - sound.begin());
  const size_t heardStart =
      static_cast<size_t>(std::find_if(recorded.begin(), recorded.end(), nonZero) - recorded.begin());
  if (soundStart == sound.size()) {
    // Silence throughout: it lies anywhere in silence that is long enough.
    if (heardStart != recorded.size() || recorded.size() < sound.size()) return std::nullopt;
    return 0;
  }
  if (heardStart < soundStart) return std::nullopt;
  const size_t lead = heardStart - soundStart;
  if (recorded.size() - lead < sound.size()) return std::nullopt;
  const auto end = recorded.begin() + static_cast<std::ptrdiff_t>(lead + sound.size());
  if (!std::equal(sound.begin(), sound.end(), recorded.begin() + static_cast<std::ptrdiff_t>(lead)) ||
      !silent(end, recorded.end()))
    return std::nullopt;
  return lead;
}

}  // namespace klv::sample
