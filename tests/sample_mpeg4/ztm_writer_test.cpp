// The `.ztm` writer: side packets walked from the bytes the way the player
// reads them.

#include <gtest/gtest.h>

#include <algorithm>

#include "sample_mpeg4/mpeg4_header_reader.h"
#include "support/ztm_writer.h"

namespace klv::sample {
namespace {

struct Packet {
  size_t offset;
  int type;
  uint32_t length;
  std::vector<uint8_t> body;
};

struct WalkedPicture {
  std::vector<Packet> packets;
  size_t vopOffset = 0;
  int codingType = -1;
};

// From the end of the headers: side packets by their length fields, then one
// picture (group-of-VOP and VOP) up to the next start code.
std::vector<WalkedPicture> Walk(const std::vector<uint8_t>& b, size_t from) {
  std::vector<WalkedPicture> out;
  size_t at = from;
  auto startCode = [&](size_t p) { return p + 4 <= b.size() && b[p] == 0 && b[p + 1] == 0 && b[p + 2] == 1; };
  while (at < b.size()) {
    WalkedPicture w;
    while (at < b.size() && b[at] == 0 && !startCode(at)) ++at;  // zero filler
    while (startCode(at) && b[at + 3] == 0xB2) {
      Packet p {at, b[at + 6], static_cast<uint32_t>(b[at + 4] | b[at + 5] << 8), {}};
      p.body.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 7),
                    b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 8 + p.length)));
      w.packets.push_back(std::move(p));
      at += 8 + w.packets.back().length;
      while (at < b.size() && b[at] == 0 && !startCode(at)) ++at;
    }
    if (!startCode(at)) break;
    w.vopOffset = at;
    if (b[at + 3] == 0xB3) at += 7;
    if (!startCode(at) || b[at + 3] != 0xB6) break;
    w.codingType = b[at + 4] >> 6;
    at += 4;
    while (at < b.size() && !startCode(at)) ++at;
    out.push_back(std::move(w));
  }
  return out;
}

ZtmSpec Small(int pictures) {
  ZtmSpec z;
  z.video.encoder.width = 64;
  z.video.encoder.height = 48;
  z.video.pictures = pictures;
  z.video.intraPeriod = 4;
  return z;
}

TEST(ZtmWriter, ElapsedTime) {
  EXPECT_EQ(ZtmElapsedHundredths(0, 0), 0u);
  EXPECT_EQ(ZtmElapsedHundredths(8225, 0), 98u);  // (8225 * 249 >> 7) / 162
  EXPECT_EQ(ZtmElapsedHundredths(8225, 1), 196u);
  EXPECT_EQ(ZtmElapsedHundredths(0xFFFFFFFFu, 0), static_cast<uint32_t>(((0xFFFFFFFFull * 249) >> 7) / 162));
}

TEST(ZtmWriter, LayoutAsThePlayerReadsIt) {
  ZtmSpec z = Small(9);
  const ZtmFile f = BuildZtm(z);
  const auto h = test::ReadStreamHeaders(f.bytes);
  ASSERT_TRUE(h.accepted) << h.refusal;
  ASSERT_EQ(h.headerLength, f.headerLength);
  const auto walked = Walk(f.bytes, f.headerLength);
  ASSERT_EQ(walked.size(), 9u);
  std::vector<uint8_t> audio;
  uint64_t audioSoFar = 0;
  for (size_t k = 0; k < 9; ++k) {
    const WalkedPicture& w = walked[k];
    const ZtmPictureInfo& info = f.pictures[k];
    EXPECT_EQ(w.vopOffset, info.vopOffset) << k;
    EXPECT_EQ(w.codingType, k % 4 == 0 ? 0 : 1) << k;
    const bool intra = k % 4 == 0;
    size_t audioPackets = 0;
    for (const Packet& p : w.packets) {
      if (p.type < 0x80) {
        ++audioPackets;
        const uint8_t lead = p.body[0];
        EXPECT_EQ((audio.size() + lead) % 128, 0u) << k;  // the lead ends where a block begins
        audio.insert(audio.end(), p.body.begin() + 1, p.body.end());
        audioSoFar += p.length;
      }
    }
    EXPECT_EQ(audioPackets, k == 0 ? 0u : 1u) << k;  // picture k carries the sound of picture k - 1
    if (k > 0) {
      EXPECT_NEAR(info.audioBytes, 822.5, 1.0) << k;
    }
    if (intra) {
      ASSERT_FALSE(w.packets.empty());
      const Packet& t = w.packets.back();
      EXPECT_EQ(t.offset + 14, w.vopOffset) << k;  // immediately in front of the VOP
      EXPECT_TRUE(std::equal(f.bytes.begin() + static_cast<std::ptrdiff_t>(t.offset),
                             f.bytes.begin() + static_cast<std::ptrdiff_t>(t.offset + 7),
                             std::vector<uint8_t> {0, 0, 1, 0xB2, 6, 0, 0x82}.begin()));
      const uint32_t count = t.body[3] | t.body[4] << 8 | t.body[5] << 16 | static_cast<uint32_t>(t.body[6]) << 24;
      EXPECT_EQ(count, audioSoFar) << k;
      EXPECT_EQ(info.elapsedHundredths, ZtmElapsedHundredths(count, 0));
    } else {
      for (const Packet& p : w.packets) EXPECT_NE(p.type, 0x82) << k;
    }
  }
  EXPECT_EQ(audio, f.audio);
  EXPECT_EQ(audio, GenerateAudioBytes(0, audio.size()));
  // Generated sound never imitates a start code.
  for (size_t i = 0; i + 2 < audio.size(); ++i) EXPECT_FALSE(audio[i] == 0 && audio[i + 1] == 0) << i;
}

TEST(ZtmWriter, AudioOptions) {
  ZtmSpec z = Small(5);
  z.audioBeforeFirstPicture = true;
  z.audioPacketsPerPicture = 3;
  z.audioBytesPerPicture = 300;
  z.leadBytes = false;
  z.audio = {1, 2, 3, 4, 5, 6, 7};
  z.timePackets = ZtmSpec::TimePackets::BeforeEvery;
  z.timeShift = 2;
  z.timeCountBase = 1000;
  const ZtmFile f = BuildZtm(z);
  const auto walked = Walk(f.bytes, f.headerLength);
  ASSERT_EQ(walked.size(), 5u);
  for (size_t k = 0; k < 5; ++k) {
    const auto& w = walked[k];
    ASSERT_EQ(w.packets.size(), 4u) << k;  // three audio packets and a time packet
    uint32_t bytes = 0;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(w.packets[i].body[0], 0) << k;
      bytes += w.packets[i].length;
    }
    EXPECT_EQ(bytes, 300u);
    EXPECT_EQ(w.packets[3].type, 0x82);
    EXPECT_EQ(w.packets[3].body[0], 2);
    EXPECT_EQ(f.pictures[k].timeCount, 1000u + 300u * (k + 1));
    EXPECT_EQ(f.pictures[k].elapsedHundredths, ZtmElapsedHundredths(1000 + 300 * static_cast<uint32_t>(k + 1), 2));
  }
  for (size_t i = 0; i < f.audio.size(); ++i) ASSERT_EQ(f.audio[i], z.audio[i % 7]);
}

TEST(ZtmWriter, PacketsStraddleWindowEdges) {
  ZtmSpec z = Small(6);
  constexpr uint64_t kMiB = 1u << 20;
  z.straddles = {{.picture = 2, .item = ZtmStraddle::Item::AudioPacket, .edge = kMiB, .bytesBeforeEdge = 100},
                 {.picture = 4, .item = ZtmStraddle::Item::TimePacket, .edge = 2 * kMiB, .bytesBeforeEdge = 5},
                 {.picture = 5, .item = ZtmStraddle::Item::Vop, .edge = 2 * kMiB + 65536, .bytesBeforeEdge = 3},
                 {.picture = 5, .item = ZtmStraddle::Item::Vop, .edge = kMiB, .bytesBeforeEdge = 0}};  // already past
  z.extraPackets = {{.beforePicture = 1, .type = 0x81, .body = {9, 9, 9}}};
  const ZtmFile f = BuildZtm(z);
  EXPECT_EQ(f.straddlesMissed, 1);
  EXPECT_EQ(f.pictures[2].audioPacketOffsets.at(0), kMiB - 100);
  EXPECT_EQ(static_cast<uint64_t>(f.pictures[4].timePacketOffset), 2 * kMiB - 5);
  EXPECT_EQ(f.pictures[5].vopOffset, 2 * kMiB + 65536 - 3);
  // The filler is packets the player skips, and the walk still finds every picture.
  const auto walked = Walk(f.bytes, f.headerLength);
  ASSERT_EQ(walked.size(), 6u);
  EXPECT_EQ(walked[1].packets.front().type, 0x81);
  for (size_t k = 0; k < 6; ++k) EXPECT_EQ(walked[k].vopOffset, f.pictures[k].vopOffset);
  EXPECT_EQ(walked[2].packets.front().type, kZtmFillerType);
}

}  // namespace
}  // namespace klv::sample
