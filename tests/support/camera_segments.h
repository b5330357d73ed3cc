#pragma once
// What the camera writes into each JPEG frame besides the picture: its 32-byte
// record (APP4), the time stamp (COM "T" + 48-bit count of 10-ms units since
// 2004-01-01 00:00:00 in the camera's own clock, optionally "RTCD" + 32 raw
// clock bytes) and the event byte (APP5).

#include <array>
#include <cstddef>
#include <cstdint>

namespace klv::sample {

using CameraRecordBytes = std::array<uint8_t, 32>;
using RtcBlock = std::array<uint8_t, 32>;

// Record words at their byte offsets in the APP4 payload (16-bit, little-endian).
struct CameraRecordFields {
  uint16_t Expo = 300;      // offset 2
  uint16_t Lum = 120;       // offset 4
  uint16_t CamRdy = 1;      // offset 6
  uint16_t Vsyncs = 416;    // offset 8 (416 is the usual value; the player hides it)
  uint16_t Target = 128;    // offset 12
  uint16_t Flicker = 60;    // offset 18
  uint16_t Gain = 32;       // offset 22
  uint16_t PhysExp = 300;   // offset 26
};

inline constexpr int kRecordExpo = 2;
inline constexpr int kRecordLum = 4;
inline constexpr int kRecordCamRdy = 6;
inline constexpr int kRecordVsyncs = 8;
inline constexpr int kRecordTarget = 12;
inline constexpr int kRecordFlicker = 18;
inline constexpr int kRecordGain = 22;
inline constexpr int kRecordPhysExp = 26;

// The 32 record bytes for these fields; the offsets the player does not
// interpret carry a fixed, recognisable filler (0xA5, 0x5A, ...).
CameraRecordBytes MakeCameraRecord(const CameraRecordFields& fields);

// Event byte bits (APP5 payload byte 0).
inline constexpr uint8_t kEventModeBit = 0x01;   // in frame 0: the file was recorded in event mode
inline constexpr uint8_t kEventFrameBit = 0x80;  // this frame is an event frame

// Time stamp units: 10 ms. A calendar date and time in the camera's clock to
// the camera's count since 2004-01-01 00:00:00.00 (dates before give 0).
uint64_t TimeStampFromDate(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0, int centisecond = 0);

// The inverse, for checks: false when stamp is beyond year 9999.
struct CalendarTime {
  int year = 2004, month = 1, day = 1, hour = 0, minute = 0, second = 0, centisecond = 0;
};
bool DateFromTimeStamp(uint64_t stamp, CalendarTime* out);

// A plausible raw real-time-clock block for a stamp (BCD date and time in the
// first bytes, then a counter pattern); only for the "RTCD" dump.
RtcBlock MakeRtcBlock(uint64_t stamp);

}  // namespace klv::sample
