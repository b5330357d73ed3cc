#include "audio/wav_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/ima_adpcm.h"

namespace klv {
namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

struct WavFormat {
  unsigned tag, rate, bytesPerSecond, blockAlign, bitsPerSample;
  std::vector<uint8_t> extra;  // cbSize bytes after the basic record
};

// RIFF "WAVE" with a "fmt " chunk, a "fact" chunk when the format is
// compressed, and the data chunk.
std::vector<uint8_t> Wav(const WavFormat& f, const uint8_t* data, size_t size, uint32_t frames) {
  const bool compressed = f.tag != 1;
  std::vector<uint8_t> fmt;
  Put16(fmt, f.tag);
  Put16(fmt, 1);  // mono
  Put32(fmt, f.rate);
  Put32(fmt, f.bytesPerSecond);
  Put16(fmt, f.blockAlign);
  Put16(fmt, f.bitsPerSample);
  if (compressed) {
    Put16(fmt, static_cast<unsigned>(f.extra.size()));
    fmt.insert(fmt.end(), f.extra.begin(), f.extra.end());
  }
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 0);  // set below
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, static_cast<uint32_t>(fmt.size()));
  out.insert(out.end(), fmt.begin(), fmt.end());
  if (compressed) {
    PutTag(out, "fact");
    Put32(out, 4);
    Put32(out, frames);
  }
  PutTag(out, "data");
  Put32(out, static_cast<uint32_t>(size));
  out.insert(out.end(), data, data + size);
  if (size % 2 != 0) out.push_back(0);
  const uint32_t riff = static_cast<uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  return out;
}

}  // namespace

std::vector<uint8_t> PcmWavBytes(const std::vector<int16_t>& samples, int rate) {
  std::vector<uint8_t> data;
  data.reserve(samples.size() * 2);
  for (int16_t s : samples) Put16(data, static_cast<uint16_t>(s));
  const unsigned r = static_cast<unsigned>(rate);
  return Wav({1, r, r * 2, 2, 16, {}}, data.data(), data.size(), static_cast<uint32_t>(samples.size()));
}

std::vector<uint8_t> ImaAdpcmWavBytes(const uint8_t* adpcm, size_t size) {
  const size_t whole = size / kImaBlockBytes;
  const uint32_t frames =
      static_cast<uint32_t>(whole * kImaBlockSamples + ImaSamplesInBlock(size % kImaBlockBytes));
  return Wav({0x0011, kImaSampleRate, 8110, kImaBlockBytes, 4, {kImaBlockSamples & 0xFF, kImaBlockSamples >> 8}},
             adpcm, size, frames);
}


}  // namespace klv
