#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klv {

// The decoded picture handed to presentation: 24-bit pixels, bytes blue,
// green, red; row 0 at the top; each row padded to a multiple of 4 bytes.
// Decoders write whole rows; a failed decode leaves it untouched.
class FramePicture {
 public:
  // Allocates a zero-filled (black) picture. False for sizes outside 1..16384.
  bool Create(int width, int height);
  void Release();
  bool Empty() const { return bits_.empty(); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  uint8_t* Row(int y) { return bits_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return bits_.data() + static_cast<size_t>(y) * stride_; }
  uint8_t* Bits() { return bits_.data(); }
  const uint8_t* Bits() const { return bits_.data(); }
  size_t SizeBytes() const { return bits_.size(); }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<uint8_t> bits_;
};

// Row stride of a 24-bit picture: 3 bytes a pixel, rounded up to 4 bytes.
inline int Stride24(int width) { return (width * 3 + 3) & ~3; }

// A Windows BMP image: BITMAPFILEHEADER, 40-byte BITMAPINFOHEADER, 24 bits a
// pixel, uncompressed, rows bottom-up.
std::vector<uint8_t> EncodeBmp(const FramePicture& picture);
// Writes EncodeBmp to a file; false when the file cannot be written completely.
bool WriteBmpFile(const FramePicture& picture, const std::string& path);

// The 0..255 range limit shared by the JPEG and MPEG-4 colour paths: a
// 2,560-entry table for x = -1024 .. 1535, addressed through its x = 0 entry.
namespace detail {
constexpr std::array<uint8_t, 2560> MakeClampTable() {
  std::array<uint8_t, 2560> t {};
  for (int i = 0; i < 2560; ++i) {
    const int x = i - 1024;
    t[static_cast<size_t>(i)] = static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x));
  }
  return t;
}
}  // namespace detail
inline constexpr std::array<uint8_t, 2560> kClampTable = detail::MakeClampTable();
inline constexpr const uint8_t* ClampTable = kClampTable.data() + 1024;
inline uint8_t Clamp255(int x) { return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x)); }

}  // namespace klv
