#pragma once
#include <cstdint>
#include <cstring>

namespace klv {

// The camera's 32-byte record from a frame's APP4 segment. Words are
// little-endian, unsigned; the player reads only the offsets named here.
struct CameraFrameRecord {
  uint8_t bytes[32] = {};

  uint16_t Word(int offset) const {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
  }
  uint16_t Expo() const { return Word(2); }
  uint16_t Lum() const { return Word(4); }
  uint16_t CamRdy() const { return Word(6); }
  uint16_t Vsyncs() const { return Word(8); }
  uint16_t Target() const { return Word(12); }
  uint16_t Flicker() const { return Word(18); }
  uint16_t Gain() const { return Word(22); }
  uint16_t PhysExp() const { return Word(26); }
};

// A frame's time stamp: 48-bit count of 10-ms units since 2004-01-01 in the
// camera's own clock, carried by a COM segment starting with "T".
struct FrameTimeStamp {
  uint32_t low = 0;
  uint16_t high = 0;

  uint64_t Value() const { return (static_cast<uint64_t>(high) << 32) | low; }
  bool NonZero() const { return low != 0 || high != 0; }
};

}  // namespace klv
