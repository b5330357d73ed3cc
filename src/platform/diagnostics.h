#pragma once
#include <string_view>

namespace klv {

// Where the decoders and the engine send diagnostics lines. The player's
// diagnostics window implements it; lines are kept only while it is visible.
class DiagnosticsSink {
 public:
  virtual ~DiagnosticsSink() = default;
  virtual bool Visible() const = 0;
  virtual void AddLine(std::string_view line) = 0;
  // One more bad frame for the window's counter (after its line was added).
  virtual void CountBadFrame() {}
  // The quantiser bar; the window shows it only when q differs from the last.
  virtual void ShowQuantiser(int q) { (void)q; }
  // Decode and display times of the last AVI frame shown, in milliseconds.
  virtual void ShowFrameTimes(int decodeMs, int displayMs) { (void)decodeMs, (void)displayMs; }
  // Scrolls the log so that its last `lines` lines are in view at the top.
  virtual void ShowLastLines(int lines) { (void)lines; }
};

// The switches of the diagnostics window that the engine reads (the decoders'
// switches are DecoderFlags).
struct DiagnosticsOptions {
  bool bShowExpo = false;             // record dump: the exposure fields
  bool bShowTimes = false;            // record dump: time of day and frame interval
  bool bPauseOnStop = false;          // .ztm: Stop leaves the picture where it is
  bool bEnableZTMSingleStep = false;
  bool bShowQuant = false;            // MPEG-4: the quantiser bar
};

}  // namespace klv
