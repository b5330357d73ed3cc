// The header walk: marker segments at the head of a frame, Huffman and
// quantisation tables (kept from frame to frame), the camera's own segments,
// and the frame interval.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_tables.h"
#include "platform/diagnostics.h"

namespace klv {

namespace {

// Annex C / F derived fields from BITS[1..16] and HUFFVAL.
void DeriveHuffTable(HuffDecodeTable& t) {
  int total = 0;
  for (int len = 1; len <= 16; ++len)
    for (int n = 0; n < t.BITS[len]; ++n) t.HUFFSIZE[total++] = static_cast<uint8_t>(len);
  t.HUFFSIZE[total] = 0;

  if (total > 0) {
    uint32_t code = 0;
    int k = 0;
    int si = t.HUFFSIZE[0];
    for (;;) {
      while (t.HUFFSIZE[k] == si) {
        t.HUFFCODE[k] = static_cast<uint16_t>(code);
        ++code;
        ++k;
      }
      if (t.HUFFSIZE[k] == 0) break;
      do {
        code <<= 1;
        ++si;
      } while (t.HUFFSIZE[k] != si);
    }
  }

  int j = 0;
  for (int len = 1; len <= 16; ++len) {
    if (t.BITS[len] == 0) {
      t.MAXCODE[len] = -1;
    } else {
      t.VALPTR[len] = static_cast<uint8_t>(j);
      t.MINCODE[len] = t.HUFFCODE[j];
      j += t.BITS[len] - 1;
      t.MAXCODE[len] = t.HUFFCODE[j];
      ++j;
    }
  }
}

void LoadStdTable(HuffDecodeTable& t, const jpeg::StdHuffTable& s) {
  for (int len = 1; len <= 16; ++len) t.BITS[len] = s.bits[len - 1];
  std::memcpy(t.HUFFVAL, s.values, static_cast<size_t>(s.count));
  DeriveHuffTable(t);
}

inline int Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

JpegDecoder::JpegDecoder() {
  LoadStdTable(huff[0][0], jpeg::kStdDcLuma);
  LoadStdTable(huff[0][1], jpeg::kStdDcChroma);
  LoadStdTable(huff[1][0], jpeg::kStdAcLuma);
  LoadStdTable(huff[1][1], jpeg::kStdAcChroma);
  acTables_[0] = &jpeg::AcLookup(0);
  acTables_[1] = &jpeg::AcLookup(1);
  acSkip_[0] = &jpeg::AcSkip(0);
  acSkip_[1] = &jpeg::AcSkip(1);
}

// One table per segment. Class or id above 1, more than 256 symbols, or a
// segment too short for its counts and symbols: the segment is ignored.
void JpegDecoder::LoadHuffSegment(const uint8_t* payload, size_t length) {
  if (length < 17) return;
  const int tc = payload[0] >> 4;
  const int th = payload[0] & 15;
  if (tc > 1 || th > 1) return;
  int total = 0;
  for (int i = 0; i < 16; ++i) total += payload[1 + i];
  if (total > 256 || length < static_cast<size_t>(17 + total)) return;
  HuffDecodeTable& t = huff[tc][th];
  for (int len = 1; len <= 16; ++len) t.BITS[len] = payload[len];
  std::memcpy(t.HUFFVAL, payload + 17, static_cast<size_t>(total));
  DeriveHuffTable(t);
}

// One table per segment; ids above 2 are skipped. 8-bit entries as the camera
// writes them; 16-bit entries (precision 1) are read as 16-bit values. Other
// precisions, or a segment too short for its table, are ignored.
void JpegDecoder::LoadQuantSegment(const uint8_t* payload, size_t length) {
  if (length < 1) return;
  const int pq = payload[0] >> 4;
  const int id = payload[0] & 15;
  if (id > 2 || pq > 1) return;
  const size_t need = pq == 0 ? 65 : 129;
  if (length < need) return;
  for (int k = 0; k < 64; ++k) {
    const int32_t q = pq == 0 ? payload[1 + k] : Be16(payload + 1 + 2 * k);
    quant.multiplier[id][k] = q * kJpegPrescale[k];
    if (k == 0) quant.dcQuant[id] = q;
  }
}

// COM: "T", the 48-bit time stamp, then optionally "RTCD" and the clock's raw
// 32-byte block. Parts missing from a short comment are not taken.
void JpegDecoder::TakeComment(const uint8_t* payload, size_t length, FrameTimeStamp* timeStamp) {
  if (length < 1 || payload[0] != 'T') return;
  if (length >= 7 && timeStamp != nullptr) {
    timeStamp->low = Le32(payload + 1);
    timeStamp->high = static_cast<uint16_t>(payload[5] | (payload[6] << 8));
  }
  if (length >= 43 && std::memcmp(payload + 7, "RTCD", 4) == 0 && flags != nullptr &&
      flags->bDumpRTCData && diag != nullptr && diag->Visible()) {
    for (int line = 0; line < 2; ++line) {
      std::string text;
      for (int i = 0; i < 16; ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X ", payload[11 + 16 * line + i]);
        text += hex;
      }
      diag->AddLine(text);
    }
  }
}

int JpegDecoder::ParseHeaders(const uint8_t* data, size_t size, JpegFrameInfo* frameInfo,
                              JpegScanInfo* scanInfo, FrameTimeStamp* timeStamp,
                              const uint8_t** eventSegment) {
  bRecordPresent = false;
  if (timeStamp != nullptr) *timeStamp = FrameTimeStamp{};
  if (eventSegment != nullptr) *eventSegment = nullptr;
  if (data == nullptr || size < 2 || data[0] != 0xFF || data[1] != 0xD8) return -1;
  // Segments start only in the first 4096 bytes; none reads past the frame.
  const size_t limit = std::min<size_t>(size, 4096);
  size_t pos = 2;
  if (pos >= limit) return 0;
  for (;;) {
    if (data[pos] != 0xFF || pos + 4 > size) return 0;
    const int marker = data[pos + 1];
    const size_t len = static_cast<size_t>(Be16(data + pos + 2));
    const size_t next = pos + len + 2;
    if (next > size) return 0;
    const uint8_t* payload = data + pos + 4;
    const size_t plen = len >= 2 ? len - 2 : 0;

    if (marker == 0xC4) {
      LoadHuffSegment(payload, plen);
    } else if (marker >= 0xD0 && marker <= 0xD7) {
      // restart markers: stepped over
    } else if (marker == 0xC0) {
      if (frameInfo != nullptr) {
        *frameInfo = JpegFrameInfo{};
        if (plen >= 6) {
          frameInfo->precision = payload[0];
          frameInfo->height = Be16(payload + 1);
          frameInfo->width = Be16(payload + 3);
          frameInfo->components = payload[5];
          if (frameInfo->components > 4) return 0;
          for (int c = 0; c < frameInfo->components && 6 + 3 * static_cast<size_t>(c) + 3 <= plen; ++c) {
            const uint8_t* q = payload + 6 + 3 * c;
            frameInfo->comp[c].id = q[0];
            frameInfo->comp[c].h = q[1] >> 4;
            frameInfo->comp[c].v = q[1] & 15;
            frameInfo->comp[c].tq = q[2];
          }
        }
      }
    } else if (marker == 0xD9) {
      // EOI: stepped over like a segment
    } else if (marker == 0xDA) {
      if (scanInfo != nullptr) {
        *scanInfo = JpegScanInfo{};
        scanInfo->length = static_cast<int>(len);
        if (plen >= 1) {
          const int ns = payload[0];
          scanInfo->components = ns;
          for (int c = 0; c < ns && c < 4 && 1 + 2 * static_cast<size_t>(c) + 2 <= plen; ++c) {
            scanInfo->comp[c].id = payload[1 + 2 * c];
            scanInfo->comp[c].td = payload[2 + 2 * c] >> 4;
            scanInfo->comp[c].ta = payload[2 + 2 * c] & 15;
          }
          const size_t tail = 1 + 2 * static_cast<size_t>(ns);
          if (tail + 3 <= plen) {
            scanInfo->ss = payload[tail];
            scanInfo->se = payload[tail + 1];
            scanInfo->ah = payload[tail + 2] >> 4;
            scanInfo->al = payload[tail + 2] & 15;
          }
        }
      }
      return static_cast<int>(next);
    } else if (marker == 0xDB) {
      LoadQuantSegment(payload, plen);
    } else if (marker == 0xE4) {
      if (plen >= sizeof record.bytes) {
        std::memcpy(record.bytes, payload, sizeof record.bytes);
        bRecordPresent = true;
      }
    } else if (marker == 0xE5) {
      if (eventSegment != nullptr && plen >= 1) *eventSegment = payload;
    } else if (marker == 0xDC || marker == 0xDD) {
      // DNL, DRI: restart intervals are not supported
    } else if (marker >= 0xE0 && marker <= 0xEF) {
      // other application segments
    } else if (marker == 0xFE) {
      TakeComment(payload, plen, timeStamp);
    } else {
      return 0;  // other frame types, DAC, fill bytes, ...
    }

    pos = next;
    if (pos >= limit) return 0;
  }
}

void JpegDecoder::UpdateFrameInterval(int index, const FrameTimeStamp& stamp) {
  frameTimeStamp = stamp;
  if (index == prevIndex_ + 1)
    nFrameIntervalMs = static_cast<int>((frameTimeStamp.low - prevStampLow_) * 10u);
  else
    nFrameIntervalMs = -1;
  prevStampLow_ = frameTimeStamp.low;
  prevIndex_ = index;
}

}  // namespace klv
