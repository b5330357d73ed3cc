#include "audio_test_util.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "audio/ima_adpcm.h"
#include "audio/wav_file.h"
#include "support/adpcm_encoder.h"
#include "support/avi_writer.h"

namespace klv::test {

std::vector<uint8_t> ToneAdpcm(double seconds, int baseHz) {
  sample::SteppingTone tone;
  tone.baseHz = baseHz;
  return sample::EncodeImaAdpcm(sample::SteppingTonePcm(tone, static_cast<size_t>(seconds * 16000)));
}

std::vector<int16_t> DecodeBlocks(const std::vector<uint8_t>& adpcm, ImaDifference form) {
  std::vector<int16_t> out;
  for (size_t at = 0; at + kImaBlockBytes <= adpcm.size(); at += kImaBlockBytes) {
    int16_t block[kImaBlockSamples];
    DecodeImaBlock(adpcm.data() + at, kImaBlockBytes, block, form);
    out.insert(out.end(), block, block + kImaBlockSamples);
  }
  return out;
}

std::vector<uint8_t> RandomBlocks(uint32_t seed, int blocks) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(static_cast<size_t>(blocks) * kImaBlockBytes);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(rng());
  for (size_t b = 0; b < out.size(); b += kImaBlockBytes) {
    out[b + 2] = static_cast<uint8_t>(rng() % 89);
    out[b + 3] = 0;
  }
  return out;
}

std::string TempPath(const std::string& name) {
  static int n = 0;
  return (std::filesystem::temp_directory_path() /
          ("klv_audio_" + std::to_string(::getpid()) + "_" + std::to_string(n++) + "_" + name))
      .string();
}

std::optional<std::vector<int16_t>> FfmpegDecode(const std::vector<uint8_t>& adpcm) {
  const std::string wav = TempPath("in.wav"), raw = TempPath("out.raw");
  if (!sample::WriteBytes(wav, ImaAdpcmWavBytes(adpcm.data(), adpcm.size()))) return std::nullopt;
  const std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y -i " + wav +
                          " -f s16le -acodec pcm_s16le " + raw + " >/dev/null 2>&1";
  const int rc = std::system(cmd.c_str());
  std::optional<std::vector<int16_t>> result;
  if (rc == 0) {
    const std::vector<uint8_t> bytes = sample::ReadBytes(raw);
    std::vector<int16_t> pcm(bytes.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
      pcm[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    result = std::move(pcm);
  }
  std::remove(wav.c_str());
  std::remove(raw.c_str());
  return result;
}

}  // namespace klv::test
