#include "export/png_writer.h"

#include <png.h>

#include <cstring>

#include "platform/output_file.h"

namespace klv {
namespace {

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

}  // namespace

std::vector<uint8_t> EncodePng(const FramePicture& picture, std::string* error) {
  if (picture.Empty()) {
    SetError(error, "no picture to write");
    return {};
  }
  // libpng's simplified interface takes our rows as they are (BGR, padded
  // stride) and keeps its error jumps to itself.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.Width());
  image.height = static_cast<png_uint_32>(picture.Height());
  image.format = PNG_FORMAT_BGR;
  const png_int_32 stride = picture.Stride();  // one byte a component

  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.Bits(), stride, nullptr)) {
    SetError(error, std::string("PNG encoder: ") + image.message);
    png_image_free(&image);
    return {};
  }
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, picture.Bits(), stride, nullptr)) {
    SetError(error, std::string("PNG encoder: ") + image.message);
    png_image_free(&image);
    return {};
  }
  out.resize(size);
  return out;
}

bool WritePngFile(const FramePicture& picture, const std::string& path, std::string* error) {
  std::string why;
  const std::vector<uint8_t> bytes = EncodePng(picture, &why);
  if (bytes.empty()) {
    SetError(error, "cannot write " + path + ": " + why);
    return false;
  }
  return WriteFileAtomically(path, bytes, error);
}

}  // namespace klv
