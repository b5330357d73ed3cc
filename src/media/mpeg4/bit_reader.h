#pragma once
// The picture decoder's bit reader: a 64-bit cache filled from the mapped view.
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
    left_ = 0;
  }

  // The next bits, most significant first: at least 32 of them are real
  // (the cache is refilled from the view when fewer are left).
  uint64_t PeekWord() {
    if (left_ < 32) Refill();
    return cache_;
  }
  // n = 1 .. 32
  uint32_t Peek(int n) { return static_cast<uint32_t>(PeekWord() >> (64 - n)); }
  // n = 0 .. 32, after a peek of at least n bits.
  void Skip(int n) {
    cache_ <<= n;
    left_ -= n;
    pos += static_cast<uint64_t>(n);
  }
  uint32_t Get(int n) {
    const uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  uint32_t Get1() { return Get(1); }
  // Moves the position; the cache is refilled at the next peek.
  void Rebase(uint64_t newPos) {
    pos = newPos;
    left_ = 0;
  }

  uint64_t pos = 0;  // bits from base

 private:
  void Refill() {
    const size_t byte = static_cast<size_t>(pos >> 3);
    uint64_t v;
    if (byte + 8 <= readable_) {
      std::memcpy(&v, base_ + byte, 8);
      v = __builtin_bswap64(v);
    } else {
      v = 0;
      for (size_t i = 0; i < 8; ++i) v = (v << 8) | (byte + i < readable_ ? base_[byte + i] : 0u);
    }
    const int used = static_cast<int>(pos & 7);
    cache_ = v << used;
    left_ = 64 - used;
  }

  const uint8_t* base_ = nullptr;
  size_t readable_ = 0;
  uint64_t cache_ = 0;
  int left_ = 0;
};

}  // namespace klv::mpeg4
