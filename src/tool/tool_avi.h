#pragma once
#include <string>

#include "media/avi/avi_reader.h"

namespace klv::tool {

// "FILE: File Not Found (the reason)", as the player's message window says it.
std::string AviFailureText(const std::string& path, const AviReader& avi, AviOpenStatus status);

// Opens an AVI with the decoder that walks its headers and decodes its
// frames, or prints the player's message for the failure and returns kFailed.
int OpenAviOrFail(AviReader& avi, JpegDecoder& decoder, const std::string& path);

int AviInfo(const std::string& path);
int AviFrame(const std::string& path, int index, const std::string& out, bool stamp, bool bw);
int AviTimes(const std::string& path);
int AviDecode(const std::string& path, const std::string& outDir);
int AviSave(const std::string& path, int index, const std::string& out);

}  // namespace klv::tool
