#include "support/camera_segments.h"

namespace klv::sample {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

void Put16(CameraRecordBytes& r, int at, uint16_t v) {
  r[static_cast<size_t>(at)] = static_cast<uint8_t>(v & 0xFF);
  r[static_cast<size_t>(at) + 1] = static_cast<uint8_t>(v >> 8);
}

uint8_t Bcd(int v) { return static_cast<uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

const int64_t kEpochDays = DaysFromCivil(2004, 1, 1);

}  // namespace

CameraRecordBytes MakeCameraRecord(const CameraRecordFields& f) {
  CameraRecordBytes r {};
  for (size_t i = 0; i < r.size(); ++i) r[i] = (i & 1) ? 0x5A : 0xA5;
  Put16(r, kRecordExpo, f.Expo);
  Put16(r, kRecordLum, f.Lum);
  Put16(r, kRecordCamRdy, f.CamRdy);
  Put16(r, kRecordVsyncs, f.Vsyncs);
  Put16(r, kRecordTarget, f.Target);
  Put16(r, kRecordFlicker, f.Flicker);
  Put16(r, kRecordGain, f.Gain);
  Put16(r, kRecordPhysExp, f.PhysExp);
  return r;
}

uint64_t TimeStampFromDate(int year, int month, int day, int hour, int minute, int second,
                           int centisecond) {
  const int64_t days = DaysFromCivil(year, month, day) - kEpochDays;
  const int64_t cs =
      ((days * 24 + hour) * 60 + minute) * 6000 + static_cast<int64_t>(second) * 100 + centisecond;
  return cs < 0 ? 0 : static_cast<uint64_t>(cs);
}

bool DateFromTimeStamp(uint64_t stamp, CalendarTime* out) {
  const uint64_t perDay = 24ull * 3600 * 100;
  const uint64_t days = stamp / perDay;
  if (days > 3000000) return false;
  uint64_t rest = stamp % perDay;
  CalendarTime t;
  CivilFromDays(kEpochDays + static_cast<int64_t>(days), &t.year, &t.month, &t.day);
  if (t.year > 9999) return false;
  t.hour = static_cast<int>(rest / 360000);
  rest %= 360000;
  t.minute = static_cast<int>(rest / 6000);
  rest %= 6000;
  t.second = static_cast<int>(rest / 100);
  t.centisecond = static_cast<int>(rest % 100);
  if (out) *out = t;
  return true;
}

RtcBlock MakeRtcBlock(uint64_t stamp) {
  RtcBlock b {};
  CalendarTime t;
  DateFromTimeStamp(stamp, &t);
  // The clock chip's registers: seconds, minutes, hours, weekday, day, month, year (BCD).
  b[0] = Bcd(t.second);
  b[1] = Bcd(t.minute);
  b[2] = Bcd(t.hour);
  b[3] = static_cast<uint8_t>((stamp / (24ull * 3600 * 100) + 4) % 7);  // 2004-01-01 was a Thursday
  b[4] = Bcd(t.day);
  b[5] = Bcd(t.month);
  b[6] = Bcd(t.year % 100);
  for (size_t i = 7; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + (stamp & 0xFF));
  return b;
}

}  // namespace klv::sample
