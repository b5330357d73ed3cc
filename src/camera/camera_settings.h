#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "camera/camera_clock.h"
#include "platform/file_times.h"

namespace klv {

class CameraFileLayer;

// Which program writes the file: each has its own folder on the card and
// fills its own words of the settings record.
enum class CameraProfile { Player, ClockTool };

// Banding (mains flicker) filter codes of the settings record.
inline constexpr int kFlickerNone = 0;
inline constexpr int kFlicker60Hz = 833;
inline constexpr int kFlicker50Hz = 1000;

// An interval of exactly 24 hours; written as 0xFFFF.
inline constexpr int kTwentyFourHours = 86400;

// What a writer hands over. The player fills intervals[0..2] (nInt1..3),
// flicker, camMode and, when its dialog offers the choice, resolutions; the
// clock tool fills intervals[0] (its one interval), lowLightThreshold and
// flicker. The clock is local wall-clock time.
struct CameraSettingsValues {
  CameraProfile profile = CameraProfile::Player;
  std::string card;                // the card's root folder
  std::array<int, 3> intervals{};  // seconds
  int lowLightThreshold = 0;       // clock tool's W2
  int flicker = kFlickerNone;      // W4
  int camMode = 0;                 // player's W7 (wCamMode)
  LocalDateTime clock;
  bool withResolutions = false;      // player only: append the resolution record
  std::array<int, 4> resolutions{};  // nResolution0..3
};

// The file's contents: the settings record's eight words, the clock record's
// two words and the optional resolution record's four bytes.
struct CameraSettingsFile {
  std::array<uint16_t, 8> words{};  // W0..W7
  DosDateTime clock;
  bool hasResolution = false;
  std::array<uint8_t, 4> resolution{};
};

inline constexpr uint16_t kRecordMarker = 0xC3B6;
inline constexpr uint8_t kSettingsRecordType = 0x28;
inline constexpr uint8_t kClockRecordType = 0x29;
inline constexpr uint8_t kResolutionRecordType = 0x2A;
inline constexpr size_t kSettingsFileSize = 30;
inline constexpr size_t kSettingsFileSizeWithResolution = 39;

// An interval as its record word: 86400 becomes 0xFFFF, anything else its
// seconds truncated to 16 bits.
uint16_t IntervalWord(int seconds);

// The clock tool's low-light word from its cut-off: max(0, (L - 50) * 82 + 4096).
int LowLightThreshold(int nLightCutOff);

// Seconds added to the system time for the player's "Set &Time to" items 0..2.
int PlayerClockOffsetSeconds(int item);

// The record values for a profile; fixed words filled in.
CameraSettingsFile MakeCameraSettingsFile(const CameraSettingsValues& values);

// The bytes of the file: 30, or 39 with the resolution record.
std::vector<uint8_t> CameraSettingsImage(const CameraSettingsFile& file);

// Folder and file of a profile under the card's root folder.
std::string CameraSettingsFolder(CameraProfile profile, const std::string& card);
std::string CameraSettingsPath(CameraProfile profile, const std::string& card);

// Writes the settings file onto the card, creating its folders when the
// first open fails; the file is opened at most twice. The bytes go to a
// temporary file in the folder that replaces the settings file only when
// every write and the close succeeded, so a failure never leaves a cut-off
// file behind. Returns 0 on success, -1 on failure (with a reason in *error
// when given). `files` defaults to the real file system.
int CameraSettingsWriter(const CameraSettingsValues& values, std::string* error = nullptr,
                         CameraFileLayer* files = nullptr);

}  // namespace klv
