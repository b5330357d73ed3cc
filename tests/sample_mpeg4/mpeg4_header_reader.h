#pragma once
// A small reader of MPEG-4 stream and VOP headers written apart from the
// sample writer, following the camera's reading order and acceptance rules.
// Used to check what the writer puts into the headers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klv::sample::test {

class BitReader {
 public:
  explicit BitReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool Read(int n, uint32_t& out);
  uint32_t Get(int n) {  // 0 after the end (check Failed())
    uint32_t v = 0;
    if (!Read(n, v)) failed_ = true;
    return v;
  }
  bool Failed() const { return failed_; }
  size_t BitPos() const { return bit_; }
  size_t BytePos() const { return bit_ / 8; }
  void SeekByte(size_t byte) { bit_ = byte * 8; }
  // The camera's stuffing rule: a whole 0x7F when aligned, bits to the
  // boundary, then a 0x80 byte.
  void AlignToByte();
  // The camera's start-code search: at most 32 bytes passed over. Returns the
  // 32-bit start code (not consumed) or -1; skipped gets the bytes passed over.
  int64_t NextStartCode(int* skipped = nullptr);

 private:
  int CountLeadingZeroBits() const;
  const std::vector<uint8_t>& bytes_;
  size_t bit_ = 0;
  bool failed_ = false;
};

struct StreamHeaders {
  bool accepted = false;
  std::string refusal;  // the first field the camera refuses
  int profile = -1, visualObjectType = -1, objectType = -1;
  int verid = -1, aspect = -1, chromaFormat = -1, lowDelay = -1, vbv = -1;
  int shape = -1, resolution = -1, timeIncrementBits = -1, fixedVopRate = -1;
  int width = -1, height = -1, interlaced = -1, sprite = -1, not8Bit = -1, quantType = -1;
  int complexityDisable = -1, resyncDisable = -1, dataPartitioned = -1, scalability = -1;
  size_t headerLength = 0;  // after the stuffing that ends the layer header
};

StreamHeaders ReadStreamHeaders(const std::vector<uint8_t>& bytes);

struct VopHeader {
  bool ok = false;
  size_t offset = 0;  // of the start code
  int codingType = -1, moduloBits = 0, timeIncrement = -1, coded = -1;
  int roundingType = -1, dcThreshold = -1, quant = -1, fcode = -1, fcodeBackward = -1;
};

// Every VOP header from byte `from` on (byte-aligned VOP start codes).
std::vector<VopHeader> ReadVopHeaders(const std::vector<uint8_t>& bytes, const StreamHeaders& headers,
                                      size_t from);

}  // namespace klv::sample::test
