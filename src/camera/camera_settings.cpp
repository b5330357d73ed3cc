#include "camera/camera_settings.h"

#include <algorithm>

#include "camera/camera_files.h"

namespace klv {
namespace {

// Fixed words of the settings record; the camera expects them as they are.
constexpr uint16_t kW3 = 180;
constexpr uint16_t kW5 = 60;
constexpr uint16_t kW6 = 2;
constexpr uint16_t kClockToolW1 = 0x7FFE;

constexpr uint16_t kSettingsPayload = 16;
constexpr uint16_t kShortPayload = 4;

void PutWord(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(static_cast<uint8_t>(v & 0xFF));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

void PutRecordHead(std::vector<uint8_t>* out, uint16_t payload, uint8_t type) {
  PutWord(out, kRecordMarker);
  PutWord(out, payload);
  out->push_back(type);
}

const char* FolderName(CameraProfile p) {
  return p == CameraProfile::Player ? "100zelta" : "100klvcm";
}
const char* FileName(CameraProfile p) {
  return p == CameraProfile::Player ? "REGISTRY.LDR" : "registry.ldr";
}

std::string Join(const std::string& dir, const char* name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

}  // namespace

uint16_t IntervalWord(int seconds) {
  if (seconds == kTwentyFourHours) return 0xFFFF;
  return static_cast<uint16_t>(static_cast<unsigned>(seconds));
}

int LowLightThreshold(int nLightCutOff) {
  // 64-bit so that a wild cut-off from a hand-edited INI cannot overflow.
  const int64_t v = (static_cast<int64_t>(nLightCutOff) - 50) * 82 + 4096;
  return static_cast<int>(std::clamp<int64_t>(v, 0, 0x7FFFFFFF));
}

int PlayerClockOffsetSeconds(int item) {
  switch (item) {
    case 1:
      return 60;
    case 2:
      return 300;
    default:
      return 0;
  }
}

CameraSettingsFile MakeCameraSettingsFile(const CameraSettingsValues& v) {
  CameraSettingsFile f;
  auto& w = f.words;
  if (v.profile == CameraProfile::Player) {
    w[0] = static_cast<uint16_t>(static_cast<unsigned>(v.intervals[0]));
    w[1] = static_cast<uint16_t>(static_cast<unsigned>(v.intervals[1]));
    w[2] = IntervalWord(v.intervals[2]);
    w[7] = static_cast<uint16_t>(static_cast<unsigned>(v.camMode));
    f.hasResolution = v.withResolutions;
    for (size_t i = 0; i < 4; ++i)
      f.resolution[i] = static_cast<uint8_t>(static_cast<unsigned>(v.resolutions[i]));
  } else {
    w[0] = IntervalWord(v.intervals[0]);
    w[1] = kClockToolW1;
    w[2] = static_cast<uint16_t>(static_cast<unsigned>(v.lowLightThreshold));
    w[7] = 0;
  }
  w[3] = kW3;
  w[4] = static_cast<uint16_t>(static_cast<unsigned>(v.flicker));
  w[5] = kW5;
  w[6] = kW6;
  f.clock = CameraClockWords(v.clock);
  return f;
}

std::vector<uint8_t> CameraSettingsImage(const CameraSettingsFile& f) {
  std::vector<uint8_t> out;
  out.reserve(kSettingsFileSizeWithResolution);
  PutRecordHead(&out, kSettingsPayload, kSettingsRecordType);
  for (uint16_t w : f.words) PutWord(&out, w);
  PutRecordHead(&out, kShortPayload, kClockRecordType);
  PutWord(&out, f.clock.time);
  PutWord(&out, f.clock.date);
  if (f.hasResolution) {
    PutRecordHead(&out, kShortPayload, kResolutionRecordType);
    out.insert(out.end(), f.resolution.begin(), f.resolution.end());
  }
  return out;
}

std::string CameraSettingsFolder(CameraProfile profile, const std::string& card) {
  return Join(Join(card, "DCIM"), FolderName(profile));
}

std::string CameraSettingsPath(CameraProfile profile, const std::string& card) {
  return Join(CameraSettingsFolder(profile, card), FileName(profile));
}

int CameraSettingsWriter(const CameraSettingsValues& values, std::string* error,
                         CameraFileLayer* files) {
  PosixCameraFiles posix;
  CameraFileLayer& fs = files != nullptr ? *files : posix;

  if (values.card.empty()) {
    SetError(error, "no card folder chosen");
    return -1;
  }
  if (!IsValidLocalDateTime(values.clock)) {
    SetError(error, "the clock value is not a valid date and time");
    return -1;
  }

  const std::vector<uint8_t> image = CameraSettingsImage(MakeCameraSettingsFile(values));
  const std::string folder = CameraSettingsFolder(values.profile, values.card);
  const std::string path = CameraSettingsPath(values.profile, values.card);
  const std::string temp = path + ".tmp";

  int fd = fs.Open(temp);
  if (fd < 0) {
    // A fresh card has no folder yet. "DCIM" normally exists; its result
    // does not matter. An existing folder cannot be created again, so the
    // file is opened at most twice.
    (void)fs.MakeDir(Join(values.card, "DCIM"));
    if (!fs.MakeDir(folder)) {
      SetError(error, "could not create " + folder + ": " + fs.LastError());
      return -1;
    }
    fd = fs.Open(temp);
    if (fd < 0) {
      SetError(error, "could not create " + path + ": " + fs.LastError());
      return -1;
    }
  }

  // Settings record, clock record, then the resolution record when present,
  // each written and checked on its own.
  const size_t kRecords[] = {21, 9, 9};
  size_t at = 0;
  for (size_t len : kRecords) {
    if (at >= image.size()) break;
    const long n = fs.Write(fd, image.data() + at, len);
    if (n != static_cast<long>(len)) {
      SetError(error, "could not write " + path + ": " +
                          (n < 0 ? fs.LastError()
                                 : "only " + std::to_string(n) + " of " + std::to_string(len) +
                                       " bytes reached the card"));
      (void)fs.Close(fd);
      fs.Remove(temp);
      return -1;
    }
    at += len;
  }
  if (!fs.Close(fd)) {
    SetError(error, "could not write " + path + ": " + fs.LastError());
    fs.Remove(temp);
    return -1;
  }
  if (!fs.Rename(temp, path)) {
    SetError(error, "could not write " + path + ": " + fs.LastError());
    fs.Remove(temp);
    return -1;
  }
  return 0;
}

}  // namespace klv
