#pragma once
// libjpeg-turbo as the independent reference for the sample writer's JPEG.
#include <cstdint>
#include <optional>
#include <vector>

#include "support/jpeg_encoder.h"

namespace klv::sample::test {

// Decodes to RGB; nothing when libjpeg-turbo refuses the data.
std::optional<RgbImage> TurboDecode(const std::vector<uint8_t>& jpeg);
// libjpeg-turbo's own 4:2:0 encoding of a picture at a quality.
std::vector<uint8_t> TurboEncode(const RgbImage& image, int quality);
// PSNR over all RGB samples (infinity for identical pictures).
double Psnr(const RgbImage& a, const RgbImage& b);

}  // namespace klv::sample::test
