#pragma once
// The camera's AVI files: fixed header words, the "idx1" frame index, frame
// bytes by index, the event list and each frame's date and time.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "media/avi/frame_clock.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

struct AviIndexEntry {
  uint32_t offset = 0;  // absolute position of the chunk's identifier
  uint32_t size = 0;    // payload length
};

class AviReader {
 public:
  AviReader();
  ~AviReader();
  AviReader(const AviReader&) = delete;
  AviReader& operator=(const AviReader&) = delete;

  // 0 on success; -1 on failure; minus the number of failed allocations when
  // buffers cannot be had. Closes any open file first.
  int AviOpen(const std::string& path);
  void AviClose();
  bool IsOpen() const { return hFile != nullptr; }

  // 0 when the frame's bytes are in `buffer` (nLastFrameSize set), -1 otherwise.
  // `offset` receives the index entry's offset in either case.
  int AviReadFrame(int index, std::vector<uint8_t>& buffer, uint32_t* offset = nullptr);
  int AviReadFrame(int index, uint32_t* offset = nullptr) {
    return AviReadFrame(index, pFrameBuffer, offset);
  }
  int AviStepFrame(int delta);
  int AviSetFrame(int index);
  int AviSeekEnd();
  int AviFindEvent(int from, int to);

  // Date and time of the frame whose headers were walked last.
  void FrameDateTime(int64_t elapsedSeconds, std::string* dateText, std::string* timeText);
  // Seconds from the first frame to frame `index` at the capture interval.
  int64_t ElapsedSeconds(int index) const { return static_cast<int64_t>(index) * nCapInterval; }

  // Reads frame `index` into pFrameBuffer and decodes it into `picture`.
  // 0 on success; -1 when the frame cannot be read; else the decoder's value.
  int ReadAndDecode(int index, FramePicture& picture, uint32_t* offset = nullptr);

  // Why the last AviOpen failed, in a few words ("no frame index", ...).
  const std::string& FailReason() const { return failReason_; }

  // --- the reader's state, read by the engine --------------------------------
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
  int nCurFrame = 0;
  bool bTimeStamps = false;
  bool bEventMode = false;
  std::vector<int> pnEventFrames;
  int nEventCount = 0;
  FrameClock frameClock;

  JpegDecoder decoder;

 private:
  const AviIndexEntry* SeekFrameData(int index, uint32_t* offset = nullptr);
  int ReadFrameHead(int index);
  int Fail(const char* reason);

  int64_t fileSize_ = 0;
  size_t frameCap_ = 0;          // largest frame accepted
  std::vector<uint8_t> head_;    // header bytes of the frame last scanned for events
  size_t headSize_ = 0;
  std::string failReason_;
};

}  // namespace klv
