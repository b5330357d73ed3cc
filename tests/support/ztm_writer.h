#pragma once
// The camera's `.ztm` recordings: an MPEG-4 stream whose pictures are preceded
// by side packets in user-data units (00 00 01 B2, 16-bit little-endian
// length, type byte, length + 1 body bytes):
//   - audio packets (type below 0x80): lead count, then `length` ADPCM bytes;
//     the packets in front of picture k carry the sound recorded while
//     picture k - 1 was on show;
//   - time packets (type 0x82, length 6): shift, two unused bytes, 32-bit
//     count of audio bytes; placed immediately in front of an intra VOP;
//   - other types, which the player skips (used here as filler).
//
//   klv::sample::ZtmSpec plan;                 // 10 pictures, 10 a second, time packets before I-VOPs
//   plan.video.intraPeriod = 5;
//   klv::sample::ZtmFile z = klv::sample::BuildZtm(plan);
//   // z.bytes, z.pictures[k].vopOffset / audioBytes / lead / elapsedHundredths ...

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/mpeg4_stream.h"

namespace klv::sample {

inline constexpr uint8_t kZtmAudioType = 0x01;
inline constexpr uint8_t kZtmTimeType = 0x82;
inline constexpr uint8_t kZtmFillerType = 0x80;

// One side packet; body.size() must be 1 .. 65536 (length = size - 1).
std::vector<uint8_t> ZtmPacket(uint8_t type, const std::vector<uint8_t>& body);
// Audio packet: lead byte, then the audio bytes (at most 65535).
std::vector<uint8_t> ZtmAudioPacket(const uint8_t* audio, size_t n, uint8_t lead,
                                    uint8_t type = kZtmAudioType);
// Time packet, 14 bytes.
std::vector<uint8_t> ZtmTimePacket(uint32_t count, uint8_t shift = 0);
// A skipped packet of exactly `total` bytes (total >= 8), body filled with 0x5A.
std::vector<uint8_t> ZtmFillerPacket(size_t total);
// The player's elapsed time of a time packet, in hundredths of a second.
uint32_t ZtmElapsedHundredths(uint32_t count, uint8_t shift);

// Generated stand-in for IMA ADPCM data: 128-byte blocks (4-byte block header
// with a predictor and a step index, then 124 data bytes), deterministic, with
// no zero data bytes, so that the audio never imitates a start code.
std::vector<uint8_t> GenerateAudioBytes(size_t offset, size_t n);

struct ZtmStraddle {
  enum class Item { AudioPacket, TimePacket, Vop };
  int picture = 1;                // the picture whose item is placed
  Item item = Item::AudioPacket;
  uint64_t edge = 1u << 20;       // file offset of the window edge
  int bytesBeforeEdge = 16;       // the item starts this many bytes before the edge
};

struct ZtmExtraPacket {
  int beforePicture = 0;          // placed first among the picture's side packets
  uint8_t type = kZtmFillerType;
  std::vector<uint8_t> body;      // 1 .. 65536 bytes
};

struct ZtmSpec {
  M4vStreamSpec video;            // pictures, encoder options, insertions, truncation
  double picturesPerSecond = 10.0;
  // Audio bytes recorded per picture; 0: 16000 samples a second of 249-sample,
  // 128-byte blocks at picturesPerSecond (822.5 bytes a picture at 10 a second).
  double audioBytesPerPicture = 0;
  bool audioBeforeFirstPicture = false;  // picture 0 gets no audio packet unless set
  int audioPacketsPerPicture = 1;        // the picture's audio split over this many packets
  bool leadBytes = true;          // lead = bytes up to the first 128-byte block start in the packet
  std::vector<uint8_t> audio;     // the recorded audio byte stream; empty: GenerateAudioBytes
  enum class TimePackets { None, BeforeIntra, BeforeEvery };
  TimePackets timePackets = TimePackets::BeforeIntra;
  uint8_t timeShift = 0;
  uint32_t timeCountBase = 0;     // added to the audio byte count in time packets
  std::vector<ZtmExtraPacket> extraPackets;
  std::vector<ZtmStraddle> straddles;
};

struct ZtmPictureInfo {
  PictureType type = PictureType::Intra;
  size_t firstPacketOffset = 0;   // of the first side packet (or of the VOP when none)
  std::vector<size_t> audioPacketOffsets;
  std::vector<uint32_t> audioPacketLengths;  // `length` of each audio packet
  uint32_t audioBytes = 0;        // audio bytes in front of the picture (all packets)
  uint8_t lead = 0;               // lead count of its first audio packet
  int64_t timePacketOffset = -1;
  uint32_t timeCount = 0;
  uint32_t elapsedHundredths = 0;  // what the player computes from the time packet (0: none)
  size_t vopOffset = 0;            // of its first start code (group-of-VOP or VOP)
  size_t endOffset = 0;            // after its stuffing
};

struct ZtmFile {
  std::vector<uint8_t> bytes;
  size_t headerLength = 0;
  std::vector<ZtmPictureInfo> pictures;
  std::vector<YuvPicture> reconstructions;
  std::vector<uint8_t> audio;     // all audio bytes in file order
  int straddlesMissed = 0;        // straddle requests that could not be met (already past)
};

// The demo recording: the demo stream's scene at 640 x 480, 100 pictures at
// 10 a second with generated sound, an I-VOP (with its time packet) every 20.
ZtmSpec DemoZtmSpec();

ZtmFile BuildZtm(const ZtmSpec& plan);
std::vector<uint8_t> BuildZtmFile(const ZtmSpec& plan);

}  // namespace klv::sample
