#include "engine/recording_time.h"

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
  int64_t t = 0;
  if (!LocalTimeToUnix(c.nYear, c.nMonth, c.nDay, c.nHour, c.nMinute, c.nSecond, &t)) return false;
  *out = t * 10000000 + kFileTimeUnixEpoch + int64_t{c.nCentisecond} * 100000;
  return true;
}

}  // namespace

bool RecordingTime(const std::string& path, int64_t* out) {
  if (SourceKindOf(path) == SourceKind::Avi && FirstFrameTime(path, out)) return true;
  return CreationFileTime(path, out);
}

}  // namespace klv
