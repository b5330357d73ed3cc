// The IMA ADPCM decoder: sample for sample against ffmpeg, the streaming
// decoder against the block decoder, damaged and short blocks, and the
// sample writer's encoder through our decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "audio/ima_adpcm.h"
#include "audio_test_util.h"
#include "support/adpcm_encoder.h"

namespace klv {
namespace {

// Our encoder's tone, random codes, and blocks that drive the predictor into
// both clamps with the largest steps.
std::vector<uint8_t> CrossCheckBytes() {
  std::vector<uint8_t> bytes = test::ToneAdpcm(1.5);
  const std::vector<uint8_t> random = test::RandomBlocks(7, 200);
  bytes.insert(bytes.end(), random.begin(), random.end());
  for (int sign = 0; sign < 2; ++sign) {
    std::vector<uint8_t> block(kImaBlockBytes, sign == 0 ? 0x77 : 0xFF);
    block[0] = sign == 0 ? 0x00 : 0x01;
    block[1] = sign == 0 ? 0x70 : 0x80;
    block[2] = 80;
    block[3] = 0;
    bytes.insert(bytes.end(), block.begin(), block.end());
  }
  return bytes;
}

// ffmpeg decodes with the exact product: that form must agree with it
// sample for sample (tables, nibble order, clamps, block layout); playback's
// shift-and-add form may lie above or below by at most 2 per code since the
// block head.
TEST(ImaAdpcm, AgreesWithFfmpeg) {
  const std::vector<uint8_t> bytes = CrossCheckBytes();
  const auto theirs = test::FfmpegDecode(bytes);
  if (!theirs) GTEST_SKIP() << "ffmpeg cannot decode here";
  const std::vector<int16_t> exact = test::DecodeBlocks(bytes, ImaDifference::Multiply);
  const std::vector<int16_t> ours = test::DecodeBlocks(bytes);
  ASSERT_EQ(ours.size(), bytes.size() / kImaBlockBytes * kImaBlockSamples);
  ASSERT_EQ(theirs->size(), ours.size());
  size_t differing = 0, first = ours.size(), beyondBound = 0, formsDiffer = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    if (exact[i] != (*theirs)[i] && differing++ == 0) first = i;
    const int codesSinceHead = static_cast<int>(i % kImaBlockSamples);
    beyondBound += std::abs(ours[i] - (*theirs)[i]) > 2 * codesSinceHead;
    formsDiffer += ours[i] != exact[i];
  }
  EXPECT_EQ(differing, 0u) << "first difference at sample " << first;
  EXPECT_EQ(beyondBound, 0u);
  EXPECT_GT(formsDiffer, 0u);  // the data tells the forms apart
  // The clamp blocks reach both ends of the range.
  const auto [lo, hi] = std::minmax_element(ours.end() - 2 * kImaBlockSamples, ours.end());
  EXPECT_EQ(*lo, -32768);
  EXPECT_EQ(*hi, 32767);
}

TEST(ImaAdpcm, StreamOfAnyPiecesEqualsBlockDecoding) {
  const std::vector<uint8_t> bytes = test::RandomBlocks(11, 40);
  const std::vector<int16_t> expected = test::DecodeBlocks(bytes);
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    ImaBlockStream stream;
    std::vector<int16_t> got;
    for (size_t at = 0; at < bytes.size();) {
      const size_t piece = std::min<size_t>(bytes.size() - at, rng() % (round < 10 ? 9 : 700));
      stream.Put(bytes.data() + at, piece, got);
      at += piece;
      EXPECT_EQ(got.size(), at / kImaBlockBytes * kImaBlockSamples);
      EXPECT_EQ(stream.held(), at % kImaBlockBytes);
    }
    ASSERT_EQ(got, expected) << "round " << round;
  }
}

TEST(ImaAdpcm, ResetDropsTheUnfinishedBlockAndFlushDecodesItShort) {
  const std::vector<uint8_t> bytes = test::RandomBlocks(5, 2);
  ImaBlockStream stream;
  std::vector<int16_t> got;
  stream.Put(bytes.data() + 128, 60, got);  // a block's first 60 bytes, then a new stream
  stream.Reset();
  stream.Put(bytes.data(), 128, got);
  EXPECT_EQ(got, test::DecodeBlocks({bytes.begin(), bytes.begin() + 128}));

  got.clear();
  stream.Put(bytes.data() + 128, 10, got);
  stream.Flush(got);
  int16_t shortBlock[kImaBlockSamples];
  ASSERT_EQ(DecodeImaBlock(bytes.data() + 128, 10, shortBlock), 13);  // head + 6 bytes
  EXPECT_EQ(got, std::vector<int16_t>(shortBlock, shortBlock + 13));
  EXPECT_EQ(stream.held(), 0u);
}

// Each block sits at the very end of its own allocation, so a read past it
// is caught by the address sanitizer.
int DecodeExact(const std::vector<uint8_t>& bytes, std::vector<int16_t>& out) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
  if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
  out.assign(kImaBlockSamples, 0x5A5A);
  return DecodeImaBlock(copy.get(), bytes.size(), out.data());
}

TEST(ImaAdpcm, DamagedBlocksDecodeInsideTheirBytes) {
  std::vector<uint8_t> block = test::RandomBlocks(9, 1);
  std::vector<int16_t> out, clamped;
  // A step index beyond the table is the last step.
  block[2] = 200;
  ASSERT_EQ(DecodeExact(block, out), kImaBlockSamples);
  block[2] = 88;
  ASSERT_EQ(DecodeExact(block, clamped), kImaBlockSamples);
  EXPECT_EQ(out, clamped);
  // Short blocks: nothing without a whole head, else the head and two
  // samples a byte; samples past them are not touched.
  for (size_t size : {0u, 1u, 3u, 4u, 5u, 77u, 127u}) {
    const std::vector<uint8_t> part(block.begin(), block.begin() + static_cast<long>(size));
    const int n = DecodeExact(part, out);
    EXPECT_EQ(n, size < 4 ? 0 : 1 + 2 * (static_cast<int>(size) - 4)) << size;
    EXPECT_EQ(n, ImaSamplesInBlock(size));
    for (int i = 0; i < n; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], clamped[static_cast<size_t>(i)]);
    for (int i = n; i < kImaBlockSamples; ++i) ASSERT_EQ(out[static_cast<size_t>(i)], 0x5A5A);
  }
  // More than a block: only the block is read.
  block.resize(300, 0x33);
  EXPECT_EQ(DecodeExact(block, out), kImaBlockSamples);
  EXPECT_EQ(out, clamped);
}

TEST(ImaAdpcm, SampleWriterToneSurvivesEncodingAndKeepsItsPitch) {
  sample::SteppingTone tone;
  const std::vector<int16_t> pcm = sample::SteppingTonePcm(tone, 16000);
  const std::vector<uint8_t> adpcm = sample::EncodeImaAdpcm(pcm);
  ASSERT_EQ(adpcm.size(), (16000 + 248) / 249 * 128u);
  const std::vector<int16_t> back = test::DecodeBlocks(adpcm);
  ASSERT_GE(back.size(), pcm.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < pcm.size(); ++i) {
    signal += static_cast<double>(pcm[i]) * pcm[i];
    noise += std::pow(static_cast<double>(pcm[i]) - back[i], 2);
    if (i % kImaBlockSamples == 0) {
      EXPECT_EQ(back[i], pcm[i]) << "block head sample " << i;
    }
  }
  // The encoder's own predictor is what playback decodes, code for code.
  sample::AdpcmEncoderState state;
  for (size_t i = 0; i < pcm.size(); ++i) {
    if (i % kImaBlockSamples == 0) {
      state.predictor = pcm[i];
      continue;
    }
    sample::EncodeImaNibble(state, pcm[i]);
    ASSERT_EQ(state.predictor, back[i]) << i;
  }
  EXPECT_GT(10 * std::log10(signal / noise), 25.0);
  // The pitch of picture p: zero crossings in its 1600 samples.
  for (int p = 0; p < 10; ++p) {
    int crossings = 0;
    for (size_t i = static_cast<size_t>(p) * 1600 + 1; i < static_cast<size_t>(p + 1) * 1600; ++i)
      crossings += (back[i - 1] < 0) != (back[i] < 0);
    EXPECT_NEAR(crossings / 2.0 / 0.1, tone.HzOfPicture(p), 15) << "picture " << p;
  }
}

}  // namespace
}  // namespace klv
