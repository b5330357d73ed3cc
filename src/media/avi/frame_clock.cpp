#include "media/avi/frame_clock.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/civil_date.h"
#include "platform/format.h"

namespace klv {
namespace {

// Windows file times end at 0x7FFFFFFFFFFFFFFF (100-ns units since 1601).
constexpr uint64_t kStampBase100ns = 127173888000000000ULL;
constexpr uint64_t kMaxStamp =
    (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - kStampBase100ns) / 100000ULL;

}  // namespace

bool ClockFromTimeStamp(uint64_t stamp, FrameClock* out) {
  if (stamp > kMaxStamp) return false;
  const uint64_t seconds = stamp / 100;
  const int64_t days = static_cast<int64_t>(seconds / 86400) + DaysFromCivil(2004, 1, 1);
  const uint64_t secOfDay = seconds % 86400;
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, &year, &month, &day);
  out->nCentisecond = static_cast<int>(stamp % 100);
  out->nSecond = static_cast<int>(secOfDay % 60);
  out->nMinute = static_cast<int>((secOfDay / 60) % 60);
  out->nHour = static_cast<int>(secOfDay / 3600);
  out->nDay = day;
  out->nMonth = month;
  out->nYear = static_cast<int>(year);
  return month >= 1 && month <= 12;
}

namespace {

// The camera software's calendar: every fourth year has 29 February, so four
// years are always 1461 days.
constexpr int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int64_t kFourYears = 1461;
// Dates stop advancing 10,000 years on; the camera never gets there.
constexpr int64_t kMaxDays = kFourYears * 2500;

int MonthLength(int month, int64_t year) {
  return month == 2 && year % 4 != 0 ? 28 : kMonthDays[month - 1];
}

}  // namespace

FrameClock ClockFromFileTime(uint16_t fileDate, uint16_t fileTime, int64_t elapsedSeconds) {
  FrameClock c;
  if (elapsedSeconds < 0) elapsedSeconds = 0;
  const int64_t seconds = 2 * (fileTime & 31) + 60 * ((fileTime >> 5) & 63) +
                          3600 * (fileTime >> 11) + elapsedSeconds;
  int64_t hour = seconds / 3600;
  c.nMinute = static_cast<int>((seconds % 3600) / 60);
  c.nSecond = static_cast<int>(seconds % 60);
  c.nCentisecond = 0;
  int day = fileDate & 31;
  int month = (fileDate >> 5) & 15;
  int64_t year = 1980 + (fileDate >> 9);
  if (hour >= 24) {
    // A damaged date word (month 0 or above 12) rolls as January would.
    if (month < 1 || month > 12) month = 1;
    int64_t add = std::min<int64_t>(hour / 24, kMaxDays);
    hour %= 24;
    // Whole four-year cycles first, then month by month as the camera does.
    if (add > kFourYears) {
      year += 4 * ((add - 1) / kFourYears);
      add -= kFourYears * ((add - 1) / kFourYears);
    }
    while (add > 0) {
      const int len = MonthLength(month, year);
      if (day + add <= len) {
        day += static_cast<int>(add);
        break;
      }
      add -= len - day + 1;
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  c.nHour = static_cast<int>(hour);
  c.nDay = day;
  c.nMonth = month;
  c.nYear = static_cast<int>(year);
  return c;
}

std::string DateText(const FrameClock& c) {
  return Format("%d/%2.2d/%2.2d", c.nYear, c.nMonth, c.nDay);
}

std::string TimeText(const FrameClock& c) {
  return Format("%2.2d:%2.2d:%2.2d", c.nHour, c.nMinute, c.nSecond);
}

}  // namespace klv
