#pragma once
// What klvtool's long commands share: a progress line on stderr once the work
// has taken more than a second, and Ctrl-C as a request to stop that the work
// checks between frames, so that nothing half-written is left behind.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace klv::tool {

// "klvtool: exporting 120 of 900 frames (13%), 0:04, about 0:26 left": on a
// terminal one line rewritten in place, else a line every few seconds. Calls
// come from one thread at a time.
class ProgressLine {
 public:
  explicit ProgressLine(std::string what);
  ~ProgressLine() { Finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `done` of `total` units (frames); `unit` names them.
  void Update(int64_t done, int64_t total, const char* unit = "frames");
  // Changes what is being done ("scanning", then "exporting").
  void SetWhat(std::string what) { what_ = std::move(what); }
  // Clears a line left on the terminal.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  std::string what_;
  Clock::time_point start_;
  Clock::time_point next_ {};
  bool tty_;
  bool shown_ = false;
};

// "m:ss", or "h:mm:ss" from an hour.
std::string ClockText(double seconds);

// Installs the Ctrl-C (and SIGTERM) handler that sets the flag; the flag.
const std::atomic<bool>& InterruptFlag();
// Message and status for work that Ctrl-C stopped.
int Interrupted(const std::string& what);

}  // namespace klv::tool
