#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/common/picture.h"

namespace klv {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

// The font file for captions: DejaVu Sans as fontconfig finds it, else at the
// usual install paths; empty when there is none.
std::string FindCaptionFontFile();

// An anti-aliased font at one pixel size for short captions (file names,
// "Frame 123", "2026/11/03 14:22:05"); texts are UTF-8. Without a loaded
// font nothing is drawn and every width is 0, so a machine without fonts
// still makes its pictures. One thread uses a font at a time.
class CaptionFont {
 public:
  CaptionFont();
  ~CaptionFont();
  CaptionFont(CaptionFont&&) noexcept;
  CaptionFont& operator=(CaptionFont&&) noexcept;

  // Opens `path` (empty: FindCaptionFontFile) at `pixelHeight` (6..512, the
  // em size in pixels). False with Error() when there is no usable font.
  bool Load(int pixelHeight, const std::string& path = {});
  bool Loaded() const;
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

  int PixelHeight() const;
  int Ascent() const;      // pixels above the baseline
  int LineHeight() const;  // baseline to baseline

  // Advance width of the text in pixels.
  int Measure(std::string_view text);
  // The text shortened with "…" at the end so that it measures at most
  // maxWidth; the text itself when it fits.
  std::string Elide(std::string_view text, int maxWidth);
  // Draws the text with its line box's top-left corner at (x, top), blended
  // into the picture in `colour` and clipped to it. Returns the advance width.
  int Draw(FramePicture& picture, int x, int top, std::string_view text, Rgb colour);

 private:
  struct Face;
  std::unique_ptr<Face> face_;
  std::string path_;
  std::string error_;
};

// Caption lines on a band across the bottom of the picture: the band darkens
// what is under it by half, the lines are white, left-aligned, and elided to
// the width. Returns the band's height (0 without a font or lines).
int DrawCaptionBand(FramePicture& picture, CaptionFont& font, const std::vector<std::string>& lines);

// Code points of UTF-8 text; a malformed sequence gives U+FFFD per byte.
std::vector<char32_t> DecodeUtf8(std::string_view text);

}  // namespace klv
