#include "camera/camera_clock.h"

#include <ctime>

#include "platform/civil_date.h"

namespace klv {
namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kSecondsPerDay = 86400;

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// 1601-01-01 counted from 1970-01-01.
const int64_t kDays1601 = DaysFromCivil(1601, 1, 1);

}  // namespace

bool IsValidLocalDateTime(const LocalDateTime& t) {
  if (t.year < 1 || t.year > 9999) return false;
  if (t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
  return t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
         t.second < 60;
}

LocalDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  LocalDateTime t;
  if (::localtime_r(&now, &tm) == nullptr) return t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second stays in its minute
  return t;
}

int64_t LocalToFileTime(const LocalDateTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day) - kDays1601;
  const int64_t secs = days * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
  return secs * kUnitsPerSecond;
}

LocalDateTime FileTimeToLocal(int64_t fileTime) {
  // Floor division, so that times before 1601 still land on the right day.
  int64_t secs = fileTime / kUnitsPerSecond;
  if (fileTime % kUnitsPerSecond < 0) --secs;
  int64_t days = secs / kSecondsPerDay;
  int64_t rest = secs % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  LocalDateTime t;
  int64_t year = 0;
  CivilFromDays(days + kDays1601, &year, &t.month, &t.day);
  t.year = static_cast<int>(year);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

LocalDateTime AddSeconds(const LocalDateTime& t, int64_t seconds) {
  return FileTimeToLocal(LocalToFileTime(t) + seconds * kUnitsPerSecond);
}

DosDateTime CameraClockWords(const LocalDateTime& t) {
  if (!IsValidLocalDateTime(t)) return {};
  return ToDosDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace klv
