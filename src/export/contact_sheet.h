#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/common/picture.h"

namespace klv {

// One picture of a contact sheet and the caption lines under it.
struct SheetItem {
  FramePicture thumbnail;            // any size; scaled to the sheet's common box
  std::vector<std::string> caption;  // UTF-8 lines, elided to the cell's width
};

struct SheetOptions {
  std::string title;        // the line across the top
  int columns = 0;          // 0: chosen from the number of items
  int boxWidth = 240;       // every thumbnail is scaled to fit this box
  int boxHeight = 180;
  int captionPixels = 13;   // text sizes
  int titlePixels = 20;
  std::string fontPath;     // empty: DejaVu Sans
};

struct SheetRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Where everything goes on a sheet. Cells run left to right, then down.
struct SheetLayout {
  int columns = 0;
  int rows = 0;
  int width = 0;  // the whole sheet
  int height = 0;
  int margin = 0;
  int gap = 0;          // between cells
  int titleHeight = 0;  // the title's line box
  int lineHeight = 0;   // a caption line's box
  int captionLines = 0;
  int cellWidth = 0;
  int cellHeight = 0;
  int boxWidth = 0;
  int boxHeight = 0;

  // The thumbnail box of item k; the thumbnail is centred in it.
  SheetRect Box(int k) const;
  // The top of item k's first caption line.
  int CaptionTop(int k) const;
};

// Columns for `count` items: all in one row up to 4, then a grid somewhat
// wider than tall, at most 6 wide.
int SheetColumns(int count);

// The layout for `count` items with up to `captionLines` lines each. Sizes
// follow from the options alone, with or without a font. More columns than
// asked are used when the rows would pass the 16384-pixel picture limit.
// False (and `error`) when even that does not fit or the options are out of
// range.
bool PlanSheet(int count, int captionLines, const SheetOptions& options, SheetLayout* layout, std::string* error);

struct ContactSheet {
  FramePicture picture;  // empty when the sheet could not be made
  SheetLayout layout;
  bool textDrawn = false;  // false: no font, the sheet lacks its words
  std::string error;       // why there is no picture, or why there are no words
};

// Thumbnails in a grid on a neutral grey, each centred in a dark box of the
// common size with its caption lines under it, and the title on top.
ContactSheet MakeContactSheet(const std::vector<SheetItem>& items, const SheetOptions& options);

// One row of the sheet page's table.
struct SheetRow {
  std::string file;
  std::string frames;         // e.g. "120-134"
  std::string dateTime;       // e.g. "2026/11/03 14:22:05"
  int largestDifference = 0;
  std::string link;           // a frame picture beside the page; empty: no link
};

// A small page that needs nothing else: inline style, the sheet PNG inside it
// as a data: URI, and the table of rows, each linking its frames to `link`
// (a relative file name, percent-encoded here).
std::string MakeSheetHtml(const std::string& title, const std::vector<uint8_t>& sheetPng,
                          const std::vector<SheetRow>& rows);
// MakeSheetHtml written under a temporary name and renamed into place.
bool WriteSheetHtml(const std::string& path, const std::string& title, const std::vector<uint8_t>& sheetPng,
                    const std::vector<SheetRow>& rows, std::string* error = nullptr);

// Base64 with padding (RFC 4648, standard alphabet).
std::string EncodeBase64(const uint8_t* data, size_t size);
// Text for HTML content and quoted attribute values: & < > " ' escaped.
std::string EscapeHtml(const std::string& text);
// A relative file name as a URL path: bytes other than letters, digits and
// "-._~/" percent-encoded (a colon too, so no name reads as a scheme).
std::string EncodeUrlPath(const std::string& name);

}  // namespace klv
