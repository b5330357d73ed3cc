#pragma once
#include <string_view>

namespace klv {

// The developer's trace channel: decoder errors and stream traces. Silent unless
// the environment variable KLV_DEBUG is set to something other than "0".
bool DebugEnabled();
void DebugOut(std::string_view text);

}  // namespace klv
