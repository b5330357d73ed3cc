#pragma once
// Where the stream reader hands the sound bytes of a .ztm file's audio packets.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv {

class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // Bytes of one audio packet, in file order; a packet that straddles a
  // window edge arrives as consecutive pieces.
  virtual void PutAudioBytes(const uint8_t* data, size_t size) = 0;
};

// Counts what it is given (tests; .m4v playback hands nothing on).
class CountingAudioSink : public AudioSink {
 public:
  void PutAudioBytes(const uint8_t* data, size_t size) override {
    (void)data;
    bytes += size;
    ++pieces;
  }
  uint64_t bytes = 0;
  uint64_t pieces = 0;
};

// Keeps what it is given, in order.
class CollectingAudioSink : public AudioSink {
 public:
  void PutAudioBytes(const uint8_t* data, size_t size) override { bytes.insert(bytes.end(), data, data + size); }
  std::vector<uint8_t> bytes;
};

}  // namespace klv
