#pragma once
// The lines the diagnostics window lists for AVI frames: the camera record of
// a frame on display and the report of a frame that failed.

#include <cstdint>
#include <string>
#include <vector>

#include "media/avi/frame_clock.h"
#include "media/jpeg/camera_meta.h"

namespace klv {

// After a dump, the log is scrolled so that its top line is the line count
// minus this (DiagnosticsSink::ShowLastLines).
inline constexpr int kRecordDumpScrollLines = 8;

// The dump of frame `index` (0-based), in the order the window lists it:
//   "--- Frame %d -----"
//   showTimes: "%2.2d:%2.2d:%2.2d.%2.2d" (hour, minute, second, centisecond of
//              `clock`), then, when `frameIntervalMs` is known (not -1),
//              "FrmInt = %6d MS", with " ***" added when the interval differs
//              from *previousInterval by more than 1000 ms and index >= 2;
//              the interval then becomes *previousInterval.
//   showExpo:  "CamRdy  = %4d", "Lum     = %4d", "Target  = %4d",
//              "Expo    = %4d", "PhysExp = %4d", "Gain    = %4d",
//              "Vsyncs  = %4d" (left out when Vsyncs is 416), "Flicker = %4d".
// Nothing at all when the frame carried no camera record (`recordPresent`
// false). `previousInterval` belongs to the caller, starts at 0 and lasts
// for the whole run; null is taken as 0 and nothing is kept.
std::vector<std::string> CameraRecordDump(int index, const CameraFrameRecord& record,
                                          bool recordPresent, const FrameClock& clock,
                                          int frameIntervalMs, bool showExpo, bool showTimes,
                                          int* previousInterval);

// "%5d: %8.8x": the 1-based number of frame `index` (0-based) and the file
// offset of its chunk, for a frame that could not be read or decoded.
std::string BadFrameLine(int index, uint32_t offset);

}  // namespace klv
