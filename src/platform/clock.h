#pragma once
#include <chrono>
#include <cstdint>

namespace klv {

// Milliseconds on a monotonic clock, for decode-time measurement.
inline int64_t TickMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace klv
