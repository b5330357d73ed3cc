#pragma once
#include <string>

namespace klv {
class AviReader;
}

namespace klv::tool {

// Opens an AVI, or prints the player's message for the failure and returns kFailed.
int OpenAviOrFail(AviReader& avi, const std::string& path);

int AviInfo(const std::string& path);
int AviFrame(const std::string& path, int index, const std::string& out, bool stamp, bool bw);
int AviTimes(const std::string& path);
int AviDecode(const std::string& path, const std::string& outDir);
int AviSave(const std::string& path, int index, const std::string& out);

}  // namespace klv::tool
