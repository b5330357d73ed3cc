#include "tool/progress.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "tool/tool_common.h"

namespace klv::tool {
namespace {

std::atomic<bool> g_interrupted {false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

}  // namespace

ProgressLine::ProgressLine(std::string what)
    : what_(std::move(what)), start_(Clock::now()), tty_(::isatty(2) != 0) {}

std::string ClockText(double seconds) {
  const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

void ProgressLine::Update(int64_t done, int64_t total, const char* unit) {
  const auto now = Clock::now();
  if (now - start_ < std::chrono::seconds(1) || now < next_) return;
  next_ = now + (tty_ ? std::chrono::milliseconds(200) : std::chrono::seconds(2));
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::string line = "klvtool: " + what_ + " " + std::to_string(done) + " of " + std::to_string(total) + " " + unit;
  if (total > 0) line += " (" + std::to_string(done * 100 / total) + "%)";
  line += ", " + ClockText(elapsed);
  if (done > 0 && total > done) line += ", about " + ClockText(elapsed * static_cast<double>(total - done) / static_cast<double>(done)) + " left";
  std::fprintf(stderr, "%s%s%s", tty_ ? "\r" : "", line.c_str(), tty_ ? "\033[K" : "\n");
  std::fflush(stderr);
  shown_ = true;
}

void ProgressLine::Finish() {
  if (shown_ && tty_) std::fputs("\r\033[K", stderr);
  shown_ = false;
}

const std::atomic<bool>& InterruptFlag() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  return g_interrupted;
}

int Interrupted(const std::string& what) { return Fail(what + " interrupted; nothing was written"); }

}  // namespace klv::tool
