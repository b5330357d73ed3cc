#pragma once
#include <cstdint>
#include <string>

namespace klv {

// Broken-down date and time of the frame on display.
struct FrameClock {
  int nCentisecond = 0;
  int nSecond = 0;
  int nMinute = 0;
  int nHour = 0;
  int nDay = 0;
  int nMonth = 0;
  int nYear = 0;
};

// Time stamp (10-ms units since 2004-01-01 00:00:00) to calendar fields.
// False when the stamp is beyond the calendar's range.
bool ClockFromTimeStamp(uint64_t stamp, FrameClock* out);

// The file's DOS date and time plus elapsed seconds, with the camera
// software's month and leap-year rollover (every fourth year has 29 February).
FrameClock ClockFromFileTime(uint16_t fileDate, uint16_t fileTime, int64_t elapsedSeconds);

// "%d/%2.2d/%2.2d" (year, month, day) and "%2.2d:%2.2d:%2.2d".
std::string DateText(const FrameClock& c);
std::string TimeText(const FrameClock& c);

}  // namespace klv
