#pragma once
// The entropy reader's hot paths, shared by the public primitives and the MCU
// loop. Only included by the decoder's own sources.
//
// Model: the camera's reader fetches one byte whenever it needs a bit and has
// none left; 0xFF 0x00 fetches as one 0xFF; 0xFF before anything else is a
// marker: the fetch still counts, its 8 bits (all ones) are read as data,
// nJpegError takes the code byte and the next fetch starts at the code byte.
// Here bytes are loaded ahead into a 64-bit buffer, but loading stops in front
// of a marker, so the marker is met exactly when the camera's reader would
// meet it. Past the end of the data every fetch behaves like a marker 0xD9.

#include <cstring>

#include "media/jpeg/jpeg_decoder.h"
#include "media/jpeg/jpeg_tables.h"
#include "platform/debug_log.h"

#if defined(__GNUC__)
#define KLV_JPEG_INLINE inline __attribute__((always_inline))
#define KLV_LIKELY(x) __builtin_expect(!!(x), 1)
#define KLV_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define KLV_JPEG_INLINE inline
#define KLV_LIKELY(x) (x)
#define KLV_UNLIKELY(x) (x)
#endif

namespace klv {

namespace jpeg {
// Sign extension of an s-bit magnitude (see JpegDecoder::Extend).
KLV_JPEG_INLINE int ExtendBits(int v, int s) {
  if (s <= 0) return 0;
  if (s > 11) return v;
  return v >= (1 << (s - 1)) ? v : v - ((1 << s) - 1);
}
}  // namespace jpeg

KLV_JPEG_INLINE void JpegDecoder::Consume(int n) {
  bitBuf_ <<= n;
  bitCount_ -= n;
}

KLV_JPEG_INLINE uint64_t LoadBe64(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return __builtin_bswap64(w);
}
// True when none of the eight bytes is 0xFF.
KLV_JPEG_INLINE bool NoFf(uint64_t w) {
  const uint64_t inv = ~w;
  return ((inv - 0x0101010101010101ull) & ~inv & 0x8080808080808080ull) == 0;
}

// Loads bytes until at least 56 bits are buffered or a marker (or the end of
// the data) is next. The buffer always holds fewer than 64 bits. Bits below
// the buffered ones may hold the top of the next byte to load (the wide load
// puts them there); loading that byte rewrites them with the same values.
KLV_JPEG_INLINE void JpegDecoder::Fill() {
  if (bitCount_ > 55 || bitStop_) return;
  const uint8_t* p = bitPtr_;
  if (bitEnd_ - p >= 8) {
    const uint64_t w = LoadBe64(p);
    if (NoFf(w)) {
      const int n = (63 - bitCount_) >> 3;
      bitBuf_ |= w >> bitCount_;
      bitPtr_ = p + n;
      loaded_ += static_cast<uint32_t>(n);
      bitCount_ |= 56;
      return;
    }
  }
  // Byte by byte: stuffed bytes and markers.
  bitBuf_ &= bitCount_ == 0 ? 0 : (~0ull << (64 - bitCount_));
  while (bitCount_ <= 55) {
    if (p >= bitEnd_) {
      bitStop_ = true;
      stopCode_ = 0xD9;
      break;
    }
    const uint8_t b = *p;
    if (b == 0xFF) {
      if (p + 1 < bitEnd_ && p[1] == 0x00) {
        p += 2;
      } else {
        bitStop_ = true;
        stopCode_ = p + 1 < bitEnd_ ? p[1] : 0xD9;
        break;
      }
    } else {
      ++p;
    }
    bitBuf_ |= static_cast<uint64_t>(b) << (56 - bitCount_);
    bitCount_ += 8;
    ++loaded_;
  }
  bitPtr_ = p;
}

// DC difference when at least 32 bits lie before the next marker.
KLV_JPEG_INLINE int JpegDecoder::DcDiffFast(int id) {
  const HuffDecodeTable& t = huff[0][id];
  int len;
  int s;
  const uint16_t e = dcFast_[id][bitBuf_ >> 55];
  if (KLV_LIKELY(e != 0)) {
    len = e >> 8;
    s = e & 255;
  } else {
    // Longer codes: continue the length search where the lookup stopped.
    int32_t code = static_cast<int32_t>(bitBuf_ >> 55);
    len = 9;
    while (t.MAXCODE[len] < code) {
      if (++len > 16) {
        Consume(16);
        nJpegError_ = 255;
        return 0;
      }
      code = static_cast<int32_t>(bitBuf_ >> (64 - len));
    }
    int j = t.VALPTR[len] + code - t.MINCODE[len];
    j = j < 0 ? 0 : (j > 255 ? 255 : j);
    s = t.HUFFVAL[j];
  }
  Consume(len);
  if (s == 0) return 0;
  if (KLV_UNLIKELY(s > 16)) {
    const uint32_t v = GetBits(s);
    if (nJpegError_ != 0) return 0;
    return jpeg::ExtendBits(static_cast<int>(v), s);
  }
  const int v = static_cast<int>(bitBuf_ >> (64 - s));
  Consume(s);
  return jpeg::ExtendBits(v, s);
}


// The AC loop of one block, from coefficient k (1 for a whole block). Sink(k,
// value) receives each coefficient. Returns the index of the last coefficient
// written (1 when none), 0 after a run past coefficient 63.
template <class Sink>
KLV_JPEG_INLINE int JpegDecoder::AcLoop(int chroma, Sink& sink, int k) {
  const jpeg::AcTables& t = *acTables_[chroma];
  int last = 1;
  if (!markerUntouched_) {
    // The reader lives in registers here and is written back on the way out.
    uint64_t buf = bitBuf_;
    int count = bitCount_;
    const uint8_t* p = bitPtr_;
    uint32_t loaded = loaded_;
    const uint8_t* const end = bitEnd_;
    bool stop = bitStop_;
    auto writeBack = [&]() {
      bitBuf_ = buf;
      bitCount_ = count;
      bitPtr_ = p;
      loaded_ = loaded;
    };
    while (k < 64) {
      // Top up every time: cheaper than a hard-to-predict test.
      uint64_t w;
      if (KLV_LIKELY(!stop && end - p >= 8 && NoFf(w = LoadBe64(p)))) {
        buf |= w >> count;
        const int n = (63 - count) >> 3;
        p += n;
        loaded += static_cast<uint32_t>(n);
        count |= 56;
      } else {
        writeBack();
        Fill();
        buf = bitBuf_;
        count = bitCount_;
        p = bitPtr_;
        loaded = loaded_;
        stop = bitStop_;
        if (count < 26) break;  // a marker is near: the exact path finishes the block
      }
      const uint32_t e = t.fast[buf >> (64 - jpeg::kAcFastBits)];
      const uint32_t kind = jpeg::AcFastKindOf(e);
      if (KLV_LIKELY(kind == jpeg::kAcCoef)) {
        k += jpeg::AcFastRun(e);
        if (KLV_UNLIKELY(k > 63)) {
          const int len = jpeg::AcFastCodeLen(e);
          buf <<= len;
          count -= len;
          writeBack();
          nJpegError_ = 255;
          return 0;
        }
        const int used = jpeg::AcFastBitsUsed(e);
        buf <<= used;
        count -= used;
        sink(k, jpeg::AcFastValue(e));
        last = k;
        ++k;
      } else if (kind == jpeg::kAcEob) {
        const int used = jpeg::AcFastBitsUsed(e);
        buf <<= used;
        count -= used;
        writeBack();
        return last;
      } else if (kind == jpeg::kAcZrl) {
        const int used = jpeg::AcFastBitsUsed(e);
        buf <<= used;
        count -= used;
        k += 16;
      } else {
        const uint16_t e16 = t.lut16[buf >> 48];
        const int len = e16 >> 8;
        buf <<= len;
        count -= len;
        const int run = (e16 >> 4) & 15;
        const int size = e16 & 15;
        if (size != 0) {
          k += run;
          if (k > 63) {
            writeBack();
            nJpegError_ = 255;
            return 0;
          }
          const int v = jpeg::ExtendBits(static_cast<int>(buf >> (64 - size)), size);
          buf <<= size;
          count -= size;
          sink(k, v);
          last = k;
          ++k;
        } else if (run == 15) {
          k += 16;
        } else {
          writeBack();
          return last;
        }
      }
    }
    writeBack();
    if (k >= 64) return last;
  }
  // Near a marker or the end of the data: step by step as the camera does.
  while (k < 64) {
    const uint16_t e16 = t.lut16[Peek16()];
    GetBits(e16 >> 8);
    const int run = (e16 >> 4) & 15;
    const int size = e16 & 15;
    if (size != 0) {
      k += run;
      if (k > 63) {
        nJpegError_ = 255;
        return 0;
      }
      const int v = jpeg::ExtendBits(static_cast<int>(GetBits(size)), size);
      sink(k, v);
      last = k;
      ++k;
    } else if (run == 15) {
      k += 16;
    } else {
      break;
    }
  }
  return last;
}

}  // namespace klv
