#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "media/common/picture.h"

namespace klv {

// A picture as PNG bytes: 8-bit RGB, not interlaced, sRGB. Empty (with
// `error` set) for an empty picture or when the encoder fails.
std::vector<uint8_t> EncodePng(const FramePicture& picture, std::string* error = nullptr);

// EncodePng written to `path` under a temporary name and renamed into place.
// False with a message such as "cannot write OUT.png: Permission denied".
bool WritePngFile(const FramePicture& picture, const std::string& path, std::string* error = nullptr);

}  // namespace klv
