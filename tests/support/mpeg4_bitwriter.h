#pragma once
// Most-significant-bit-first bit writer for the MPEG-4 sample writer.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace klv::sample::mpeg4 {

class BitWriter {
 public:
  // Appends the low `bits` bits of value (0 <= bits <= 32), most significant first.
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) PutBit((value >> i) & 1u);
  }
  void PutBit(uint32_t bit) {
    if (used_ == 0) bytes_.push_back(0);
    if (bit & 1u) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (0x80u >> used_));
    used_ = (used_ + 1) & 7;
  }
  // Four bytes 00 00 01 code; pads with zero bits first when not aligned.
  void StartCode(uint8_t code) {
    while (!Aligned()) PutBit(0);
    Put(0x000001u, 24);
    Put(code, 8);
  }
  // MPEG-4 stuffing before a start code: a 0 bit, then 1 bits up to the byte
  // boundary; a whole 0x7F byte when already aligned.
  void Stuff() {
    PutBit(0);
    while (!Aligned()) PutBit(1);
  }
  void PutBytes(const std::vector<uint8_t>& data) {
    for (uint8_t b : data) Put(b, 8);
  }
  bool Aligned() const { return used_ == 0; }
  size_t BitCount() const { return bytes_.size() * 8 - (used_ ? 8 - used_ : 0); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> Take() {
    used_ = 0;
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 0;  // bits used in the last byte (0: the last byte is full)
};

}  // namespace klv::sample::mpeg4
