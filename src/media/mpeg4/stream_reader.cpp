#include "media/mpeg4/stream_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace klv {
namespace {

// Head of the elapsed-time packet that stands in front of an intra picture.
constexpr uint8_t kTimePacketHead[7] = {0x00, 0x00, 0x01, 0xB2, 0x06, 0x00, 0x82};
constexpr int kTimePacketBytes = 14;
constexpr int kMaxJunkBytes = 32;

// Hundredths of a second from a time packet: `count` audio bytes of 249
// samples per 128 bytes at 16,276 samples a second.
uint32_t ElapsedHundredths(uint32_t count, uint8_t shift) {
  uint64_t t = ((static_cast<uint64_t>(count) * 249u) >> 7) / 162u;
  if (shift > 0) t = shift >= 64 ? 0 : t << shift;
  return static_cast<uint32_t>(t);
}

}  // namespace

// --- open and close ------------------------------------------------------------

int StreamReader::OpenStream(const std::string& path) {
  if (!CloseStream()) return 0;
  const uint32_t granularity = MappedFile::Granularity();
  const uint32_t wanted = windowOverride_ != 0 ? windowOverride_ : kWindowBytes;
  windowSize = wanted - wanted % granularity;
  if (windowSize == 0) windowSize = granularity;
  if (!file_.Open(path)) {
    lastError = file_.LastError();
    return 0;
  }
  return OpenCommon();
}

int StreamReader::OpenStreamBuffer(const uint8_t* data, size_t size) {
  if (!CloseStream()) return 0;
  windowSize = windowOverride_ != 0 ? std::max<uint32_t>(windowOverride_, 16) : kWindowBytes;
  file_.OpenBuffer(data, size);
  return OpenCommon();
}

int StreamReader::OpenCommon() {
  fileSize = file_.Size();
  windowOffset = 0;
  bitMask = 0x80;
  headerLength = 0;
  skippedBytes = 0;
  layer = StreamLayer {};
  // A first window that cannot be mapped (an empty file, a directory, a
  // mapping failure) is a failed open; the player reports it and goes on.
  if (MapWindow(0) <= 0) {
    if (fileSize == 0) lastError = "the file is empty";
    file_.Close();
    return 0;
  }
  streamOpen_ = true;
  if (!ParseStreamHeaders(*this, layer)) {
    CloseStream();
    layer = StreamLayer {};
    return 0;
  }
  AlignToByte();
  if (!HasView()) {  // nothing follows the headers
    CloseStream();
    layer = StreamLayer {};
    return 0;
  }
  headerLength = static_cast<uint32_t>(std::min<uint64_t>(Position(), UINT32_MAX));
  return static_cast<int>(std::min<uint64_t>(fileSize / 1024, INT_MAX));
}

bool StreamReader::CloseStream() {
  const bool ok = file_.Close();
  viewBase = cursor = windowEnd = nullptr;
  viewReadable_ = 0;
  windowLength = 0;
  windowOffset = 0;
  fileSize = 0;
  headerLength = 0;
  bitMask = 0x80;
  streamOpen_ = false;
  return ok;
}

bool StreamReader::RewindStream() {
  if (!streamOpen_ || headerLength == 0) return false;
  if (MapWindow(0) <= 0) return false;
  if (!SkipBytes(headerLength)) return false;
  bitMask = 0x80;
  return true;
}

// --- windows -------------------------------------------------------------------

int64_t StreamReader::MapWindow(uint64_t offset) {
  DropView();  // the current view goes first, even when the next step fails
  if (offset >= fileSize) return -1;
  const uint64_t length = std::min<uint64_t>(fileSize - offset, windowSize);
  const uint64_t extra = std::min<uint64_t>(fileSize - offset - length, kLookaheadBytes);
  const uint8_t* view = file_.Map(offset, static_cast<size_t>(length + extra));
  if (view == nullptr) {
    lastError = file_.LastError();
    return -1;
  }
  viewBase = cursor = view;
  windowLength = static_cast<uint32_t>(length);
  windowEnd = view + length;
  windowOffset = offset;
  viewReadable_ = static_cast<size_t>(length + extra);
  return static_cast<int64_t>(length);
}

void StreamReader::DropView() {
  file_.Unmap();
  viewBase = cursor = windowEnd = nullptr;
  viewReadable_ = 0;
  windowLength = 0;
}

bool StreamReader::EnsureViewAt(uint64_t offset) {
  if (viewBase != nullptr && offset >= windowOffset && offset - windowOffset < windowLength) return true;
  return MapWindow(offset - offset % windowSize) > 0;
}

uint64_t StreamReader::Position() const {
  if (viewBase == nullptr) return fileSize;
  return windowOffset + static_cast<uint64_t>(cursor - viewBase);
}

int StreamReader::BitIndex() const { return __builtin_clz(static_cast<unsigned>(bitMask)) - 24; }

uint64_t StreamReader::BitPosition() const {
  return Position() * 8 + (viewBase != nullptr ? static_cast<uint64_t>(BitIndex()) : 0);
}

bool StreamReader::SetBitPosition(uint64_t bitPosition) {
  const uint64_t offset = bitPosition >> 3;
  if (offset >= fileSize) {
    DropView();
    return false;
  }
  if (!EnsureViewAt(offset)) return false;
  cursor = viewBase + (offset - windowOffset);
  bitMask = static_cast<uint8_t>(0x80u >> (bitPosition & 7));
  return true;
}

void StreamReader::RestoreWindow(uint64_t window, uint64_t position, uint8_t mask) {
  if (viewBase == nullptr || windowOffset != window) {
    if (MapWindow(window) <= 0) return;
  }
  cursor = viewBase + (position - windowOffset);
  bitMask = mask;
}

// --- byte primitives -------------------------------------------------------------

bool StreamReader::AdvanceByte() {
  if (viewBase == nullptr) return false;
  ++cursor;
  if (cursor == windowEnd) return MapWindow(windowOffset + windowLength) > 0;
  return true;
}

bool StreamReader::StepBackByte() {
  if (viewBase == nullptr) return false;
  if (cursor == viewBase) {
    if (windowOffset == 0) return false;
    if (MapWindow(windowOffset - windowSize) <= 0) return false;
    cursor = windowEnd - 1;
    return true;
  }
  --cursor;
  return true;
}

bool StreamReader::SkipBytes(uint64_t n) {
  if (viewBase == nullptr) return false;
  const uint64_t here = Position();
  if (n >= fileSize - here) {  // at or past the end of the file
    DropView();
    return false;
  }
  const uint64_t target = here + n;
  if (target < windowOffset + windowLength) {
    cursor = viewBase + (target - windowOffset);
    return true;
  }
  if (MapWindow(target - target % windowSize) <= 0) return false;
  cursor = viewBase + (target - windowOffset);
  return true;
}

bool StreamReader::ReadU16LE(uint16_t& value) {
  value = 0;
  for (int i = 0; i < 2; ++i) {
    if (viewBase == nullptr) return false;
    value = static_cast<uint16_t>(value | (*cursor << (8 * i)));
    if (!AdvanceByte()) return false;
  }
  return true;
}

bool StreamReader::ReadU32LE(uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (viewBase == nullptr) return false;
    value |= static_cast<uint32_t>(*cursor) << (8 * i);
    if (!AdvanceByte()) return false;
  }
  return true;
}

bool StreamReader::PeekBytes(uint8_t* buffer, int n) {
  if (viewBase == nullptr || n < 0) return false;
  if (n < windowEnd - cursor) {  // the advance after the last byte stays in the window
    std::memcpy(buffer, cursor, static_cast<size_t>(n));
    return true;
  }
  const uint64_t window = windowOffset;
  const uint64_t position = Position();
  const uint8_t mask = bitMask;
  bool ok = true;
  for (int i = 0; i < n; ++i) {
    if (!ok) {
      buffer[i] = 0;
      continue;
    }
    buffer[i] = *cursor;
    ok = AdvanceByte();
  }
  RestoreWindow(window, position, mask);
  return ok;
}

// --- bit primitives --------------------------------------------------------------

bool StreamReader::ReadBits(int n, uint32_t& out) {
  out = 0;
  if (n <= 0) return true;
  if (viewBase == nullptr) return false;
  const int endBits = BitIndex() + n;
  const int advance = endBits >> 3;
  if (advance < windowEnd - cursor) {
    // No advance reaches the window end, so none can fail.
    uint64_t v = 0;
    const int bytes = (endBits + 7) >> 3;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | cursor[i];
    v >>= bytes * 8 - endBits;
    out = static_cast<uint32_t>(v & ((uint64_t {1} << n) - 1));
    cursor += advance;
    bitMask = static_cast<uint8_t>(0x80u >> (endBits & 7));
    return true;
  }
  for (int i = 0; i < n; ++i) {
    out = (out << 1) | ((*cursor & bitMask) != 0 ? 1u : 0u);
    bitMask = static_cast<uint8_t>(bitMask >> 1);
    if (bitMask == 0) {
      bitMask = 0x80;
      if (!AdvanceByte()) return false;
    }
  }
  return true;
}

bool StreamReader::PeekBits(int n, uint32_t& out) {
  out = 0;
  if (viewBase == nullptr) return true;
  const uint64_t window = windowOffset;
  const uint64_t position = Position();
  const uint8_t mask = bitMask;
  ReadBits(n, out);
  RestoreWindow(window, position, mask);
  return true;
}

void StreamReader::AlignToByte() {
  if (viewBase == nullptr) return;
  if (bitMask == 0x80 && *cursor == 0x7F) {
    if (!AdvanceByte()) return;
  }
  if (bitMask != 0x80) {  // the rest of the byte's bits
    bitMask = 0x80;
    if (!AdvanceByte()) return;
  }
  if (*cursor == 0x80) AdvanceByte();
}

int StreamReader::CountLeadingZeroBits() {
  if (viewBase == nullptr) return -1;
  const uint64_t start = BitPosition();
  const uint64_t window = windowOffset;
  const uint8_t mask = bitMask;
  int64_t result = -1;
  uint64_t offset = start >> 3;
  uint8_t keep = static_cast<uint8_t>(0xFFu >> (start & 7));
  while (offset < fileSize) {
    if (offset < windowOffset || offset - windowOffset >= viewReadable_) {
      if (MapWindow(offset - offset % windowSize) <= 0) break;
    }
    // Scan the bytes the view holds.
    const uint8_t* p = viewBase + (offset - windowOffset);
    const uint8_t* end = viewBase + viewReadable_;
    uint8_t b = static_cast<uint8_t>(*p & keep);
    keep = 0xFF;
    while (b == 0 && ++p < end) b = *p;
    offset = windowOffset + static_cast<uint64_t>(p - viewBase);
    if (p == end) continue;
    const uint64_t one = offset * 8 + static_cast<uint64_t>(__builtin_clz(static_cast<unsigned>(b)) - 24);
    // Reading the file's very last bit fails, so a 1 there is not found.
    if (one + 1 < fileSize * 8) result = static_cast<int64_t>(one - start);
    break;
  }
  RestoreWindow(window, start >> 3, mask);
  if (result > INT_MAX) return INT_MAX;
  return static_cast<int>(result);
}

int StreamReader::NextStartCode() {
  AlignToByte();
  int count = 0;
  int z = CountLeadingZeroBits();
  while (z < 23) {
    if (z == -1) return -1;
    if (!AdvanceByte()) return -1;
    if (++count > kMaxJunkBytes) return -1;
    z = CountLeadingZeroBits();
  }
  skippedBytes = count;
  if (z > 23) {
    // Drop the extra zero bits so that exactly 23 zeros and the 1 lie ahead.
    if (!SetBitPosition(BitPosition() + static_cast<uint64_t>(z - 23))) return -1;
  }
  uint32_t code = 0;
  PeekBits(32, code);
  if (viewBase == nullptr) return -1;
  return static_cast<int>(code & 0x7FFFFFFFu);
}

// --- side packets ----------------------------------------------------------------

bool StreamReader::SkipAudio(uint64_t length, bool handOn) {
  if (!handOn || length == 0) return length == 0 || SkipBytes(length);
  if (viewBase == nullptr) return false;
  // A packet cut short by the end of the file hands nothing on.
  if (length > fileSize - Position()) {
    DropView();
    return false;
  }
  while (length > 0) {
    const uint64_t room = static_cast<uint64_t>(windowEnd - cursor);
    const uint64_t piece = std::min(length, room);
    if (audioSink != nullptr) audioSink->PutAudioBytes(cursor, static_cast<size_t>(piece));
    length -= piece;
    if (!SkipBytes(piece)) return false;
  }
  return true;
}

int StreamReader::ReadSidePackets(bool firstOfStart, bool feedAudio, int* audioLength,
                                  uint32_t* elapsedTime) {
  if (elapsedTime != nullptr) *elapsedTime = 0;
  // A picture without an audio packet credits no audio bytes.
  if (audioLength != nullptr) *audioLength = 0;
  int code = NextStartCode();
  while (code == mpeg4::kUserDataCode) {
    uint16_t length = 0;
    if (!SkipBytes(4) || !ReadU16LE(length) || viewBase == nullptr) return -1;
    const uint8_t type = *cursor;
    if (!AdvanceByte()) return -1;
    if (type < 0x80) {
      // The lead count never reaches past the packet's own bytes.
      const uint32_t lead = firstOfStart ? std::min<uint32_t>(*cursor, length) : 0;
      if (audioLength != nullptr) *audioLength = static_cast<int>(length - lead);
      if (!AdvanceByte()) return -1;
      if (!feedAudio) {
        if (!SkipAudio(length, false)) return -1;
      } else {
        if (lead != 0 && !SkipBytes(lead)) return -1;
        if (!SkipAudio(length - lead, true)) return -1;
      }
    } else if (type == 0x82) {
      const uint8_t shift = *cursor;
      uint16_t unused = 0;
      uint32_t count = 0;
      const bool ok = AdvanceByte() && ReadU16LE(unused) && ReadU32LE(count);
      if (elapsedTime != nullptr) *elapsedTime = ElapsedHundredths(count, shift);
      if (!ok) return -1;
    } else {
      if (!SkipBytes(uint64_t {length} + 1)) return -1;
    }
    code = NextStartCode();
  }
  if (code == mpeg4::kGroupOfVopCode) {
    if (!ReadGroupOfVopHeader(*this)) return -1;
    code = NextStartCode();
  }
  return code;
}

bool StreamReader::SkipToNextUnit() {
  int zeros = 0;
  if (!HasView() || !AdvanceByte()) return false;
  for (;;) {
    const uint8_t b = *cursor;
    if (b == 1 && zeros >= 2) return SetBitPosition((Position() - 2) * 8);
    zeros = b == 0 ? zeros + 1 : 0;
    if (!AdvanceByte()) return false;
  }
}

// --- seeking -----------------------------------------------------------------------

int StreamReader::SeekKeyFrame(int position, int unitKiB, int direction) {
  if (!streamOpen_ || unitKiB <= 0) return -1;
  const int step = direction >= 0 ? 1 : -1;
  const uint64_t unitBytes = static_cast<uint64_t>(unitKiB) * 1024u;
  uint64_t target = static_cast<uint64_t>(std::max(position, 0)) * unitBytes;
  if (target >= fileSize) {
    // Beyond the end: nothing lies ahead; backwards the search starts from
    // the file's last byte.
    if (step > 0 || fileSize == 0) {
      DropView();
      return 0;
    }
    target = fileSize - 1;
  }
  const uint64_t base = target - target % windowSize;
  if (base != windowOffset || viewBase == nullptr) {
    if (MapWindow(base) <= 0) return -1;
  }
  cursor = viewBase + ((target - base) & ~uint64_t {3});
  windowEnd = viewBase + windowLength;
  return SeekScan(step, unitBytes);
}

int StreamReader::SeekScan(int step, uint64_t unitBytes) {
  // Peeking five bytes needs six left in the file.
  auto peekable = [this](const uint8_t* p) {
    return windowOffset + static_cast<uint64_t>(p - viewBase) + 5 < fileSize;
  };
  auto intraVop = [](const uint8_t* p) {
    return p[2] == 0x01 && p[0] == 0x00 && p[1] == 0x00 && p[3] == 0xB6 && (p[4] & 0xC0) == 0;
  };
  const uint8_t* found = nullptr;
  for (;;) {
    const uint8_t* p = cursor;
    if (step > 0) {
      for (; p < windowEnd; ++p) {
        if (!peekable(p)) {
          cursor = p;
          return 0;
        }
        if (intraVop(p)) break;
      }
      if (p < windowEnd) {
        found = p;
        break;
      }
      cursor = windowEnd - 1;
      if (!AdvanceByte()) return 0;
    } else {
      for (;; --p) {
        if (!peekable(p)) {
          cursor = p;
          return 0;
        }
        if (intraVop(p)) {
          found = p;
          break;
        }
        if (p == viewBase) break;
      }
      if (found != nullptr) break;
      cursor = viewBase;
      if (!StepBackByte()) return 0;
    }
  }
  cursor = found;
  const uint64_t vop = Position();
  if (vop >= kTimePacketBytes) {
    bool onPacket = false;
    if (SetBitPosition((vop - kTimePacketBytes) * 8)) {
      uint8_t head[sizeof kTimePacketHead];
      onPacket = PeekBytes(head, sizeof head) && std::memcmp(head, kTimePacketHead, sizeof head) == 0;
    }
    if (!onPacket && !SetBitPosition(vop * 8)) return 0;
  }
  bitMask = 0x80;
  return static_cast<int>(std::min<uint64_t>(Position() / unitBytes, INT_MAX));
}

}  // namespace klv
