#pragma once
#include <string>

namespace klv::tool {

// The .m4v branches of klvtool's commands. Pictures are decoded in order from
// the first, as playback does; `deblock` is the player's deblocking method.
int M4vInfo(const std::string& path);
int M4vFrame(const std::string& path, int index, const std::string& out, bool stamp, int deblock, bool bw);
int M4vDecode(const std::string& path, const std::string& outDir);
int M4vSave(const std::string& path, int index, const std::string& out);

}  // namespace klv::tool
