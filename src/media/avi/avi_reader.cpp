#include "media/avi/avi_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "platform/file_times.h"

namespace klv {
namespace {

constexpr int64_t kFirstChunk = 220;
constexpr int kMaxPictureSide = 8192;
// Header segments start within the first 4096 bytes of a frame; the event
// byte and every table the walk loads lie within this much of the start.
constexpr size_t kHeadBytes = 8192;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadAt(FILE* f, int64_t pos, void* dst, size_t n) {
  if (pos < 0 || fseeko(f, static_cast<off_t>(pos), SEEK_SET) != 0) return false;
  return std::fread(dst, 1, n, f) == n;
}

bool ReadWordAt(FILE* f, int64_t pos, int32_t* out) {
  uint8_t b[4];
  if (!ReadAt(f, pos, b, 4)) return false;
  *out = static_cast<int32_t>(Le32(b));
  return true;
}

}  // namespace

const char* AviOpenStatusText(AviOpenStatus status) {
  switch (status) {
    case AviOpenStatus::kOk: return "";
    case AviOpenStatus::kCannotOpen: return "the file cannot be opened";
    case AviOpenStatus::kEmpty: return "the file is empty";
    case AviOpenStatus::kTooShort: return "not a camera movie: too short for a movie header";
    case AviOpenStatus::kNoIndex: return "not a camera movie: no frame index";
    case AviOpenStatus::kNoFrames: return "the movie holds no frames";
    case AviOpenStatus::kBadPictureSize: return "the picture size is out of range";
    case AviOpenStatus::kIndexTooShort: return "the frame index is cut short";
    case AviOpenStatus::kForeignIndex: return "the frame index holds entries of another stream";
    case AviOpenStatus::kOutOfMemory: return "out of memory";
  }
  return "";
}

AviReader::AviReader() = default;

AviReader::~AviReader() { AviClose(); }

void AviReader::AviClose() {
  if (hFile != nullptr) {
    std::fclose(hFile);
    hFile = nullptr;
  }
  pIndex.clear();
  pIndex.shrink_to_fit();
  pFrameBuffer.clear();
  pFrameBuffer.shrink_to_fit();
  head_.clear();
  head_.shrink_to_fit();
  headSize_ = 0;
  nLastFrameSize = 0;
}

AviOpenStatus AviReader::AviOpen(const std::string& path, JpegDecoder& headers, bool scanEvents) {
  AviClose();
  hFile = std::fopen(path.c_str(), "rb");
  if (hFile == nullptr) {
    nTotalFrames = -1;
    return AviOpenStatus::kCannotOpen;
  }
  struct stat st {};
  fileSize_ = ::fstat(fileno(hFile), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;

  DosDateTime dos;
  if (LastWriteDosTime(path, &dos)) {
    wFileDate = dos.date;
    wFileTime = dos.time;
  }

  int32_t frames = 0, scale = 0, rate = 0, width = 0, height = 0;
  if (!ReadWordAt(hFile, 48, &frames) || !ReadWordAt(hFile, 128, &scale) ||
      !ReadWordAt(hFile, 132, &rate) || !ReadWordAt(hFile, 184, &width) ||
      !ReadWordAt(hFile, 188, &height)) {
    nTotalFrames = -1;
    return fileSize_ == 0 ? AviOpenStatus::kEmpty : AviOpenStatus::kTooShort;
  }
  nTotalFrames = frames;
  nCapInterval = scale == 65535 ? 86400 : scale;
  // A damaged interval must not overflow the derived rate.
  nAviRate = rate < 0 ? static_cast<int>(std::min<int64_t>(int64_t{nCapInterval} * 10, INT32_MAX)) : rate;
  nImageWidth = width;
  nImageHeight = height;

  // Chunk walk from the first chunk after the header list up to "idx1".
  nWalkPos = kFirstChunk;
  nMoviBase = 0;
  bool foundIndex = false;
  for (;;) {
    uint8_t id[4];
    if (!ReadAt(hFile, nWalkPos, id, 4)) break;
    if (std::memcmp(id, "idx1", 4) == 0) {
      foundIndex = true;
      break;
    }
    uint8_t sz[4];
    if (std::fread(sz, 1, 4, hFile) != 4) break;
    nWalkPos += static_cast<int64_t>(Le32(sz)) + 8;
    if (std::memcmp(id, "LIST", 4) == 0) {
      uint8_t type[4];
      if (std::fread(type, 1, 4, hFile) == 4 && std::memcmp(type, "movi", 4) == 0)
        nMoviBase = static_cast<int64_t>(ftello(hFile)) - 4;
    }
  }
  if (!foundIndex) return AviOpenStatus::kNoIndex;
  if (nTotalFrames <= 0) return AviOpenStatus::kNoFrames;
  nWalkPos += 8;

  // Sizes are checked against the file before anything is allocated.
  if (nImageWidth <= 0 || nImageHeight <= 0 || nImageWidth > kMaxPictureSide ||
      nImageHeight > kMaxPictureSide)
    return AviOpenStatus::kBadPictureSize;
  if (static_cast<int64_t>(nTotalFrames) * 16 > fileSize_ - nWalkPos)
    return AviOpenStatus::kIndexTooShort;

  // Buffers, zero-filled.
  const size_t pixels = static_cast<size_t>(nImageWidth) * static_cast<size_t>(nImageHeight);
  try {
    pFrameBuffer.assign(pixels, 0);
    pIndex.assign(static_cast<size_t>(nTotalFrames), AviIndexEntry{});
  } catch (const std::bad_alloc&) {
    pFrameBuffer.clear();
    pIndex.clear();
    return AviOpenStatus::kOutOfMemory;
  }
  // A frame may outgrow the W x H buffer up to an uncompressed picture's size.
  frameCap_ = pixels * 3 + 65536;
  nLastFrameSize = 0;

  // Index build.
  std::vector<uint8_t> raw(static_cast<size_t>(nTotalFrames) * 16);
  if (!ReadAt(hFile, nWalkPos, raw.data(), raw.size()))
    return AviOpenStatus::kIndexTooShort;
  for (int i = 0; i < nTotalFrames; ++i) {
    const uint8_t* e = raw.data() + static_cast<size_t>(i) * 16;
    if (std::memcmp(e, "00db", 4) != 0) return AviOpenStatus::kForeignIndex;
    uint32_t offset = Le32(e + 8);
    if (nMoviBase > 0) offset += static_cast<uint32_t>(nMoviBase);
    pIndex[static_cast<size_t>(i)] = AviIndexEntry{offset, Le32(e + 12)};
  }

  // Probe frame 0 for time stamps and event mode.
  FrameTimeStamp stamp;
  const uint8_t* event = nullptr;
  AviReadFrame(0);
  headers.ParseHeaders(pFrameBuffer.data(), static_cast<size_t>(nLastFrameSize), nullptr, nullptr,
                       &stamp, &event);
  bTimeStamps = stamp.NonZero();
  bEventMode = event != nullptr && (event[0] & 1) != 0;

  pnEventFrames.clear();
  nEventCount = 0;
  if (bEventMode && scanEvents) {
    for (int e = AviFindEvent(headers, 0, nTotalFrames); e >= 0;
         e = AviFindEvent(headers, e + 1, nTotalFrames))
      pnEventFrames.push_back(e);
    nEventCount = static_cast<int>(pnEventFrames.size());
  }
  return AviOpenStatus::kOk;
}

// Positions the file at the data of frame `index` when its chunk header agrees
// with the index entry; `offset` gets the entry's offset, 0 for no entry. Frames
// that cannot be complete or are beyond any sane size are bad frames; the buffer
// then keeps the frame on display.
const AviIndexEntry* AviReader::SeekFrameData(int index, uint32_t* offset) {
  if (offset != nullptr) *offset = 0;
  if (index < 0 || index >= nTotalFrames || static_cast<size_t>(index) >= pIndex.size() ||
      hFile == nullptr)
    return nullptr;
  const AviIndexEntry& entry = pIndex[static_cast<size_t>(index)];
  if (offset != nullptr) *offset = entry.offset;
  uint8_t chunk[8];
  if (!ReadAt(hFile, entry.offset, chunk, 8)) return nullptr;
  if (std::memcmp(chunk, "00db", 4) != 0 || Le32(chunk + 4) != entry.size) return nullptr;
  if (entry.size > frameCap_ ||
      static_cast<int64_t>(entry.offset) + 8 + static_cast<int64_t>(entry.size) > fileSize_)
    return nullptr;
  return &entry;
}

int AviReader::AviReadFrame(int index, std::vector<uint8_t>& buffer, uint32_t* offset) {
  const AviIndexEntry* entry = SeekFrameData(index, offset);
  if (entry == nullptr) return -1;
  if (buffer.size() < entry->size) buffer.resize(entry->size);
  if (std::fread(buffer.data(), 1, entry->size, hFile) != entry->size) return -1;
  if (&buffer == &pFrameBuffer) nLastFrameSize = static_cast<int>(entry->size);
  return 0;
}

int AviReader::ReadFrameHead(int index) {
  const AviIndexEntry* entry = SeekFrameData(index);
  if (entry == nullptr) return -1;
  const size_t n = std::min<size_t>(entry->size, kHeadBytes);
  if (head_.size() < kHeadBytes) head_.resize(kHeadBytes);
  if (std::fread(head_.data(), 1, n, hFile) != n) return -1;
  headSize_ = n;
  return 0;
}

int AviReader::AviReadFrame(int index, uint32_t* offset) {
  return AviReadFrame(index, pFrameBuffer, offset);
}

int AviReader::AviFindEvent(JpegDecoder& headers, int from, int to) {
  if (from == to) return -1;
  const int step = from < to ? 1 : -1;
  for (int i = from; i != to; i += step) {
    // Only the header segments matter here. A frame that cannot be read is
    // walked with the bytes of the frame scanned before it.
    ReadFrameHead(i);
    const uint8_t* event = nullptr;
    int walked = headers.ParseHeaders(head_.data(), headSize_, nullptr, nullptr, nullptr, &event);
    if (walked == 0 && headSize_ == kHeadBytes && i >= 0 && i < nTotalFrames) {
      // The head was not enough (a segment runs past it): walk the whole frame.
      std::vector<uint8_t> whole;
      if (AviReadFrame(i, whole) == 0) {
        head_ = std::move(whole);
        headSize_ = pIndex[static_cast<size_t>(i)].size;
        event = nullptr;
        headers.ParseHeaders(head_.data(), headSize_, nullptr, nullptr, nullptr, &event);
      }
    }
    if (event != nullptr && (event[0] & 0x80) != 0) return i;
  }
  return -1;
}

void AviReader::AviWalkHeaders(JpegDecoder& headers, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, nTotalFrames);
  int lastRead = -1;
  for (int i = from; i < to; ++i) {
    const AviIndexEntry* entry = SeekFrameData(i);
    if (entry == nullptr) continue;  // decoding reads nothing of it either
    // The camera's headers end within the first KiB; more is read only when
    // they do not. A walk of the whole frame takes the same steps as far as
    // the bytes read go: it can only differ where they end short of a segment.
    if (walk_.size() < kHeadBytes) walk_.resize(kHeadBytes);
    size_t n = std::min<size_t>(entry->size, 1024);
    if (std::fread(walk_.data(), 1, n, hFile) != n) continue;
    lastRead = i;
    JpegFrameInfo frameInfo;
    JpegScanInfo scanInfo;
    if (headers.ParseHeaders(walk_.data(), n, &frameInfo, &scanInfo, nullptr, nullptr) > 0 || n == entry->size)
      continue;
    const size_t more = std::min<size_t>(entry->size, kHeadBytes) - n;
    if (std::fread(walk_.data() + n, 1, more, hFile) == more) {
      n += more;
      if (headers.ParseHeaders(walk_.data(), n, &frameInfo, &scanInfo, nullptr, nullptr) > 0 || n == entry->size)
        continue;
    }
    if (AviReadFrame(i, walk_) == 0)
      headers.ParseHeaders(walk_.data(), entry->size, &frameInfo, &scanInfo, nullptr, nullptr);
  }
  if (lastRead >= 0) AviReadFrame(lastRead);
}

void AviReader::FrameDateTime(const FrameTimeStamp& stamp, int64_t elapsedSeconds,
                              std::string* dateText, std::string* timeText) {
  bool done = false;
  if (bTimeStamps) done = ClockFromTimeStamp(stamp.Value(), &frameClock);
  if (!done) frameClock = ClockFromFileTime(wFileDate, wFileTime, elapsedSeconds);
  if (dateText != nullptr) *dateText = DateText(frameClock);
  if (timeText != nullptr) *timeText = TimeText(frameClock);
}

bool ReadAndDecodeFrame(AviReader& avi, JpegDecoder& decoder, int index, FramePicture& picture,
                        uint32_t* offset) {
  if (avi.AviReadFrame(index, offset) != 0) return false;
  const std::span<const uint8_t> bytes = avi.FrameBytes();
  return decoder.DecodeFrame(bytes.data(), bytes.size(), picture, index).Ok();
}

}  // namespace klv
