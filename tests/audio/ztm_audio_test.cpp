// Real ADPCM sound in .ztm recordings: the stream reader skips audio packets
// by their length, so start-code look-alikes in the sound change nothing;
// every audio byte reaches the sink in order; and the sound in front of
// picture k has the pitch of picture k - 1, which was on show while it was
// recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio/audio_output.h"
#include "audio/ima_adpcm.h"
#include "audio/manual_wave_device.h"
#include "audio_test_util.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "support/adpcm_encoder.h"
#include "support/ztm_writer.h"

namespace klv {
namespace {

// Collects what the reader hands on.
struct CollectingSink : AudioSink {
  void PutAudioBytes(const uint8_t* data, size_t size) override { bytes.insert(bytes.end(), data, data + size); }
  std::vector<uint8_t> bytes;
};

// The tone for `pictures` pictures, with start codes planted in the codes of
// a few blocks (a VOP, a user-data unit, a group of VOPs).
std::vector<uint8_t> ToneWithStartCodes(const sample::SteppingTone& tone, int pictures) {
  std::vector<uint8_t> audio = sample::SteppingToneAdpcm(tone, pictures);
  const uint8_t codes[3][5] = {{0, 0, 1, 0xB6, 0x00}, {0, 0, 1, 0xB2, 0x06}, {0, 0, 1, 0xB3, 0x00}};
  for (size_t i = 0; i < 3; ++i) {
    const size_t at = (7 + 11 * i) * kImaBlockBytes + 40;
    std::copy(codes[i], codes[i] + 5, audio.begin() + static_cast<long>(at));
  }
  return audio;
}

sample::ZtmSpec Plan(const std::vector<uint8_t>& audio) {
  sample::ZtmSpec plan;
  plan.video.encoder.width = 96;
  plan.video.encoder.height = 64;
  plan.video.pictures = 40;
  plan.video.intraPeriod = 10;
  plan.audio = audio;
  return plan;
}

// Frequency of the tone in `pcm` by its zero crossings.
double Hz(const std::vector<int16_t>& pcm) {
  int crossings = 0;
  for (size_t i = 1; i < pcm.size(); ++i) crossings += (pcm[i - 1] < 0) != (pcm[i] < 0);
  return crossings / 2.0 * kImaSampleRate / static_cast<double>(pcm.size());
}

TEST(ZtmAudio, StartCodesInTheSoundChangeNothingAndEveryByteArrives) {
  const sample::SteppingTone tone;
  const sample::ZtmFile z = sample::BuildZtm(Plan(ToneWithStartCodes(tone, 40)));
  // The planted codes are in the file, inside audio packets.
  const uint8_t vop[4] = {0, 0, 1, 0xB6};
  size_t inAudio = 0;
  for (const auto& p : z.pictures) {
    for (size_t k = 0; k < p.audioPacketOffsets.size(); ++k) {
      const auto begin = z.bytes.begin() + static_cast<long>(p.audioPacketOffsets[k] + 8);
      inAudio += std::search(begin, begin + p.audioPacketLengths[k], vop, vop + 4) != begin + p.audioPacketLengths[k];
    }
  }
  EXPECT_EQ(inAudio, 1u);

  // Read as in playback, once with the lead bytes of picture 2 dropped as
  // at the start of a run.
  for (const int startPicture : {-1, 2}) {
    CollectingSink sink;
    Mpeg4Decoder d;
    d.SetAudioSink(&sink);
    d.SetWindowSizeForTesting(4096);  // packets across window edges too
    d.OpenStreamBuffer(z.bytes.data(), z.bytes.size());
    ASSERT_TRUE(d.IsOpen());
    size_t k = 0;
    for (; k < z.pictures.size(); ++k) {
      const bool first = static_cast<int>(k) == startPicture;
      const DecodedFrame f = d.DecodeNextFrame({nullptr, first, true});
      if (f.position <= 0 && !f.decoded) break;
      const int audioLength = f.audioLength;
      const auto& info = z.pictures[k];
      const int credited = info.audioBytes == 0 ? 0 : static_cast<int>(info.audioPacketLengths.back());
      EXPECT_EQ(audioLength, credited - (first ? info.lead : 0)) << k;
    }
    EXPECT_EQ(k, z.pictures.size());
    std::vector<uint8_t> expected = z.audio;
    if (startPicture > 0) {
      ASSERT_GT(z.pictures[2].lead, 0);
      const long from = static_cast<long>(z.pictures[0].audioBytes + z.pictures[1].audioBytes);
      expected.erase(expected.begin() + from, expected.begin() + from + z.pictures[2].lead);
    }
    EXPECT_EQ(sink.bytes, expected);
  }
}

TEST(ZtmAudio, TheSoundInFrontOfAPictureHasThePitchOfThePictureBefore) {
  const sample::SteppingTone tone;
  const sample::ZtmFile z = sample::BuildZtm(Plan(sample::SteppingToneAdpcm(tone, 40)));
  // The recording's sound as one stream: packet k holds audio bytes
  // [floor((k - 1) * 822.5), floor(k * 822.5)); whole blocks inside it are
  // decoded and measured.
  size_t at = 0;
  for (size_t k = 1; k + 1 < z.pictures.size(); ++k) {
    const size_t begin = at, end = at + z.pictures[k].audioBytes;
    at = end;
    const size_t firstBlock = (begin + kImaBlockBytes - 1) / kImaBlockBytes, lastBlock = end / kImaBlockBytes;
    ASSERT_GE(lastBlock, firstBlock + 4) << k;
    // Drop a block at each side: a block may straddle the pitch step.
    const std::vector<uint8_t> inner(z.audio.begin() + static_cast<long>((firstBlock + 1) * kImaBlockBytes),
                                     z.audio.begin() + static_cast<long>((lastBlock - 1) * kImaBlockBytes));
    EXPECT_NEAR(Hz(test::DecodeBlocks(inner)), tone.HzOfPicture(static_cast<int>(k) - 1), 20) << "picture " << k;
  }
}

TEST(ZtmAudio, TheReaderFeedsTheAudioOutputDirectly) {
  const std::vector<uint8_t> audio = test::ToneAdpcm(4);
  const sample::ZtmFile z = sample::BuildZtm(Plan(audio));
  AudioOutput out;
  ManualWaveDevice* device = nullptr;
  out.openDevice = [&](WaveDevice::Completion done) -> std::unique_ptr<WaveDevice> {
    auto d = std::make_unique<ManualWaveDevice>();
    d->Open(std::move(done));
    device = d.get();
    return d;
  };
  ASSERT_TRUE(out.OpenAudio());
  Mpeg4Decoder d;
  d.SetAudioSink(&out);
  ASSERT_GE(d.OpenStreamBuffer(z.bytes.data(), z.bytes.size()), 0);
  for (int i = 0; i < 8; ++i) ASSERT_GT(d.DecodeNextFrame({nullptr, false, true}).position, 0);
  size_t fed = 0;
  for (int i = 0; i < 8; ++i) fed += z.pictures[static_cast<size_t>(i)].audioBytes;
  EXPECT_EQ(out.ringCount(), static_cast<int>(fed));
  ASSERT_EQ(out.StartAudio(5, 3), 5);
  EXPECT_EQ(device->Samples(), test::DecodeBlocks({z.audio.begin(), z.audio.begin() + 3 * 512}));
}

}  // namespace
}  // namespace klv
