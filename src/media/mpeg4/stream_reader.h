#pragma once
// The mapped stream reader of .m4v and .ztm files.
//
// A movie is never loaded: the reader maps a window of about 1 MiB and moves
// it through the file as reading proceeds. On the window it offers the byte
// and bit primitives of the header and picture decoders, the start-code
// search, the .ztm side packets (audio and elapsed time in user-data units in
// front of pictures), the rewind to the first picture and the seek to an
// intra picture. Positions towards the player are counted in KiB.
//
// Every primitive fails (rather than reading outside the view) when the file
// has ended or a window cannot be mapped. Reaching the end of the file
// releases the last view; the reader is usable again after RewindStream,
// SeekKeyFrame or a new open.

#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/audio_sink.h"
#include "media/mpeg4/headers.h"
#include "platform/mapped_file.h"

namespace klv {

class StreamReader {
 public:
  // The window: 1 MiB rounded down to the mapping granularity.
  static constexpr uint32_t kWindowBytes = 1u << 20;
  // Each view maps up to this many bytes beyond its window (when the file has
  // them) so the picture decoder can look ahead across a window edge. The
  // window itself, its offsets and every failure point stay as described.
  static constexpr uint32_t kLookaheadBytes = 4096;

  StreamReader() = default;
  StreamReader(const StreamReader&) = delete;
  StreamReader& operator=(const StreamReader&) = delete;

  // --- stream operations -----------------------------------------------------
  // Opens and maps the file and parses the stream headers. Returns the file
  // size in KiB (rounded down), or 0 when the file cannot be opened or mapped
  // or its headers are not acceptable (the file is then released at once).
  // A file below 1 KiB that opens yields 0 as well; IsOpen() tells them apart.
  int OpenStream(const std::string& path);
  // The same over a memory buffer that outlives the open (tests, fuzzing).
  int OpenStreamBuffer(const uint8_t* data, size_t size);
  // Unmaps the view and closes the file; true when nothing was open or every
  // step succeeded.
  bool CloseStream();
  // Back to the first picture: false when no headers were parsed.
  bool RewindStream();
  // Lands on the intra picture (on its time packet when it has one) at or
  // after (direction >= 0) or at or before (direction < 0) byte
  // position * unitKiB * 1024. Returns the new position in units of unitKiB
  // KiB, 0 when the file ended or began first, -1 when the window for the
  // target cannot be mapped (or unitKiB is not positive).
  int SeekKeyFrame(int position, int unitKiB, int direction);
  // Reads the side packets and a group-of-VOP header in front of the next
  // picture; returns the start code that follows them, or -1.
  // audioLength: bytes credited to the picture by its audio packets (the last
  // packet's count); elapsedTime: hundredths of a second of the last time
  // packet, 0 when there is none.
  int ReadSidePackets(bool firstOfStart, bool feedAudio, int* audioLength, uint32_t* elapsedTime);
  // From the unit at the cursor on to the next start-code prefix (00 00 01),
  // without decoding it; false when the file ends first. No picture holds
  // such a prefix, so the side packets of every picture can be read this way
  // whether or not its picture decodes.
  bool SkipToNextUnit();

  // --- primitives ------------------------------------------------------------
  bool AdvanceByte();
  bool StepBackByte();
  bool SkipBytes(uint64_t n);
  bool ReadU16LE(uint16_t& value);
  bool ReadU32LE(uint32_t& value);
  bool ReadBits(int n, uint32_t& out);  // n = 0..32
  bool PeekBits(int n, uint32_t& out);  // always true; out as far as read
  bool PeekBytes(uint8_t* buffer, int n);
  void AlignToByte();
  int CountLeadingZeroBits();
  int NextStartCode();
  // Maps the window at `offset` (a multiple of windowSize); its length or -1.
  int64_t MapWindow(uint64_t offset);

  // --- position ----------------------------------------------------------------
  bool IsOpen() const { return streamOpen_; }
  bool HasView() const { return viewBase != nullptr; }
  // File position of `cursor`; the file size when no view is mapped.
  uint64_t Position() const;
  // Position in bits, counting the bits of the current byte already read.
  uint64_t BitPosition() const;
  // Puts the reader on an absolute bit position, mapping its window; false
  // (view released) when it lies at or past the end of the file or the
  // window cannot be mapped.
  bool SetBitPosition(uint64_t bitPosition);
  // Releases the view as reading past the end of the file does.
  void DropView();
  // Bytes readable from viewBase: the window plus its look-ahead.
  size_t ViewReadable() const { return viewReadable_; }

  // Window size used by the next open (0: the normal 1 MiB). For files it is
  // rounded down to the mapping granularity. Tests and the fuzzer use small
  // windows to cross window edges often.
  void SetWindowSizeForTesting(uint32_t bytes) { windowOverride_ = bytes; }
  MappedFile& File() { return file_; }

  // --- state -------------------------------------------------------------------
  uint32_t WindowSize() const { return windowSize; }
  uint64_t FileSize() const { return fileSize; }
  uint64_t WindowOffset() const { return windowOffset; }
  uint32_t WindowLength() const { return windowLength; }
  const uint8_t* ViewBase() const { return viewBase; }
  const uint8_t* Cursor() const { return cursor; }
  uint8_t BitMask() const { return bitMask; }
  // Bytes of the stream headers in front of the first picture (0: none parsed).
  uint32_t HeaderLength() const { return headerLength; }
  // Bytes the last start-code search passed over.
  int32_t SkippedBytes() const { return skippedBytes; }
  // Why the last open or mapping failed.
  const std::string& LastError() const { return lastError; }
  const StreamLayer& Layer() const { return layer; }
  // Where audio packet bytes go when feeding audio (null: nowhere).
  void SetAudioSink(AudioSink* sink) { audioSink = sink; }

 private:
  int OpenCommon();
  int BitIndex() const;  // 0 for bitMask 0x80 .. 7 for 0x01
  bool EnsureViewAt(uint64_t offset);
  bool SkipAudio(uint64_t length, bool handOn);
  int SeekScan(int step, uint64_t unitBytes);
  void RestoreWindow(uint64_t window, uint64_t position, uint8_t mask);

  uint32_t windowSize = kWindowBytes;
  uint64_t fileSize = 0;
  uint64_t windowOffset = 0;
  uint32_t windowLength = 0;
  const uint8_t* viewBase = nullptr;
  const uint8_t* cursor = nullptr;
  const uint8_t* windowEnd = nullptr;
  uint8_t bitMask = 0x80;
  uint32_t headerLength = 0;
  int32_t skippedBytes = 0;
  std::string lastError;
  StreamLayer layer;
  AudioSink* audioSink = nullptr;

  MappedFile file_;
  bool streamOpen_ = false;
  size_t viewReadable_ = 0;
  uint32_t windowOverride_ = 0;
};

}  // namespace klv
