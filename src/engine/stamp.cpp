#include "engine/stamp.h"

#include <algorithm>
#include <cstring>

namespace klv {
namespace {

struct Glyph {
  char c;
  uint8_t rows[12];
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x5C, 0x22, 0x51, 0x51, 0x49, 0x49, 0x45, 0x45, 0x22, 0x1D, 0x00, 0x00}},
    {'1', {0x04, 0x06, 0x05, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x1F, 0x00, 0x00}},
    {'2', {0x1E, 0x21, 0x40, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x7F, 0x00, 0x00}},
    {'3', {0x1C, 0x22, 0x41, 0x40, 0x40, 0x3C, 0x40, 0x40, 0x41, 0x22, 0x1C, 0x00}},
    {'4', {0x10, 0x18, 0x14, 0x12, 0x11, 0x3F, 0x10, 0x10, 0x10, 0x10, 0x00, 0x00}},
    {'5', {0x7F, 0x01, 0x01, 0x01, 0x1F, 0x20, 0x40, 0x40, 0x20, 0x1F, 0x00, 0x00}},
    {'6', {0x3E, 0x41, 0x01, 0x01, 0x3D, 0x43, 0x41, 0x41, 0x41, 0x3E, 0x00, 0x00}},
    {'7', {0x7F, 0x40, 0x40, 0x20, 0x20, 0x10, 0x10, 0x08, 0x08, 0x04, 0x00, 0x00}},
    {'8', {0x3E, 0x41, 0x41, 0x41, 0x3E, 0x41, 0x41, 0x41, 0x41, 0x3E, 0x00, 0x00}},
    {'9', {0x3E, 0x41, 0x41, 0x41, 0x3E, 0x40, 0x40, 0x41, 0x41, 0x3E, 0x00, 0x00}},
    {'/', {0x10, 0x10, 0x08, 0x08, 0x04, 0x04, 0x02, 0x02, 0x01, 0x01, 0x00, 0x00}},
    {':', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x04, 0x00, 0x00}},
};

struct FontTable {
  uint8_t glyph[128][12] = {};
  constexpr FontTable() {
    for (const Glyph& g : kGlyphs)
      for (int r = 0; r < 12; ++r) glyph[static_cast<unsigned char>(g.c)][r] = g.rows[r];
  }
};
constexpr FontTable kFont;

constexpr int kAdvance = 10;
constexpr int kBand = 16;

}  // namespace

const uint8_t* StampFont(char c) { return kFont.glyph[static_cast<unsigned char>(c) & 127]; }

void Stamp(FramePicture& picture, std::string_view text) {
  const int width = picture.Width();
  const int height = picture.Height();
  if (width <= 0 || height <= 0) return;
  const int bandTop = std::max(0, height - kBand);
  for (int y = bandTop; y < height; ++y) std::memset(picture.Row(y), 0, static_cast<size_t>(width) * 3);

  const int x0 = std::max(8, width - kAdvance * static_cast<int>(text.size()));
  const int y0 = height - 14;
  for (int r = 0; r < 12; ++r) {
    const int y = y0 + r;
    if (y < 0 || y >= height) continue;
    uint8_t* row = picture.Row(y);
    int x = x0;
    for (char ch : text) {
      const uint8_t bits = StampFont(ch)[r];
      for (int k = 0; k < 8; ++k, ++x) {
        if (x >= width) break;
        const uint8_t v = (bits >> k) & 1 ? 255 : 0;
        row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = v;
      }
      x += 2;  // the gap between glyphs is left as the band drew it
      if (x >= width) break;
    }
  }
}

std::string AviStampText(int imageWidth, const std::string& dateText, const std::string& timeText) {
  if (imageWidth <= 160) return timeText;
  return dateText + "  " + timeText;
}

}  // namespace klv

#include "media/avi/avi_reader.h"

namespace klv {

void DrawAviOverlays(AviReader& avi, const FrameTimeStamp& stamp, FramePicture& picture,
                     int64_t elapsedSeconds, bool embedTime, std::string* dateText, std::string* timeText) {
  std::string date, time;
  avi.FrameDateTime(stamp, elapsedSeconds, &date, &time);
  if (embedTime) Stamp(picture, AviStampText(avi.Width(), date, time));
  if (dateText != nullptr) *dateText = std::move(date);
  if (timeText != nullptr) *timeText = std::move(time);
}

}  // namespace klv

#include "media/avi/frame_clock.h"
#include "platform/format.h"

namespace klv {

bool DrawZtmOverlays(uint16_t fileDate, uint16_t fileTime, uint32_t elapsedHundredths, bool embedTime,
                     FramePicture& picture, std::string* elapsedText, std::string* dateTimeText) {
  const uint32_t t = elapsedHundredths;
  if (t == 0) {
    if (embedTime && !picture.Empty()) {
      // Blue, green, red of the camera software's light grey.
      for (int y = std::max(0, picture.Height() - 16); y < picture.Height(); ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x) {
          row[3 * x] = 200;
          row[3 * x + 1] = 208;
          row[3 * x + 2] = 212;
        }
      }
    }
    return false;
  }
  if (elapsedText != nullptr)
    *elapsedText = Format("Elapsed: %2u:%2.2u:%2.2u.%2.2u", t / 360000, (t / 6000) % 60, (t / 100) % 60, t % 100);
  // A .ztm picture takes its date from the file, never from a frame stamp.
  const FrameClock clock = ClockFromFileTime(fileDate, fileTime, t / 100);
  const std::string text = DateText(clock) + "  " + TimeText(clock);
  if (embedTime) Stamp(picture, text);
  if (dateTimeText != nullptr) *dateTimeText = text;
  return true;
}

}  // namespace klv
