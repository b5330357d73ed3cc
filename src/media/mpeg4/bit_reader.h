#pragma once
// The picture decoder's bit reader: 64 bits at a time from the mapped view.
//
// It reads the same bits as the stream reader's ReadBits, from one view (the
// window and its look-ahead), and keeps no failure state of its own: the
// macroblock decoder checks its position against the end of the file and the
// window at fixed points and syncs the stream reader when the picture ends.
// Bytes beyond the view read as zeros.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace klv::mpeg4 {

class MbBitReader {
 public:
  void Reset(const uint8_t* base, size_t readable, uint64_t bitPos) {
    base_ = base;
    readable_ = readable;
    pos = bitPos;
  }

  // The next 64 bits, most significant first (at least 57 of them real).
  uint64_t Peek64() const {
    const size_t byte = static_cast<size_t>(pos >> 3);
    uint64_t v;
    if (byte + 8 <= readable_) {
      std::memcpy(&v, base_ + byte, 8);
      v = __builtin_bswap64(v);
    } else {
      v = SlowLoad(byte);
    }
    return v << (pos & 7);
  }
  // n = 1 .. 32
  uint32_t Peek(int n) const { return static_cast<uint32_t>(Peek64() >> (64 - n)); }
  uint32_t Get(int n) {
    const uint32_t v = Peek(n);
    pos += static_cast<uint64_t>(n);
    return v;
  }
  uint32_t Get1() { return Get(1); }

  uint64_t pos = 0;  // bits from base

 private:
  uint64_t SlowLoad(size_t byte) const {
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = (v << 8) | (byte + i < readable_ ? base_[byte + i] : 0u);
    return v;
  }

  const uint8_t* base_ = nullptr;
  size_t readable_ = 0;
};

}  // namespace klv::mpeg4
