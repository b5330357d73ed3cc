#pragma once
#include <cstdint>

#include "platform/file_times.h"

namespace klv {

// A local wall-clock time as the camera keeps it: no time zone, whole seconds.
struct LocalDateTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// True when the fields name a real calendar day and a time of day 00:00:00-23:59:59.
bool IsValidLocalDateTime(const LocalDateTime& t);

// The machine's local time now.
LocalDateTime LocalNow();

// Local time as a count of 100-ns units since 1601-01-01 on the same wall clock
// (no zone conversion), and back. The time must be valid; the count must be
// non-negative.
int64_t LocalToFileTime(const LocalDateTime& t);
LocalDateTime FileTimeToLocal(int64_t fileTime);

// The player's clock value: the system time plus the offset chosen in its
// dialog, in seconds (0, 60 or 300), carried through the calendar.
LocalDateTime AddSeconds(const LocalDateTime& t, int64_t seconds);

// The camera's FAT time and date words for a local time. Dates before 1980 or
// after 2107 cannot be held and give {0, 0}; odd seconds are rounded down.
DosDateTime CameraClockWords(const LocalDateTime& t);

}  // namespace klv
