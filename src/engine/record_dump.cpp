#include "engine/record_dump.h"

#include "platform/format.h"

namespace klv {

namespace {

// The camera's idle Vsync count; the dump lists only counts that differ.
constexpr int kUsualVsyncs = 416;
// A change of the frame interval beyond this many milliseconds is marked.
constexpr int64_t kIntervalJumpMs = 1000;

}  // namespace

std::vector<std::string> CameraRecordDump(int index, const CameraFrameRecord& record,
                                          bool recordPresent, const FrameClock& clock,
                                          int frameIntervalMs, bool showExpo, bool showTimes,
                                          int* previousInterval) {
  std::vector<std::string> lines;
  if (!recordPresent) return lines;
  lines.push_back(Format("--- Frame %d -----", index));

  if (showTimes) {
    lines.push_back(Format("%2.2d:%2.2d:%2.2d.%2.2d", clock.nHour, clock.nMinute, clock.nSecond,
                           clock.nCentisecond));
    if (frameIntervalMs != -1) {
      const int previous = previousInterval != nullptr ? *previousInterval : 0;
      // Widened: intervals come from a camera's clock and may be anything.
      int64_t jump = static_cast<int64_t>(previous) - frameIntervalMs;
      if (jump < 0) jump = -jump;
      lines.push_back(Format(jump > kIntervalJumpMs && index >= 2 ? "FrmInt = %6d MS ***"
                                                                  : "FrmInt = %6d MS",
                             frameIntervalMs));
      if (previousInterval != nullptr) *previousInterval = frameIntervalMs;
    }
  }

  if (showExpo) {
    lines.push_back(Format("CamRdy  = %4d", record.CamRdy()));
    lines.push_back(Format("Lum     = %4d", record.Lum()));
    lines.push_back(Format("Target  = %4d", record.Target()));
    lines.push_back(Format("Expo    = %4d", record.Expo()));
    lines.push_back(Format("PhysExp = %4d", record.PhysExp()));
    lines.push_back(Format("Gain    = %4d", record.Gain()));
    if (record.Vsyncs() != kUsualVsyncs) lines.push_back(Format("Vsyncs  = %4d", record.Vsyncs()));
    lines.push_back(Format("Flicker = %4d", record.Flicker()));
  }
  return lines;
}

std::string BadFrameLine(int index, uint32_t offset) {
  return Format("%5lld: %8.8x", static_cast<long long>(index) + 1, offset);
}

}  // namespace klv
