#include "engine/recording_time.h"

#include <ctime>

#include "engine/player_state.h"
#include "media/avi/avi_reader.h"
#include "platform/file_times.h"

namespace klv {
namespace {

// The first frame's time stamp, read as the camera's local time.
bool FirstFrameTime(const std::string& path, int64_t* out) {
  AviReader avi;
  JpegDecoder headers;
  if (avi.AviOpen(path, headers, /*scanEvents=*/false) != AviOpenStatus::kOk || !avi.TimeStamps())
    return false;
  const std::span<const uint8_t> frame = avi.FrameBytes();
  FrameTimeStamp stamp;
  headers.ParseHeaders(frame.data(), frame.size(), nullptr, nullptr, &stamp, nullptr);
  FrameClock c;
  if (!stamp.NonZero() || !ClockFromTimeStamp(stamp.Value(), &c)) return false;
  std::tm tm {};
  tm.tm_year = c.nYear - 1900;
  tm.tm_mon = c.nMonth - 1;
  tm.tm_mday = c.nDay;
  tm.tm_hour = c.nHour;
  tm.tm_min = c.nMinute;
  tm.tm_sec = c.nSecond;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return false;
  *out = static_cast<int64_t>(t) * 10000000 + kFileTimeUnixEpoch + int64_t{c.nCentisecond} * 100000;
  return true;
}

}  // namespace

bool RecordingTime(const std::string& path, int64_t* out) {
  if (SourceKindOf(path) == SourceKind::Avi && FirstFrameTime(path, out)) return true;
  return CreationFileTime(path, out);
}

}  // namespace klv
