#include "export/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <sys/stat.h>

#include <algorithm>

namespace klv {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char kEllipsis[] = "\xE2\x80\xA6";  // U+2026

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FontconfigMatch(const char* family) {
  std::string file;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return file;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  if (pattern != nullptr) {
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* name = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch && name != nullptr)
      file = reinterpret_cast<const char*>(name);
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return IsFile(file) ? file : std::string();
}

// 26.6 fixed point to whole pixels, rounding up (extents) or to nearest.
int CeilPixels(long v) { return static_cast<int>((v + 63) >> 6); }
int RoundPixels(long v) { return static_cast<int>((v + 32) >> 6); }

uint8_t Blend(uint8_t under, uint8_t over, unsigned alpha) {
  return static_cast<uint8_t>((under * (255u - alpha) + over * alpha + 127u) / 255u);
}

}  // namespace

struct CaptionFont::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int pixelHeight = 0;

  ~Face() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }

  // Walks the text glyph by glyph, pen in 26.6, kerning applied; `glyph` is
  // called with the loaded (and, when `render`, rendered) slot and the pen's
  // whole-pixel x. Returns the advance in 26.6.
  template <typename Fn>
  long Walk(std::string_view text, bool render, Fn&& glyph) {
    long pen = 0;
    FT_UInt previous = 0;
    const FT_Int32 flags = FT_LOAD_TARGET_LIGHT | (render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT);
    for (char32_t c : DecodeUtf8(text)) {
      const FT_UInt index = FT_Get_Char_Index(face, c);
      if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
        FT_Vector delta {};
        if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0) pen += delta.x;
      }
      if (FT_Load_Glyph(face, index, flags) != 0) continue;  // a damaged glyph is left out
      if (!glyph(face->glyph, RoundPixels(pen))) break;
      pen += face->glyph->advance.x;
      previous = index;
    }
    return pen;
  }
};

std::string FindCaptionFontFile() {
  std::string file = FontconfigMatch("DejaVu Sans");
  if (!file.empty()) return file;
  static const char* const kKnown[] = {
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",  // Debian, Ubuntu
      "/usr/share/fonts/dejavu/DejaVuSans.ttf",           // Fedora
      "/usr/share/fonts/TTF/DejaVuSans.ttf",              // Arch
      "/usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf",
      "/usr/local/share/fonts/DejaVuSans.ttf",
  };
  for (const char* p : kKnown)
    if (IsFile(p)) return p;
  return {};
}

CaptionFont::CaptionFont() = default;
CaptionFont::~CaptionFont() = default;
CaptionFont::CaptionFont(CaptionFont&&) noexcept = default;
CaptionFont& CaptionFont::operator=(CaptionFont&&) noexcept = default;

bool CaptionFont::Load(int pixelHeight, const std::string& path) {
  face_.reset();
  error_.clear();
  path_ = path.empty() ? FindCaptionFontFile() : path;
  if (path_.empty()) {
    error_ = "no font for captions (DejaVu Sans not found); pictures get no text";
    return false;
  }
  if (pixelHeight < 6 || pixelHeight > 512) {
    error_ = "caption size " + std::to_string(pixelHeight) + " is outside 6..512 pixels";
    return false;
  }
  auto f = std::make_unique<Face>();
  if (FT_Init_FreeType(&f->library) != 0) {
    f->library = nullptr;
    error_ = "cannot start the font renderer; pictures get no text";
    return false;
  }
  if (FT_New_Face(f->library, path_.c_str(), 0, &f->face) != 0) {
    f->face = nullptr;
    error_ = "cannot read the font " + path_ + "; pictures get no text";
    return false;
  }
  if (!FT_IS_SCALABLE(f->face) || FT_Set_Pixel_Sizes(f->face, 0, static_cast<FT_UInt>(pixelHeight)) != 0) {
    error_ = "the font " + path_ + " cannot be drawn at " + std::to_string(pixelHeight) +
             " pixels; pictures get no text";
    return false;
  }
  f->pixelHeight = pixelHeight;
  face_ = std::move(f);
  return true;
}

bool CaptionFont::Loaded() const { return face_ != nullptr; }
int CaptionFont::PixelHeight() const { return face_ ? face_->pixelHeight : 0; }
int CaptionFont::Ascent() const { return face_ ? CeilPixels(face_->face->size->metrics.ascender) : 0; }
int CaptionFont::LineHeight() const { return face_ ? CeilPixels(face_->face->size->metrics.height) : 0; }

int CaptionFont::Measure(std::string_view text) {
  if (!face_) return 0;
  return CeilPixels(face_->Walk(text, false, [](FT_GlyphSlot, int) { return true; }));
}

std::string CaptionFont::Elide(std::string_view text, int maxWidth) {
  if (!face_ || Measure(text) <= maxWidth) return std::string(text);
  // Cuts at code point boundaries; the longest prefix that fits with the
  // ellipsis is found by halving, as widths grow with the prefix.
  std::vector<size_t> cuts {0};
  for (size_t i = 1; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) cuts.push_back(i);
  auto fits = [&](size_t cut) { return Measure(std::string(text.substr(0, cut)) + kEllipsis) <= maxWidth; };
  if (!fits(0)) return {};
  size_t lo = 0, hi = cuts.size();  // cuts[lo] fits (cuts[0] is 0); cuts[hi] does not, or is the end
  while (hi - lo > 1) {
    const size_t mid = (lo + hi) / 2;
    if (fits(cuts[mid])) lo = mid;
    else hi = mid;
  }
  return std::string(text.substr(0, cuts[lo])) + kEllipsis;
}

int CaptionFont::Draw(FramePicture& picture, int x, int top, std::string_view text, Rgb colour) {
  if (!face_ || picture.Empty()) return 0;
  const int width = picture.Width(), height = picture.Height();
  // Far outside: nothing to draw (and no sums that could overflow).
  constexpr int kFar = 1 << 20;
  if (x >= width || top >= height || x < -kFar || top < -kFar) return Measure(text);
  const int baseline = top + Ascent();
  const long advance = face_->Walk(text, true, [&](FT_GlyphSlot slot, int penX) {
    const FT_Bitmap& bm = slot->bitmap;
    const int left = x + penX + slot->bitmap_left;
    if (left >= width) return false;  // the rest lies beyond the right edge
    const int rowsTop = baseline - slot->bitmap_top;
    for (int r = 0; r < static_cast<int>(bm.rows); ++r) {
      const int y = rowsTop + r;
      if (y < 0 || y >= height) continue;
      const int pitch = bm.pitch;
      const unsigned char* src =
          bm.buffer + (pitch >= 0 ? r * pitch : (static_cast<int>(bm.rows) - 1 - r) * -pitch);
      uint8_t* row = picture.Row(y);
      for (int c = 0; c < static_cast<int>(bm.width); ++c) {
        const int px = left + c;
        if (px < 0 || px >= width) continue;
        unsigned a = 0;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          a = bm.num_grays == 256 ? src[c] : src[c] * 255u / std::max(1u, bm.num_grays - 1u);
        else if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          a = (src[c >> 3] >> (7 - (c & 7))) & 1 ? 255u : 0u;
        if (a == 0) continue;
        uint8_t* p = row + px * 3;
        p[0] = Blend(p[0], colour.b, a);
        p[1] = Blend(p[1], colour.g, a);
        p[2] = Blend(p[2], colour.r, a);
      }
    }
    return true;
  });
  return CeilPixels(advance);
}

int DrawCaptionBand(FramePicture& picture, CaptionFont& font, const std::vector<std::string>& lines) {
  if (!font.Loaded() || lines.empty() || picture.Empty()) return 0;
  const int pad = std::max(2, font.PixelHeight() / 4);
  const int lineHeight = font.LineHeight();
  const int band = std::min(picture.Height(), pad * 2 + lineHeight * static_cast<int>(lines.size()));
  const int bandTop = picture.Height() - band;
  for (int y = bandTop; y < picture.Height(); ++y) {
    uint8_t* row = picture.Row(y);
    for (int i = 0; i < picture.Width() * 3; ++i) row[i] = static_cast<uint8_t>(row[i] / 2);
  }
  const int maxWidth = std::max(0, picture.Width() - 2 * pad);
  int top = bandTop + pad;
  for (const std::string& line : lines) {
    font.Draw(picture, pad, top, font.Elide(line, maxWidth), Rgb {255, 255, 255});
    top += lineHeight;
  }
  return band;
}

std::vector<char32_t> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      length = 2, c = b0 & 0x1F, least = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      length = 3, c = b0 & 0x0F, least = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      length = 4, c = b0 & 0x07, least = 0x10000;
    }
    bool ok = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; ok && k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) ok = false;
      else c = (c << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed too.
    if (ok && (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
    if (ok) {
      out.push_back(c);
      i += static_cast<size_t>(length);
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

}  // namespace klv
