#pragma once
// The camera's AVI files: fixed header words, the "idx1" frame index, frame
// bytes by index, the event list and each frame's date and time.
//
// The reader is the demuxer only. The header walks it needs (the first
// frame's probe, the event scan) run on the caller's JPEG decoder, whose
// tables persist from frame to frame as in playback.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "media/avi/frame_clock.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

struct AviIndexEntry {
  uint32_t offset = 0;  // absolute position of the chunk's identifier
  uint32_t size = 0;    // payload length
};

// What AviOpen came to.
enum class AviOpenStatus {
  kOk,
  kCannotOpen,      // the file cannot be opened for reading
  kEmpty,           // the file holds no bytes
  kTooShort,        // shorter than the movie header
  kNoIndex,         // the chunk walk meets no "idx1"
  kNoFrames,        // the header's frame count is 0 or less
  kBadPictureSize,  // width or height outside 1..8192
  kIndexTooShort,   // the index cannot hold the frame count
  kForeignIndex,    // the index holds entries of another stream
  kOutOfMemory,     // the index or the frame buffer cannot be had
};

// The plain words for a failed open ("not a camera movie: no frame index").
const char* AviOpenStatusText(AviOpenStatus status);

class AviReader {
 public:
  AviReader();
  ~AviReader();
  AviReader(const AviReader&) = delete;
  AviReader& operator=(const AviReader&) = delete;

  // Reads the header, builds the index and probes frame 0 (with `headers`)
  // for time stamps and event mode, scanning the event list in event mode
  // unless `scanEvents` is false (a quick look). Closes any open file first.
  AviOpenStatus AviOpen(const std::string& path, JpegDecoder& headers, bool scanEvents = true);
  void AviClose();
  bool IsOpen() const { return hFile != nullptr; }

  // 0 when the frame's bytes are in `buffer`, -1 otherwise. `offset` receives
  // the index entry's offset in either case.
  int AviReadFrame(int index, std::vector<uint8_t>& buffer, uint32_t* offset = nullptr);
  // The same into the reader's frame buffer (FrameBytes). A frame that cannot
  // be read leaves the buffer with the frame read before it.
  int AviReadFrame(int index, uint32_t* offset = nullptr);
  std::span<const uint8_t> FrameBytes() const {
    return {pFrameBuffer.data(), static_cast<size_t>(nLastFrameSize)};
  }

  // The first event frame stepping from `from` towards `to` (not examined),
  // walking frame headers with `headers`; -1 when there is none.
  int AviFindEvent(JpegDecoder& headers, int from, int to);

  // The header walks of frames [from, to) alone, as decoding them in order
  // would walk them: `headers` ends with the tables that decoding leaves, and
  // the frame buffer with the last of them that could be read (or as it was).
  // Only a frame's first bytes are read unless its headers run past them. A
  // decoder that starts part way into a movie begins with this.
  void AviWalkHeaders(JpegDecoder& headers, int from, int to);

  // Date and time of a frame whose header walk gave `stamp`: from the stamp
  // when the movie has time stamps, else the file's time plus `elapsedSeconds`.
  void FrameDateTime(const FrameTimeStamp& stamp, int64_t elapsedSeconds, std::string* dateText,
                     std::string* timeText);
  const FrameClock& Clock() const { return frameClock; }
  // Seconds from the first frame to frame `index` at the capture interval.
  int64_t ElapsedSeconds(int index) const { return static_cast<int64_t>(index) * nCapInterval; }

  // --- what the header and the index say ---------------------------------------
  int TotalFrames() const { return nTotalFrames; }  // -1 when the file cannot be read
  int CapInterval() const { return nCapInterval; }  // seconds
  int Rate() const { return nAviRate; }
  int Width() const { return nImageWidth; }
  int Height() const { return nImageHeight; }
  bool TimeStamps() const { return bTimeStamps; }
  bool EventMode() const { return bEventMode; }
  const std::vector<int>& EventFrames() const { return pnEventFrames; }
  int EventCount() const { return nEventCount; }
  uint16_t FileDate() const { return wFileDate; }
  uint16_t FileTime() const { return wFileTime; }
  // Where the index was found and what it holds (tests of the layout).
  int64_t MoviBase() const { return nMoviBase; }
  int64_t IndexPosition() const { return nWalkPos; }
  const AviIndexEntry& IndexEntry(int index) const { return pIndex.at(static_cast<size_t>(index)); }

 private:
  const AviIndexEntry* SeekFrameData(int index, uint32_t* offset = nullptr);
  int ReadFrameHead(int index);

  FILE* hFile = nullptr;
  uint16_t wFileDate = 0;
  uint16_t wFileTime = 0;
  int nTotalFrames = -1;
  int nCapInterval = 0;
  int nAviRate = 0;
  int nImageWidth = 0;
  int nImageHeight = 0;
  int64_t nWalkPos = 0;
  int64_t nMoviBase = 0;
  std::vector<AviIndexEntry> pIndex;
  std::vector<uint8_t> pFrameBuffer;
  int nLastFrameSize = 0;
  bool bTimeStamps = false;
  bool bEventMode = false;
  std::vector<int> pnEventFrames;
  int nEventCount = 0;
  FrameClock frameClock;

  int64_t fileSize_ = 0;
  size_t frameCap_ = 0;          // largest frame accepted
  std::vector<uint8_t> head_;    // header bytes of the frame last scanned for events
  size_t headSize_ = 0;
  std::vector<uint8_t> walk_;    // header bytes for AviWalkHeaders
};

// Reads frame `index` and decodes it into `picture`: true when it was shown.
bool ReadAndDecodeFrame(AviReader& avi, JpegDecoder& decoder, int index, FramePicture& picture,
                        uint32_t* offset = nullptr);

}  // namespace klv
