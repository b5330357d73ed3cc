#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "media/common/picture.h"

namespace klv {

// The player's built-in 8 x 12 glyphs for character codes 0-127; bit 0 of a
// row byte is the leftmost pixel. Only digits, "/", ":" and the space are drawn.
// Returns the 12 row bytes of a character's glyph (all zero for the others).
const uint8_t* StampFont(char c);

// Burns `text` into the bottom 16 rows of the picture: a black band with the
// text in white, right-aligned 2 pixels from the edge (never left of column 8).
void Stamp(FramePicture& picture, std::string_view text);

// The stamp text of an AVI picture: the time alone on pictures 160 pixels
// wide or less, else date, two blanks and time.
std::string AviStampText(int imageWidth, const std::string& dateText, const std::string& timeText);

}  // namespace klv

namespace klv {

class AviReader;
struct FrameTimeStamp;

// Date and time texts of an AVI frame whose header walk gave `stamp`, and the
// stamp burnt into the picture when `embedTime` is set.
void DrawAviOverlays(AviReader& avi, const FrameTimeStamp& stamp, FramePicture& picture,
                     int64_t elapsedSeconds, bool embedTime, std::string* dateText, std::string* timeText);

}  // namespace klv

namespace klv {

// The overlays of a .ztm picture whose time packet gave `elapsedHundredths`
// (0: none): without one, the stamp band is a plain light grey when
// `embedTime`; with one, the elapsed time ("Elapsed: %2d:%2.2d:%2.2d.%2.2d")
// and the date and time (the file's last-write time plus the elapsed
// seconds) are returned, and stamped when `embedTime`. False without a time.
bool DrawZtmOverlays(uint16_t fileDate, uint16_t fileTime, uint32_t elapsedHundredths, bool embedTime,
                     FramePicture& picture, std::string* elapsedText, std::string* dateTimeText);

}  // namespace klv
