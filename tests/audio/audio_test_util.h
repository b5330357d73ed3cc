#pragma once
// Helpers of the audio tests: test sound, whole-stream decoding and ffmpeg.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/ima_adpcm.h"

namespace klv::test {

// The stepping tone of the sample writer, `seconds` long, as ADPCM blocks.
std::vector<uint8_t> ToneAdpcm(double seconds, int baseHz = 500);
// Every whole block of `adpcm`, decoded in order with our decoder.
std::vector<int16_t> DecodeBlocks(const std::vector<uint8_t>& adpcm,
                                  ImaDifference form = ImaDifference::ShiftAdd);
// Whole blocks with valid heads (step index 0..88, reserved 0) and random codes.
std::vector<uint8_t> RandomBlocks(uint32_t seed, int blocks);
// ffmpeg's decode of `adpcm` wrapped in the recordings' WAV format; nothing
// when ffmpeg is not there or fails.
std::optional<std::vector<int16_t>> FfmpegDecode(const std::vector<uint8_t>& adpcm);
// A fresh temporary path.
std::string TempPath(const std::string& name);

}  // namespace klv::test
