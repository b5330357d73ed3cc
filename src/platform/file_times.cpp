#include "platform/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

namespace klv {

DosDateTime ToDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  DosDateTime d;
  if (year < 1980 || year > 2107) return d;
  d.date = static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  d.time = static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return d;
}

bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second, int64_t* out) {
  std::tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  *out = static_cast<int64_t>(t);
  return true;
}

bool LastWriteDosTime(const std::string& path, DosDateTime* out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  std::time_t t = st.st_mtim.tv_sec;
  std::tm tm {};
  if (::localtime_r(&t, &tm) == nullptr) return false;
  *out = ToDosDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec);
  return true;
}

bool CreationFileTime(const std::string& path, int64_t* out) {
#if defined(STATX_BTIME)
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
    const struct statx_timestamp& ts = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    *out = kFileTimeUnixEpoch + ts.tv_sec * 10000000LL + ts.tv_nsec / 100;
    return true;
  }
#endif
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  *out = kFileTimeUnixEpoch + st.st_mtim.tv_sec * 10000000LL + st.st_mtim.tv_nsec / 100;
  return true;
}

}  // namespace klv
