#include "platform/debug_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace klv {

bool DebugEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("KLV_DEBUG");
    return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
  }();
  return enabled;
}

void DebugOut(std::string_view text) {
  if (!DebugEnabled()) return;
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
}

}  // namespace klv
