#pragma once
#include <string>

#include "media/avi/avi_reader.h"

namespace klv::tool {

// Opens an AVI with the decoder that walks its headers and decodes its
// frames, or prints the player's message for the failure and returns kFailed.
int OpenAviOrFail(AviReader& avi, JpegDecoder& decoder, const std::string& path);

int AviInfo(const std::string& path);
int AviFrame(const std::string& path, int index, const std::string& out, bool stamp, bool bw);
int AviTimes(const std::string& path);
int AviDecode(const std::string& path, const std::string& outDir, int jobs);
int AviSave(const std::string& path, int index, const std::string& out);

}  // namespace klv::tool
