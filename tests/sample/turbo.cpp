#include "sample/turbo.h"

#include <turbojpeg.h>

#include <cmath>
#include <limits>

namespace klv::sample::test {

std::optional<RgbImage> TurboDecode(const std::vector<uint8_t>& jpeg) {
  tjhandle h = tjInitDecompress();
  if (!h) return std::nullopt;
  int w = 0, ht = 0, sub = 0, cs = 0;
  std::optional<RgbImage> out;
  auto* data = const_cast<unsigned char*>(jpeg.data());
  if (tjDecompressHeader3(h, data, jpeg.size(), &w, &ht, &sub, &cs) == 0) {
    RgbImage img(w, ht);
    if (tjDecompress2(h, data, jpeg.size(), img.rgb.data(), w, w * 3, ht, TJPF_RGB, TJFLAG_ACCURATEDCT) == 0) {
      out = std::move(img);
    }
  }
  tjDestroy(h);
  return out;
}

std::vector<uint8_t> TurboEncode(const RgbImage& image, int quality) {
  std::vector<uint8_t> r;
  tjhandle h = tjInitCompress();
  if (!h) return r;
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  if (tjCompress2(h, image.rgb.data(), image.width, image.width * 3, image.height, TJPF_RGB, &buf, &size,
                  TJSAMP_420, quality, TJFLAG_ACCURATEDCT) == 0) {
    r.assign(buf, buf + size);
  }
  tjFree(buf);
  tjDestroy(h);
  return r;
}

double Psnr(const RgbImage& a, const RgbImage& b) {
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
  double se = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const double d = double(a.rgb[i]) - b.rgb[i];
    se += d * d;
  }
  if (se == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 * a.rgb.size() / se);
}

}  // namespace klv::sample::test
