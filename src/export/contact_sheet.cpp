#include "export/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/output_file.h"
#include "export/scale.h"
#include "export/text.h"

namespace klv {
namespace {

constexpr int kMaxSide = 16384;
constexpr int kMargin = 16;
constexpr int kGap = 12;
constexpr int kCaptionGap = 4;  // between a box and its first caption line

constexpr Rgb kBackground {0xE4, 0xE4, 0xE4};
constexpr Rgb kBoxColour {0x30, 0x30, 0x30};
constexpr Rgb kTitleColour {0x10, 0x10, 0x10};
constexpr Rgb kCaptionColour {0x28, 0x28, 0x28};

// A text line's box: the size plus a third, enough for DejaVu's ascent and
// descent with a little lead.
int LineBox(int pixels) { return pixels + (pixels + 2) / 3; }

void Fill(FramePicture& p, const SheetRect& r, Rgb c) {
  for (int y = r.y; y < r.y + r.height; ++y) {
    uint8_t* row = p.Row(y) + static_cast<size_t>(r.x) * 3;
    for (int x = 0; x < r.width; ++x, row += 3) {
      row[0] = c.b;
      row[1] = c.g;
      row[2] = c.r;
    }
  }
}

void Blit(FramePicture& dst, const FramePicture& src, int x0, int y0) {
  for (int y = 0; y < src.Height(); ++y)
    std::memcpy(dst.Row(y0 + y) + static_cast<size_t>(x0) * 3, src.Row(y), static_cast<size_t>(src.Width()) * 3);
}

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

SheetRect SheetLayout::Box(int k) const {
  const int top = margin + (titleHeight > 0 ? titleHeight + gap : 0);
  return {margin + (k % columns) * (cellWidth + gap), top + (k / columns) * (cellHeight + gap), boxWidth,
          boxHeight};
}

int SheetLayout::CaptionTop(int k) const { return Box(k).y + boxHeight + kCaptionGap; }

int SheetColumns(int count) {
  if (count <= 4) return std::max(1, count);
  // About 4:3 in cells, which are roughly square with their captions.
  const int c = static_cast<int>(std::ceil(std::sqrt(count * 4.0 / 3.0)));
  return std::min(6, c);
}

bool PlanSheet(int count, int captionLines, const SheetOptions& o, SheetLayout* layout, std::string* error) {
  auto refuse = [error](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  if (count < 0 || !InRange(captionLines, 0, 16) || !InRange(o.columns, 0, 64) || !InRange(o.boxWidth, 16, 4096) ||
      !InRange(o.boxHeight, 16, 4096) || !InRange(o.captionPixels, 6, 128) || !InRange(o.titlePixels, 6, 256))
    return refuse("contact sheet settings out of range");
  SheetLayout l;
  l.margin = kMargin;
  l.gap = kGap;
  l.titleHeight = o.title.empty() ? 0 : LineBox(o.titlePixels);
  l.lineHeight = LineBox(o.captionPixels);
  l.captionLines = captionLines;
  l.boxWidth = o.boxWidth;
  l.boxHeight = o.boxHeight;
  l.cellWidth = o.boxWidth;
  l.cellHeight = o.boxHeight + (captionLines > 0 ? kCaptionGap + captionLines * l.lineHeight : 0);
  l.columns = o.columns > 0 ? std::min(o.columns, std::max(1, count)) : SheetColumns(count);

  const int fixedHeight = 2 * l.margin + (l.titleHeight > 0 ? l.titleHeight + l.gap : 0);
  const int maxRows = (kMaxSide - fixedHeight + l.gap) / (l.cellHeight + l.gap);
  if (maxRows < 1) return refuse("contact sheet cells are too tall");
  if ((count + l.columns - 1) / l.columns > maxRows) l.columns = (count + maxRows - 1) / maxRows;
  l.rows = (count + l.columns - 1) / l.columns;
  const int64_t width = 2 * l.margin + static_cast<int64_t>(l.columns) * l.cellWidth + (l.columns - 1) * l.gap;
  const int64_t height =
      fixedHeight + static_cast<int64_t>(l.rows) * l.cellHeight + std::max(0, l.rows - 1) * l.gap;
  if (width > kMaxSide || height > kMaxSide) {
    const int64_t fit = static_cast<int64_t>(maxRows) * ((kMaxSide - 2 * l.margin + l.gap) / (l.cellWidth + l.gap));
    return refuse("too many pictures for one contact sheet (" + std::to_string(count) + "; at most " +
                  std::to_string(fit) + " at this size)");
  }
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);
  *layout = l;
  return true;
}

ContactSheet MakeContactSheet(const std::vector<SheetItem>& items, const SheetOptions& options) {
  ContactSheet sheet;
  size_t lines = 0;
  for (const SheetItem& it : items) lines = std::max(lines, it.caption.size());
  if (items.size() > size_t {kMaxSide} * kMaxSide) {
    sheet.error = "too many pictures for one contact sheet";
    return sheet;
  }
  const int count = static_cast<int>(items.size());
  if (!PlanSheet(count, static_cast<int>(std::min<size_t>(lines, 16)), options, &sheet.layout, &sheet.error))
    return sheet;
  const SheetLayout& l = sheet.layout;
  if (!sheet.picture.Create(l.width, l.height)) {
    sheet.error = "the contact sheet cannot be made at " + std::to_string(l.width) + "x" + std::to_string(l.height);
    return sheet;
  }
  Fill(sheet.picture, {0, 0, l.width, l.height}, kBackground);

  CaptionFont titleFont, captionFont;
  const bool fonts = (options.title.empty() || titleFont.Load(options.titlePixels, options.fontPath)) &&
                     (lines == 0 || captionFont.Load(options.captionPixels, options.fontPath));
  sheet.textDrawn = fonts;
  if (!fonts) sheet.error = titleFont.Error().empty() ? captionFont.Error() : titleFont.Error();

  const int textWidth = l.width - 2 * l.margin;
  if (fonts && !options.title.empty()) {
    // Centred in its line box, whatever the font's own line height.
    const int top = l.margin + (l.titleHeight - titleFont.LineHeight()) / 2;
    titleFont.Draw(sheet.picture, l.margin, top, titleFont.Elide(options.title, textWidth), kTitleColour);
  }
  for (int k = 0; k < count; ++k) {
    const SheetItem& item = items[static_cast<size_t>(k)];
    const SheetRect box = l.Box(k);
    Fill(sheet.picture, box, kBoxColour);
    const PictureSize fit =
        FitSize(item.thumbnail.Width(), item.thumbnail.Height(), l.boxWidth, l.boxHeight, true);
    if (fit.width > 0) {
      const int x = box.x + (l.boxWidth - fit.width) / 2, y = box.y + (l.boxHeight - fit.height) / 2;
      if (fit.width == item.thumbnail.Width() && fit.height == item.thumbnail.Height())
        Blit(sheet.picture, item.thumbnail, x, y);
      else
        Blit(sheet.picture, ScalePicture(item.thumbnail, fit.width, fit.height), x, y);
    }
    if (!fonts) continue;
    int top = l.CaptionTop(k) + (l.lineHeight - captionFont.LineHeight()) / 2;
    for (size_t i = 0; i < item.caption.size() && i < static_cast<size_t>(l.captionLines); ++i) {
      captionFont.Draw(sheet.picture, box.x, top, captionFont.Elide(item.caption[i], l.cellWidth), kCaptionColour);
      top += l.lineHeight;
    }
  }
  return sheet;
}

std::string EncodeBase64(const uint8_t* data, size_t size) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const uint32_t v = (uint32_t {data[i]} << 16) | (uint32_t {data[i + 1]} << 8) | data[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (size - i == 1) {
    const uint32_t v = uint32_t {data[i]} << 16;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (size - i == 2) {
    const uint32_t v = (uint32_t {data[i]} << 16) | (uint32_t {data[i + 1]} << 8);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string EncodeUrlPath(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        (c != 0 && std::strchr("-._~/", c) != nullptr)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string MakeSheetHtml(const std::string& title, const std::vector<uint8_t>& sheetPng,
                          const std::vector<SheetRow>& rows) {
  const std::string t = EscapeHtml(title);
  std::string h;
  h += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  h += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  h += "<title>" + t + "</title>\n";
  h += "<style>\n"
       "body { font-family: \"DejaVu Sans\", sans-serif; background: #e4e4e4; color: #202020; margin: 1.5em; }\n"
       "h1 { font-size: 1.4em; font-weight: normal; }\n"
       "img { max-width: 100%; height: auto; display: block; margin-bottom: 1.5em; }\n"
       "table { border-collapse: collapse; background: #fafafa; }\n"
       "th, td { padding: 0.3em 0.8em; border-bottom: 1px solid #c8c8c8; text-align: left; }\n"
       "td.n { text-align: right; font-variant-numeric: tabular-nums; }\n"
       "th { background: #d0d0d0; }\n"
       "</style>\n</head>\n<body>\n";
  h += "<h1>" + t + "</h1>\n";
  if (!sheetPng.empty())
    h += "<img alt=\"" + t + "\" src=\"data:image/png;base64," + EncodeBase64(sheetPng.data(), sheetPng.size()) +
         "\">\n";
  h += "<table>\n<thead>\n<tr><th>File</th><th>Frames</th><th>Date/time</th><th>Largest difference</th></tr>\n"
       "</thead>\n<tbody>\n";
  for (const SheetRow& r : rows) {
    const std::string frames = r.link.empty() ? EscapeHtml(r.frames)
                                              : "<a href=\"" + EscapeHtml(EncodeUrlPath(r.link)) + "\">" +
                                                    EscapeHtml(r.frames) + "</a>";
    h += "<tr><td>" + EscapeHtml(r.file) + "</td><td>" + frames + "</td><td>" + EscapeHtml(r.dateTime) +
         "</td><td class=\"n\">" + std::to_string(r.largestDifference) + "</td></tr>\n";
  }
  h += "</tbody>\n</table>\n</body>\n</html>\n";
  return h;
}

bool WriteSheetHtml(const std::string& path, const std::string& title, const std::vector<uint8_t>& sheetPng,
                    const std::vector<SheetRow>& rows, std::string* error) {
  const std::string html = MakeSheetHtml(title, sheetPng, rows);
  return WriteFileAtomically(path, html, error);
}

}  // namespace klv
