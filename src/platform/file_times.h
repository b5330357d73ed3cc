#pragma once
#include <cstdint>
#include <string>

namespace klv {

// MS-DOS date and time words: date bits 0-4 day, 5-8 month, 9-15 years since
// 1980; time bits 0-4 seconds / 2, 5-10 minutes, 11-15 hours.
struct DosDateTime {
  uint16_t date = 0;
  uint16_t time = 0;
};

// Local calendar time to DOS words; years outside 1980-2107 give {0, 0}.
DosDateTime ToDosDateTime(int year, int month, int day, int hour, int minute, int second);

// Local calendar time (the camera knows no time zone) as seconds since the
// epoch. False when the C library cannot place it.
bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second, int64_t* out);

// The file's last-write time in local time as DOS words. False when the file
// cannot be examined.
bool LastWriteDosTime(const std::string& path, DosDateTime* out);

// The file's creation time in 100-ns units since 1601-01-01 (UTC): the birth
// time where the file system keeps one, else the last-write time. False when
// the file cannot be examined.
bool CreationFileTime(const std::string& path, int64_t* out);

// 100-ns units between 1601-01-01 and 1970-01-01.
inline constexpr int64_t kFileTimeUnixEpoch = 116444736000000000LL;

}  // namespace klv
