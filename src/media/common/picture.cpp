#include "media/common/picture.h"

#include <algorithm>
#include <cstdio>

namespace klv {
namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(x >> (8 * i));
}

}  // namespace

bool FramePicture::Create(int width, int height) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  stride_ = Stride24(width);
  bits_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
  return true;
}

void FramePicture::Release() {
  width_ = height_ = stride_ = 0;
  bits_.clear();
  bits_.shrink_to_fit();
}

std::vector<uint8_t> EncodeBmp(const FramePicture& picture) {
  const int w = picture.Width();
  const int h = picture.Height();
  const size_t rowBytes = static_cast<size_t>(Stride24(w));
  const size_t imageSize = rowBytes * static_cast<size_t>(h);
  std::vector<uint8_t> out(54 + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(w));
  Put32(out, 22, static_cast<uint32_t>(h));
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 34, static_cast<uint32_t>(imageSize));
  Put32(out, 38, 2835);  // 72 dpi
  Put32(out, 42, 2835);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = picture.Row(h - 1 - y);
    std::copy(src, src + static_cast<size_t>(w) * 3, out.begin() + 54 + static_cast<long>(rowBytes) * y);
  }
  return out;
}

bool WriteBmpFile(const FramePicture& picture, const std::string& path) {
  if (picture.Empty()) return false;
  const std::vector<uint8_t> bytes = EncodeBmp(picture);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return wrote && closed;
}

}  // namespace klv
