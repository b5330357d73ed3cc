#pragma once
// The camera's AVI layout, with switches for the unusual files tests need.
//
// Default layout (absolute offsets):
//     0 "RIFF" size "AVI "
//    12 "LIST" size "hdrl"
//    24   "avih" 56     total frames at 48
//    88   "LIST" size "strl"
//   100     "strh" 64   'vids' 'MJPG', scale at 128, rate at 132
//   172     "strf" 40   BITMAPINFOHEADER, width at 184, height at 188
//   220 "LIST" size "movi"  "00db" chunks (payload padded to even size)
//   ... "idx1"  16 bytes a frame: "00db", flags 0x10, offset, payload size
// idx1 offsets count from the "movi" tag (the first chunk is at offset 4).
//
// Options may add a JUNK chunk at 220, an audio stream (its "strl" list then
// sits at 220 inside the header list, its "01wb" chunks follow each frame and
// appear in idx1), absolute idx1 offsets (the frames are then bare top-level
// "00db" chunks: there is no "movi" list), no idx1, any scale/rate words.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klv::sample {

inline constexpr size_t kAviTotalFramesAt = 48;
inline constexpr size_t kAviScaleAt = 128;
inline constexpr size_t kAviRateAt = 132;
inline constexpr size_t kAviWidthAt = 184;
inline constexpr size_t kAviHeightAt = 188;
inline constexpr size_t kAviFirstChunkAt = 220;

// Header words of the video stream.
struct AviStreamInfo {
  int width = 640;
  int height = 480;
  uint32_t scale = 5;   // the camera's capture interval in seconds (65535: one day)
  int32_t rate = 50;    // frames per second of playback = rate / scale
};

struct AviOptions {
  std::optional<uint32_t> headerTotalFrames;  // total-frames word; default the frame count
  uint32_t junkBytes = 0;        // > 0: a JUNK chunk of this (even-rounded) payload at 220
  bool absoluteOffsets = false;  // idx1 offsets absolute; bare "00db" chunks, no "movi" list
  bool writeIndex = true;        // false: no idx1 at all
  bool secondStream = false;     // audio stream "01wb" (PCM 8 kHz): strl, chunks, idx1 entries
  uint32_t audioBytesPerFrame = 16;  // size of each "01wb" chunk with secondStream
  uint32_t indexFlags = 0x10;    // flags word of every video entry (key frame)
};

// Where things ended up, for checks and corruption.
struct AviLayout {
  size_t moviTag = 0;                 // position of the "movi" tag; 0 when there is none
  size_t idx1 = 0;                    // position of the "idx1" identifier; 0 when none
  std::vector<size_t> frameChunk;     // position of each frame's "00db" identifier
  std::vector<uint32_t> frameSize;    // each frame's payload size as indexed
  std::vector<size_t> frameEntry;     // position of each frame's 16-byte idx1 entry (0: none)
};

// Builds the file. Frames are stored as given; an odd-sized frame gets a pad
// byte after it. With absoluteOffsets the pad byte is counted in the chunk and
// index sizes (the camera's reader walks top-level chunks by their stored
// size without rounding, so bare chunks must be even).
std::vector<uint8_t> WriteAvi(const AviStreamInfo& stream,
                              const std::vector<std::vector<uint8_t>>& frames,
                              const AviOptions& options = {}, AviLayout* layout = nullptr);

// ---- Little-endian access and corruption helpers -----------------------------
// All are bounds-checked: positions outside the data change nothing (Put*)
// or read 0 (Get*).
uint32_t GetLe32(const std::vector<uint8_t>& data, size_t pos);
uint16_t GetLe16(const std::vector<uint8_t>& data, size_t pos);
void PutLe32(std::vector<uint8_t>& data, size_t pos, uint32_t value);
void PutLe16(std::vector<uint8_t>& data, size_t pos, uint16_t value);
void PutFourCc(std::vector<uint8_t>& data, size_t pos, const char* fourcc);

// Frame `i`'s chunk: identifier ("01wb", "00dc" ...), stored size word.
void SetFrameChunkId(std::vector<uint8_t>& avi, const AviLayout& layout, int i, const char* fourcc);
void SetFrameChunkSize(std::vector<uint8_t>& avi, const AviLayout& layout, int i, uint32_t size);
// Frame `i`'s idx1 entry: identifier, offset word, size word.
void SetIndexId(std::vector<uint8_t>& avi, const AviLayout& layout, int i, const char* fourcc);
void SetIndexOffset(std::vector<uint8_t>& avi, const AviLayout& layout, int i, uint32_t offset);
void SetIndexSize(std::vector<uint8_t>& avi, const AviLayout& layout, int i, uint32_t size);

// Writes bytes to a file; false when it cannot be written completely.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Reads a whole file; empty on failure.
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace klv::sample
